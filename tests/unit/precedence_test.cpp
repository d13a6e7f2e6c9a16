// The precedence parser against the recursive-descent parser it replaced:
// random levels of numbers (and a few texts and missing operands) under
// every operator code give the same number, the same stopping place and
// the same error code.
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include "eval/expression.h"

namespace {

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

// The recursive-descent parser the evaluator had first, one function per
// precedence level, kept here as the reference.
struct Parser {
    Keltra& k;
    ExprLevel& lv;
    int pos;

    unsigned char Next() const { return pos < lv.opCount ? lv.ops[pos] : 0; }

    // A text here is the right operand of a numeric operator, or a missing
    // operand after a trailing operator: both fail as a mixed operation.
    bool Operand(double* v) {
        if (pos >= lv.itemCount || lv.items[pos].kind != EK_NUMBER) return Fail(k, ERR_SYNTAX);
        *v = lv.items[pos].number;
        return true;
    }

    bool Power(double* v) {
        if (!Operand(v)) return false;
        while (Next() == '^') {
            pos++;
            double r;
            if (!Operand(&r)) return false;
            *v = pow(*v, r);
        }
        return true;
    }

    bool Product(double* v) {
        if (!Power(v)) return false;
        for (unsigned char op; (op = Next()) == '*' || op == '/' || op == '%' || op == OP_XOR;) {
            pos++;
            double r;
            if (!Power(&r)) return false;
            if (op == '*') {
                *v *= r;
            } else if (op == '/') {
                if (r == 0.0) return Fail(k, ERR_DIV_ZERO);
                *v /= r;
            } else if (op == '%') {
                int64_t a = TruncateToInt64(*v), b = TruncateToInt64(r);
                if (b == 0) return Fail(k, ERR_DIV_ZERO);
                *v = b == -1 ? 0.0 : (double)(a % b);    // INT64_MIN % -1 would trap
            } else {
                uint32_t x = (uint32_t)TruncateToInt64(*v) ^ (uint32_t)TruncateToInt64(r);
                *v = (double)(int32_t)x;
            }
        }
        return true;
    }

    bool Sum(double* v) {
        if (!Product(v)) return false;
        for (unsigned char op; (op = Next()) == '+' || op == '-';) {
            pos++;
            double r;
            if (!Product(&r)) return false;
            *v = op == '+' ? *v + r : *v - r;
        }
        return true;
    }

    static bool IsComparison(unsigned char op) {
        return op == '<' || op == '>' || op == '=' || op == OP_LE || op == OP_GE || op == OP_NE ||
               op == '~';
    }

    bool Comparison(double* v) {
        if (!Sum(v)) return false;
        for (unsigned char op; IsComparison(op = Next());) {
            pos++;
            double r;
            if (!Sum(&r)) return false;
            bool holds = op == '<' ? *v < r : op == '>' ? *v > r : op == '=' ? *v == r
                       : op == OP_LE ? *v <= r : op == OP_GE ? *v >= r : *v != r;
            *v = holds ? 1.0 : 0.0;
        }
        return true;
    }

    bool Bitwise(double* v) {
        if (!Comparison(v)) return false;
        for (unsigned char op; (op = Next()) == '&' || op == '|';) {
            pos++;
            double r;
            if (!Comparison(&r)) return false;
            int64_t a = TruncateToInt64(*v), b = TruncateToInt64(r);
            *v = (double)(op == '&' ? a & b : a | b);
        }
        return true;
    }

    // Punctuation stored as an operator that no precedence level takes
    // (such as "!" or ";") fails as a syntax error.
    bool Expression(double* v) {
        if (!Bitwise(v)) return false;
        if (pos < lv.opCount && lv.ops[pos] != ',') return Fail(k, ERR_SYNTAX);
        return true;
    }
};


TEST(PrecedenceParser, AgreesWithRecursiveDescent) {
    Keltra k;
    static ExprLevel lv;      // large; kept out of the stack
    std::mt19937 rng(7);
    const unsigned char ops[] = {'+', '-', '*', '/', '%', '^', '&', '|', '<', '>', '=', OP_LE, OP_GE,
                                 OP_NE, '~', OP_XOR, ',', '!', ';'};
    const double values[] = {0, 1, -1, 2, 3, 7, -7, 0.5, 2.5, 1e300, -1e300, 4294967296.0,
                             9.3e18, -9.3e18, NAN, INFINITY};
    int stops = 0;
    for (int n = 0; n < 200000; n++) {
        lv.opCount = (int)(rng() % (EXPR_MAX_OPS + 1));
        lv.itemCount = lv.opCount + 1 - (rng() % 8 == 0);     // now and then a missing operand
        for (int i = 0; i < lv.opCount; i++) lv.ops[i] = ops[rng() % (rng() % 4 ? 8 : sizeof ops)];
        for (int i = 0; i < lv.itemCount; i++) {
            lv.items[i].kind = rng() % 40 ? EK_NUMBER : EK_TEXT;
            lv.items[i].number = values[rng() % (sizeof values / sizeof values[0])];
        }
        int start = lv.opCount ? (int)(rng() % (lv.opCount + 1)) : 0;
        k.error = 0;
        int pos = start;
        double got = 0;
        bool ok = ParseNumbers(k, lv, &pos, &got);
        int gotError = k.error;
        k.error = 0;
        Parser ref{k, lv, start};
        double want = 0;
        bool refOk = ref.Expression(&want);
        ASSERT_EQ(ok, refOk) << n;
        ASSERT_EQ(gotError, k.error) << n;
        if (!ok) continue;
        stops++;
        ASSERT_EQ(pos, ref.pos) << n;
        // Which operand's not-a-number an operation passes on is the
        // compiler's choice; any not-a-number stands for any other.
        if (std::isnan(got) && std::isnan(want)) continue;
        ASSERT_EQ(memcmp(&got, &want, sizeof got), 0) << n << ": " << got << " against " << want;
    }
    EXPECT_GT(stops, 50000);
}

}  // namespace
