// Computing one level from its items and operators: names become values,
// negation is applied, and the comma-separated parts are built with the
// precedence parser (numbers) or the text operators.
#include <cmath>
#include <cstring>
#include "eval/expression.h"

namespace {

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

}  // namespace

// Binding strength of each operator code in the precedence parser, from
// "&" and "|" (1) to "^" (5); 0 for the comma and anything no level takes.
struct Precedence {
    unsigned char of[256] = {};
    constexpr Precedence() {
        of['&'] = of['|'] = 1;
        of['<'] = of['>'] = of['='] = of[OP_LE] = of[OP_GE] = of[OP_NE] = of['~'] = 2;
        of['+'] = of['-'] = 3;
        of['*'] = of['/'] = of['%'] = of[OP_XOR] = 4;
        of['^'] = 5;
    }
};
constexpr Precedence kPrecedence;

int OperatorStrength(unsigned char op) { return kPrecedence.of[op]; }

// One numeric operator over *v and r.
bool Apply(Keltra& k, unsigned char op, double* v, double r) {
    switch (op) {
    case '^': *v = pow(*v, r); return true;
    case '*': *v *= r; return true;
    case '/':
        if (r == 0.0) return Fail(k, ERR_DIV_ZERO);
        *v /= r;
        return true;
    case '%': {
        int64_t a = TruncateToInt64(*v), b = TruncateToInt64(r);
        if (b == 0) return Fail(k, ERR_DIV_ZERO);
        *v = b == -1 ? 0.0 : (double)(a % b);    // INT64_MIN % -1 would trap
        return true;
    }
    case OP_XOR: {
        uint32_t x = (uint32_t)TruncateToInt64(*v) ^ (uint32_t)TruncateToInt64(r);
        *v = (double)(int32_t)x;
        return true;
    }
    case '+': *v = *v + r; return true;
    case '-': *v = *v - r; return true;
    case '&':
    case '|': {
        int64_t a = TruncateToInt64(*v), b = TruncateToInt64(r);
        *v = (double)(op == '&' ? a & b : a | b);
        return true;
    }
    default: {
        bool holds = op == '<' ? *v < r : op == '>' ? *v > r : op == '=' ? *v == r
                   : op == OP_LE ? *v <= r : op == OP_GE ? *v >= r : *v != r;
        *v = holds ? 1.0 : 0.0;
        return true;
    }
    }
}

namespace {

// Every name that is an operand of an operator other than the comma.
bool ResolveNames(Keltra& k, ExprLevel& lv) {
    for (int i = 0; i < lv.opCount; i++) {
        if (lv.ops[i] == ',') continue;
        for (int j = i; j <= i + 1 && j < lv.itemCount; j++)
            if (lv.items[j].kind == EK_NAME && !ResolveName(k, lv.items[j])) return false;
    }
    return true;
}

void ApplyNegation(ExprLevel& lv) {
    for (int i = 0; i < lv.itemCount; i++)
        if ((lv.negated >> (i + 1) & 1) && lv.items[i].kind == EK_NUMBER)
            lv.items[i].number = -lv.items[i].number;
}

bool SetText(Keltra& k, GrowText& t, const char* prefix, const char* text, size_t len) {
    size_t p = strlen(prefix);
    if (t.Reserve((uint32_t)(p + len + 1)) < p + len + 1) return Fail(k, ERR_NO_MEMORY);
    memcpy(t.buf, prefix, p);
    memcpy(t.buf + p, text, len);
    t.buf[p + len] = 0;
    return true;
}

bool AppendText(Keltra& k, GrowText& t, const char* text, size_t len) {
    size_t have = t.buf ? strlen(t.buf) : 0;
    if (t.Reserve((uint32_t)(have + len + 1)) < have + len + 1) return Fail(k, ERR_NO_MEMORY);
    memcpy(t.buf + have, text, len);
    t.buf[have + len] = 0;
    return true;
}

// A new part starting as item i (a level without items gives the number 0).
bool StartPart(Keltra& k, ExprLevel& lv, int i) {
    ExprPart& part = lv.parts[lv.partCount++];
    part.kind = EK_NUMBER;
    part.number = 0.0;
    if (i >= lv.itemCount) return true;
    ExprItem& it = lv.items[i];
    part.kind = it.kind;
    part.number = it.number;
    if (it.kind == EK_NUMBER) return true;
    bool minus = it.kind == EK_NAME && (lv.negated >> (i + 1) & 1);
    return SetText(k, part.text, minus ? "-" : "", it.text, it.len);
}

// strcmp of the part's text with an item's text (bytes as unsigned).
int CompareText(const char* a, const ExprItem& b) {
    size_t la = strlen(a);
    int c = memcmp(a, b.text, la < b.len ? la : b.len);
    if (c) return c;
    return la < b.len ? -1 : la > b.len ? 1 : 0;
}

// Two texts under one operator: "+" joins, comparisons give 1 or 0, any
// other operator leaves the part as it is.
bool TextOperator(Keltra& k, ExprPart& part, unsigned char op, const ExprItem& b) {
    if (op == '+') return AppendText(k, part.text, b.text, b.len);
    int c = CompareText(part.text.Text(), b);
    bool holds;
    switch (op) {
    case '=':   holds = c == 0; break;
    case '<':   holds = c < 0; break;
    case '>':   holds = c > 0; break;
    case OP_LE: holds = c <= 0; break;
    case OP_GE: holds = c >= 0; break;
    case OP_NE:
    case '~':   holds = c != 0; break;
    default:    return true;
    }
    part.kind = EK_NUMBER;
    part.number = holds ? 1.0 : 0.0;
    return true;
}

// A text here is the right operand of a numeric operator, or a missing
// operand after a trailing operator: both fail as a mixed operation.
inline bool Operand(Keltra& k, const ExprLevel& lv, int pos, double* v) {
    if (pos >= lv.itemCount || lv.items[pos].kind != EK_NUMBER) return Fail(k, ERR_SYNTAX);
    *v = lv.items[pos].number;
    return true;
}

// Item *pos and the operators that bind at least as strongly as minimum,
// each level left-associative; "^" takes the single next item.
bool Climb(Keltra& k, const ExprLevel& lv, int* pos, int minimum, double* v) {
    if (!Operand(k, lv, *pos, v)) return false;
    while (*pos < lv.opCount) {
        unsigned char op = lv.ops[*pos];
        int strength = kPrecedence.of[op];
        if (strength < minimum || strength == 0) break;
        ++*pos;
        double r;
        if (strength == 5) {
            if (!Operand(k, lv, *pos, &r)) return false;
        } else if (!Climb(k, lv, pos, strength + 1, &r)) {
            return false;
        }
        if (!Apply(k, op, v, r)) return false;
    }
    return true;
}

}  // namespace

// Looks a name item up (a function token without arguments is run by the
// lookup) and makes it a text or number item.
bool ResolveName(Keltra& k, ExprItem& it) {
    char saved = it.text[it.len];
    it.text[it.len] = 0;
    Variable* v = k.FindVariable(it.text, nullptr, 1);
    it.text[it.len] = saved;
    if (!v) return Fail(k, k.error ? k.error : (unsigned char)ERR_SYNTAX);
    return ReadVariable(k, v, it);
}

// Punctuation stored as an operator that no precedence level takes (such
// as "!" or ";") fails as a syntax error.
bool ParseNumbers(Keltra& k, const ExprLevel& lv, int* pos, double* v) {
    if (!Climb(k, lv, pos, 1, v)) return false;
    if (*pos < lv.opCount && lv.ops[*pos] != ',') return Fail(k, ERR_SYNTAX);
    return true;
}

namespace {

bool BuildParts(Keltra& k, ExprLevel& lv) {
    lv.partCount = 0;
    if (!StartPart(k, lv, 0)) return false;
    int i = 0;
    while (i < lv.opCount) {
        unsigned char op = lv.ops[i];
        if (op == ',') {
            if (i + 1 >= lv.itemCount) return Fail(k, ERR_SYNTAX);    // "(1,)"
            if (!StartPart(k, lv, i + 1)) return false;
            i++;
            continue;
        }
        ExprItem& a = lv.items[i];
        ExprPart& part = lv.parts[lv.partCount - 1];
        if (a.kind == EK_NUMBER) {
            double v;
            if (!ParseNumbers(k, lv, &i, &v)) return false;
            part.kind = EK_NUMBER;
            part.number = v;
            continue;
        }
        if (a.kind == EK_NAME) {
            i++;
            continue;
        }
        if (i + 1 >= lv.itemCount || lv.items[i + 1].kind != EK_TEXT) return Fail(k, ERR_SYNTAX);
        if (!TextOperator(k, part, op, lv.items[i + 1])) return false;
        i++;
    }
    return true;
}

}  // namespace

bool ComputeLevel(Keltra& k, ExprLevel& lv) {
    lv.partCount = 0;
    if (lv.noParts) return true;
    if (!ResolveNames(k, lv)) return false;
    ApplyNegation(lv);
    if (!BuildParts(k, lv)) return false;
    if (lv.itemCount > 0)
        k.textResult = lv.items[0].kind == EK_TEXT && (lv.opCount == 0 || lv.ops[0] == '+');
    return true;
}
