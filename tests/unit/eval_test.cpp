// Value records, the expression evaluator and the constant table, where a
// program cannot look: the exact type and fields a handler receives, how a
// function item's arguments are re-encoded, re-entrant calls, and limits
// that no program line can reach (an argument text holds 255 characters).
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "engine/keltra.h"
#include "eval/constants.h"

namespace {

std::string Marker(int code) {
    return std::string{'\xFF', char(0xE0 + code / 16), char(0xE0 + code % 16)};
}
std::string Constant(int index) {
    return std::string{'\xFE', char(0xE0 + index / 16), char(0xE0 + index % 16)};
}

// An interpreter with a probe handler that records the records it gets.
struct ProbeKeltra : Keltra {
    struct Call {
        int code, argCount;
        std::vector<std::string> args;
        std::vector<int> classes;
    };
    std::vector<Call> calls;
    int resultType = T_DOUBLE;
    double result = 42.0;
    std::string text = "probe";
    std::string nested;               // an expression the probe evaluates itself
    double nestedValue = 0;

    StatementRecord* Probe(StatementRecord* rec) {
        Call c{rec->code, rec->argCount, {}, {}};
        for (int i = 0; i < rec->argCount; i++) {
            c.args.push_back(rec->argText[i]);
            c.classes.push_back(rec->argClass[i]);
        }
        calls.push_back(c);
        if (!nested.empty()) nestedValue = EvaluateExpression(nested.c_str());
        switch (resultType) {
        case T_DOUBLE: SetResultDouble(rec, result); break;
        case T_INT:    SetResultInt(rec, (int32_t)result); break;
        case T_FLOAT:  SetResultFloat(rec, (float)result); break;
        case T_INT64:  SetResultInt64(rec, (int64_t)result); break;
        case T_STRING: SetResultText(rec, text.c_str()); break;
        default:       break;                         // no result
        }
        return rec;
    }
};

constexpr int kProbeSlot = 95;        // a function slot taken over by the probe

class Eval : public ::testing::Test {
protected:
    ProbeKeltra k;
    void SetUp() override {
        ASSERT_EQ(k.Prepare(), 1);
        k.handlers[kProbeSlot] = static_cast<Handler>(&ProbeKeltra::Probe);
        k.handlers[44] = static_cast<Handler>(&ProbeKeltra::Probe);
        k.handlers[120] = static_cast<Handler>(&ProbeKeltra::Probe);
    }

    Variable* Declare(const char* name, int type) {
        std::vector<char> buf(name, name + strlen(name) + 1);
        Variable* v = k.CreateVariable(buf.data(), type, type == T_LABEL_0 ? 0 : 1, nullptr);
        EXPECT_NE(v, nullptr) << name;
        return v;
    }
    void SetInt(const char* name, int32_t value) {
        Variable* v = Declare(name, T_INT);
        memcpy(v->data, &value, sizeof value);
    }

    // Evaluates and returns the number; *code gets the error code.
    double Eval1(const std::string& text, int* code = nullptr) {
        k.error = 0;
        double d = k.EvaluateExpression(text.c_str());
        if (code) *code = k.error;
        else EXPECT_EQ(k.error, 0) << "expression: " << text;
        return d;
    }
    std::string Text() { return (const char*)k.sysString->data; }

    // One argument in statement record A.
    ValueRecord* Arg(const std::string& text, int cls, int expected, ValueRecord* out) {
        StatementRecord* rec = k.recA;
        snprintf(rec->argText[0], ARG_TEXT_SIZE, "%s", text.c_str());
        rec->argClass[0] = cls;
        rec->argCount = 1;
        k.error = 0;
        return k.EvaluateArgument(out, rec, 0, expected);
    }
};

// ---- EvaluateArgument --------------------------------------------------------

TEST_F(Eval, NumberLiteralsArriveByTheirForm) {
    ValueRecord v;
    ASSERT_TRUE(Arg("1.5", AC_NUMBER, T_ANYTHING, &v));
    EXPECT_EQ(v.type, T_FLOAT);
    EXPECT_EQ(v.doubleValue, 1.5);
    EXPECT_EQ(v.floatValue, 1.5f);
    EXPECT_EQ(v.intValue, 1);

    ASSERT_TRUE(Arg("-1.5", AC_EXPRESSION, T_ANYTHING, &v));
    EXPECT_EQ(v.type, T_DOUBLE);
    EXPECT_EQ(v.intValue, -1);
    EXPECT_EQ(v.int64Value, -1);

    ASSERT_TRUE(Arg("5000000000", AC_NUMBER, T_ANYTHING, &v));
    EXPECT_EQ(v.type, T_INT64);
    EXPECT_EQ(v.int64Value, 5000000000LL);
    EXPECT_EQ(v.intValue, (int32_t)(5000000000LL & 0xFFFFFFFF));
    EXPECT_EQ(v.doubleValue, 5e9);

    ASSERT_TRUE(Arg("0xFFFFFFFF", AC_NUMBER, T_ANYTHING, &v));
    EXPECT_EQ(v.type, T_INT);
    EXPECT_EQ(v.intValue, -1);
    EXPECT_EQ(v.int64Value, 4294967295LL);

    ASSERT_TRUE(Arg("0x1FFFFFFFF", AC_NUMBER, T_ANYTHING, &v));   // beyond 32 bits: all set
    EXPECT_EQ(v.int64Value, 4294967295LL);

    ASSERT_TRUE(Arg("1e5", AC_NUMBER, T_ANYTHING, &v));
    EXPECT_EQ(v.type, T_INT);
    EXPECT_EQ(v.intValue, 1);

    ASSERT_TRUE(Arg("0x1.8p1", AC_NUMBER, T_ANYTHING, &v));       // no hexadecimal fractions
    EXPECT_EQ(v.type, T_FLOAT);
    EXPECT_EQ(v.doubleValue, 0.0);

    ASSERT_TRUE(Arg("7", AC_NUMBER, T_WINDOW_OR_DIALOG, &v));
    EXPECT_EQ(v.type, T_WINDOW);
    EXPECT_EQ(v.handle, 7u);
    ASSERT_TRUE(Arg("7", AC_NUMBER, T_WINDOW, &v));
    EXPECT_EQ(v.type, T_WINDOW);
}

TEST_F(Eval, TextLiteralsLoseTheirQuotes) {
    ValueRecord v;
    ASSERT_TRUE(Arg("\"a,b\"", AC_TEXT, T_STRING, &v));
    EXPECT_STREQ(v.text, "a,b");
    ASSERT_TRUE(Arg(" \"x\"", AC_TEXT, T_STRING, &v));            // the blank is taken as the quote
    EXPECT_STREQ(v.text, "\"x");
    EXPECT_EQ(Arg("\"open", AC_TEXT, T_STRING, &v), nullptr);
    EXPECT_EQ(k.error, ERR_SYNTAX);
}

TEST_F(Eval, NamesFillTheFieldsOfTheirType) {
    SetInt("i", -7);
    ValueRecord v;
    ASSERT_TRUE(Arg("i", AC_NAME, T_ANY_NUMBER, &v));
    EXPECT_EQ(v.type, T_INT);
    EXPECT_EQ(v.intValue, -7);
    EXPECT_EQ(v.int64Value, -7);
    EXPECT_EQ(v.doubleValue, -7.0);
    EXPECT_EQ(v.variable->type, T_INT);
    EXPECT_EQ(v.address, v.variable->data);

    Variable* w = Declare("w", T_WORD);
    uint16_t word = 65535;
    memcpy(w->data, &word, 2);
    ASSERT_TRUE(Arg("w", AC_NAME, T_ANY_NUMBER, &v));
    EXPECT_EQ(v.intValue, 65535);

    Variable* u = Declare("u", T_UINT);
    uint32_t big = 4000000000u;
    memcpy(u->data, &big, 4);
    ASSERT_TRUE(Arg("u", AC_NAME, T_INT, &v));                    // UINT passes for INT
    EXPECT_EQ(v.int64Value, 4000000000LL);
    EXPECT_EQ(v.doubleValue, 4e9);

    Variable* q = Declare("q", T_INT64);
    int64_t x = -5000000000LL;
    memcpy(q->data, &x, 8);
    ASSERT_TRUE(Arg("q", AC_NAME, T_ANY_NUMBER, &v));
    EXPECT_EQ(v.int64Value, x);
    EXPECT_EQ(v.doubleValue, -5e9);
    EXPECT_EQ(v.intValue, (int32_t)(uint32_t)(uint64_t)x);

    ASSERT_TRUE(Arg("SYSTEM_STRING0", AC_NAME, T_STRING, &v));
    EXPECT_EQ(v.type, T_STRING);
}

TEST_F(Eval, ArgumentErrors) {
    Declare("lab", T_LABEL_0);
    Declare("s", T_STRING);
    SetInt("i", 1);
    struct Case { const char* text; int cls, expected, code; } cases[] = {
        {"", AC_OTHER, T_ANYTHING, ERR_SYNTAX},
        {"lab", AC_NAME, T_ANYTHING, ERR_SYNTAX},            // a label is no value
        {"nosuch", AC_NAME, T_ANYTHING, ERR_NOT_FOUND},
        {"s", AC_NAME, T_ANY_NUMBER, ERR_NOT_NUMBER},
        {"1+1", AC_EXPRESSION, T_INT, ERR_NOT_INTEGER},      // computed numbers are DOUBLE
        {"i", AC_NAME, T_WINDOW_OR_DIALOG, ERR_TYPE},
        {"1.5", AC_NUMBER, T_DOUBLE, ERR_TYPE},
        {"\"t\"", AC_TEXT, T_INT, ERR_NOT_INTEGER},
    };
    for (const Case& c : cases) {
        ValueRecord v;
        EXPECT_EQ(Arg(c.text, c.cls, c.expected, &v), nullptr) << c.text;
        EXPECT_EQ(k.error, c.code) << c.text;
    }
    ValueRecord v;
    k.error = 0;
    k.recA->argCount = 2;
    EXPECT_EQ(k.EvaluateArgument(&v, k.recA, 3, T_ANYTHING), nullptr);
    EXPECT_EQ(k.error, ERR_ARG_COUNT);
}

TEST_F(Eval, EventWindowConstantIsAWindow) {
    ValueRecord v;
    k.constants[72] = 0;
    ASSERT_TRUE(Arg(Constant(72), AC_EXPRESSION, T_WINDOW_OR_DIALOG, &v));
    EXPECT_EQ(v.type, T_WINDOW);
    EXPECT_EQ(v.variable, nullptr);
    EXPECT_EQ(k.error, 0);
}

// ---- EvaluateExpression: numbers ---------------------------------------------

TEST_F(Eval, PrecedenceAndOperators) {
    struct Case { const char* text; double value; } cases[] = {
        {"2 + 3 * 4", 14}, {"(2 + 3) * 4", 20}, {"2 ^ 3 ^ 2", 64}, {"-2 ^ 2", 4},
        {"1 < 2 & 3", 1}, {"5 | 2 = 7", 5}, {"7 % 3", 1}, {"-7 % 3", -1}, {"6 || 3", 5},
        {"10 - 4 - 3", 3}, {"100 / 10 / 5", 2}, {"2 * -3", -6}, {"5 - -2", 7}, {"--5", -5},
        {"1 <= 1", 1}, {"2 >= 3", 0}, {"1 <> 2", 1}, {"1 ~ 1", 0}, {"3 > 2 > 0", 1},
        {"&H10", 16}, {"&hff + 1", 256}, {"0x10", 16}, {"1.5e2", 150}, {".5 * 4", 2},
        {"1e5", 1}, {"&HFFFFFFFFFF", 4294967295.0}, {"((((7))))", 7}, {"(1, 2)", 1},
        {"", 0}, {"-(2 + 3)", -5}, {"2 * (3 + (4 - 1)) / 3", 4}, {"12 & 10 | 1", 9},
        {"-1 || 0", -1}, {"9 % -4", 1}, {"1 = 1 = 1", 1}, {"3 - 1 < 2", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(Eval1(c.text), c.value) << c.text;
}

TEST_F(Eval, ExpressionErrors) {
    std::string ops15 = "1";
    for (int i = 0; i < 15; i++) ops15 += "+1";
    std::string nest30(30, '('), nest28(28, '(');
    nest30 += "1" + std::string(30, ')');
    nest28 += "1" + std::string(28, ')');
    struct Case { std::string text; int code; } cases[] = {
        {"1 / 0", ERR_DIV_ZERO}, {"7 % 0", ERR_DIV_ZERO}, {"7 % 0.5", ERR_DIV_ZERO},
        {"\"a\" + 1", ERR_SYNTAX}, {"1 + \"a\"", ERR_SYNTAX}, {"\"a\" * 2", ERR_SYNTAX},
        {ops15, ERR_TOO_MANY_OPS}, {nest30, ERR_EXPR_TOO_LONG},
        {"@NOSUCH + 1", ERR_NO_NAMED_VALUE}, {"\"open + 1", ERR_SYNTAX},
        {"1 +", ERR_SYNTAX}, {"1 ! 2", ERR_SYNTAX}, {"1 ; 2", ERR_SYNTAX}, {"(1,)", ERR_SYNTAX},
        {Constant(498), ERR_BAD_CONSTANT}, {"\xFE\xFF\xEF", ERR_BAD_CONSTANT}, {"\xFE", ERR_BAD_CONSTANT},
        {"nosuch + 1", ERR_NOT_FOUND}, {std::string(1024, '1'), ERR_TOO_LONG},
        {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16", ERR_TOO_MANY_OPS},
        {"\x04\x01", ERR_SYNTAX}, {"(", ERR_PARENS},
    };
    for (const Case& c : cases) {
        int code;
        EXPECT_EQ(Eval1(c.text, &code), 0.0) << c.text;
        EXPECT_EQ(code, c.code) << c.text;
    }
    std::string ops14 = "1";
    for (int i = 0; i < 14; i++) ops14 += "+1";
    EXPECT_EQ(Eval1(ops14), 15);
    EXPECT_EQ(Eval1(nest28), 1);
}

TEST_F(Eval, ConstantsAndNamedValuesReadUnsigned) {
    EXPECT_EQ(Eval1(Constant(219)), 4294967295.0);
    EXPECT_EQ(Eval1(Constant(213)), 4294967294.0);
    EXPECT_EQ(Eval1(Constant(12)), 2147483648.0);
    EXPECT_EQ(Eval1(Constant(497) + " + 1"), 1);
    EXPECT_EQ(Eval1("\xFE\xFF\xE1"), 0);                       // entry 497 by its own bytes
    k.namedValues.Set("SPEED", -1);
    k.namedValues.Set("A_B", 3);
    EXPECT_EQ(Eval1("@speed"), 4294967295.0);
    EXPECT_EQ(Eval1("@a_b*2"), 6);
    ValueRecord v;
    ASSERT_TRUE(Arg(Constant(219), AC_EXPRESSION, T_ANY_NUMBER, &v));
    EXPECT_EQ(v.intValue, -1);                                  // back to 32 bits: -1 again
}

TEST_F(Eval, VariablesInExpressions) {
    SetInt("a", 6);
    SetInt("b", -4);
    Variable* d = Declare("d", T_DOUBLE);
    double half = 0.5;
    memcpy(d->data, &half, 8);
    EXPECT_EQ(Eval1("a * b"), -24);
    EXPECT_EQ(Eval1("-a + 1"), -5);
    EXPECT_EQ(Eval1("(-a) + 1"), -5);
    EXPECT_EQ(Eval1("(a)"), 6);                                   // a single name
    EXPECT_EQ(Eval1("-(a)"), -6);
    EXPECT_EQ(Eval1("d + a"), 6.5);
    EXPECT_EQ(Eval1("DECIMAL_PREC + 0"), 2);
    char arr[] = "arr[4]";
    Variable* a = k.CreateVariable(arr, T_INT, 1, nullptr);
    ASSERT_NE(a, nullptr);
    reinterpret_cast<int32_t*>(a->base)[2] = 9;
    EXPECT_EQ(Eval1("arr[1+1] * 2"), 18);
    EXPECT_EQ(Eval1("arr[(a - 4)] + 1"), 10);                     // parentheses inside an index
}

// ---- EvaluateExpression: texts -----------------------------------------------

TEST_F(Eval, TextsJoinAndCompare) {
    EXPECT_EQ(Eval1("\"ab\" + \"cd\""), 0);
    EXPECT_TRUE(k.textResult);
    EXPECT_EQ(Text(), "abcd");
    struct Case { const char* text; double value; } cases[] = {
        {"\"ab\" = \"ab\"", 1}, {"\"ab\" = \"ac\"", 0}, {"\"a\" < \"b\"", 1}, {"\"b\" <= \"a\"", 0},
        {"\"abc\" <> \"abd\"", 1}, {"\"b\" > \"abc\"", 1}, {"\"\xE9\" > \"a\"", 1},
        {"\"ab\" + \"c\" = \"abc\"", 1}, {"\"x\" ~ \"x\"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Eval1(c.text), c.value) << c.text;
        EXPECT_FALSE(k.textResult) << c.text;
    }
    EXPECT_EQ(Eval1("(\"(\" + \")\") + \"x\""), 0);               // parentheses inside texts
    EXPECT_EQ(Text(), "()x");
    EXPECT_EQ(Eval1("\"a\" - \"b\""), 0);                         // other operators leave the text
    EXPECT_TRUE(k.textResult);
    EXPECT_EQ(Text(), "a");
    Variable* s = Declare("s", T_STRING);
    strcpy((char*)s->data, "hey");
    EXPECT_EQ(Eval1("s + \"!\""), 0);
    EXPECT_EQ(Text(), "hey!");
    EXPECT_EQ(Eval1("(s)"), 0);
    EXPECT_TRUE(k.textResult);
    EXPECT_EQ(Text(), "hey");
}

TEST_F(Eval, TwentyEightTextsAndNoMore) {
    std::string e28 = "\"a\"", e29;
    for (int i = 0; i < 27; i++) e28 = "(" + e28 + ")";            // 27 levels and the top
    e29 = "(" + e28 + ")";
    EXPECT_EQ(Eval1(e28), 0);
    EXPECT_EQ(Text(), "a");
    int code;
    Eval1(e29, &code);
    EXPECT_EQ(code, ERR_EXPR_TOO_LONG);
}

// ---- function items ----------------------------------------------------------

TEST_F(Eval, FunctionItemsCallTheirHandlerOnceWithReencodedArguments) {
    SetInt("x", 3);
    std::string f = Marker(kProbeSlot);
    EXPECT_EQ(Eval1(f + "(1, 2.5, \"t\", x, -x, 1 + 1) + 1"), 43);
    ASSERT_EQ(k.calls.size(), 1u);
    const ProbeKeltra::Call& c = k.calls[0];
    EXPECT_EQ(c.code, kProbeSlot);
    ASSERT_EQ(c.argCount, 6);
    EXPECT_EQ(c.args[0], "1");
    EXPECT_EQ(c.args[1], "2.5000000000000000");
    EXPECT_EQ(c.args[2], "\"t\"");
    EXPECT_EQ(c.args[3], "x");
    EXPECT_EQ(c.args[4], "-x");
    EXPECT_EQ(c.args[5], "2");
    EXPECT_EQ(c.classes, (std::vector<int>{AC_NUMBER, AC_NUMBER, AC_TEXT, AC_NAME, AC_EXPRESSION, AC_NUMBER}));

    k.calls.clear();
    EXPECT_EQ(Eval1(f + "() * 2"), 84);                            // an empty argument list
    ASSERT_EQ(k.calls.size(), 1u);
    EXPECT_EQ(k.calls[0].argCount, 0);

    k.calls.clear();
    EXPECT_EQ(Eval1(f + " + 1"), 43);                              // no list: run by the lookup
    EXPECT_EQ(k.calls.size(), 1u);

    k.calls.clear();
    EXPECT_EQ(Eval1(f + "(10 ^ 300)"), 42);
    const std::string& big = k.calls[0].args[0];                   // too long for "%.16f"
    EXPECT_NE(big.find(".0000000000000"), std::string::npos) << big;
    EXPECT_NE(big.find("e+300"), std::string::npos) << big;
    EXPECT_EQ(strtod(big.c_str(), nullptr), pow(10, 300));

    k.calls.clear();
    int code;
    Eval1(f + "(\"" + std::string(254, 'a') + "\")", &code);     // 256 with its quotes: too long
    EXPECT_EQ(code, ERR_TOO_LONG);
    EXPECT_TRUE(k.calls.empty());
    EXPECT_EQ(Eval1(f + "(\"" + std::string(253, 'a') + "\")"), 42);
    EXPECT_EQ(k.calls[0].args[0].size(), 255u);
}

TEST_F(Eval, SubroutineNamesAsFunctionsAndValues) {
    Declare("f", T_LABEL_0);
    Variable* lib = Declare("g", T_LABEL_0);
    lib->isDll = 1;
    EXPECT_EQ(Eval1("f(7) + 1"), 43);
    ASSERT_EQ(k.calls.size(), 1u);
    EXPECT_EQ(k.calls[0].code, 44);
    EXPECT_EQ(k.calls[0].args, (std::vector<std::string>{"f", "7"}));
    EXPECT_EQ(k.calls[0].classes[0], AC_NAME);

    k.calls.clear();
    EXPECT_EQ(Eval1("g()"), 42);
    ASSERT_EQ(k.calls.size(), 1u);
    EXPECT_EQ(k.calls[0].code, 120);
    EXPECT_EQ(k.calls[0].args, (std::vector<std::string>{"g"}));

    k.calls.clear();
    k.resultType = T_INT;
    k.result = 5;
    EXPECT_EQ(Eval1("-(f)"), -5);                                  // a subroutine name alone
    ASSERT_EQ(k.calls.size(), 1u);
    EXPECT_EQ(k.calls[0].code, 44);
    EXPECT_EQ(k.calls[0].args, (std::vector<std::string>{"f"}));

    k.calls.clear();
    k.resultType = T_STRING;
    EXPECT_EQ(Eval1("f"), 0);
    EXPECT_TRUE(k.textResult);
    EXPECT_EQ(Text(), "probe");
    EXPECT_EQ(k.calls.size(), 1u);

    SetInt("n", 1);
    int code;
    Eval1("n(1)", &code);                                          // not a subroutine
    EXPECT_EQ(code, ERR_SYNTAX);
}

TEST_F(Eval, ResultsAreReadByTheirType) {
    std::string f = Marker(kProbeSlot) + "()";
    struct Case { int type; double result, value; } cases[] = {
        {T_DOUBLE, 2.5, 2.5}, {T_INT, -3, -3}, {T_FLOAT, 0.25, 0.25}, {T_INT64, 6e9, 6e9},
    };
    for (const Case& c : cases) {
        k.resultType = c.type;
        k.result = c.result;
        EXPECT_EQ(Eval1(f), c.value) << c.type;
        EXPECT_FALSE(k.textResult);
    }
    k.resultType = T_STRING;
    k.text = "ok";
    EXPECT_EQ(Eval1(f + " + \"!\""), 0);
    EXPECT_EQ(Text(), "ok!");
    k.resultType = T_NONE;                                         // a handler that yields nothing
    int code;
    Eval1(f + " + 1", &code);
    EXPECT_EQ(code, ERR_SYNTAX);
}

TEST_F(Eval, HandlersMayEvaluateExpressionsThemselves) {
    std::string f = Marker(kProbeSlot);
    k.nested = "(2 + 3) * 2";
    k.resultType = T_STRING;
    k.text = "in";
    Eval1("(" + f + "(1) + \"|\") + " + f + "(2)");
    EXPECT_TRUE(k.textResult);
    EXPECT_EQ(k.nestedValue, 10);
    EXPECT_EQ(Text(), "in|in");
    EXPECT_EQ(k.calls.size(), 2u);
}

// ---- results and constants ---------------------------------------------------

TEST_F(Eval, ResultTextMayOverlapTheResultStorage) {
    StatementRecord* rec = k.recA;
    k.SetResultText(rec, "abcdef");
    EXPECT_EQ(rec->resultType, T_STRING);
    char* store = (char*)k.sysString->data;
    k.SetResultText(rec, store + 2);
    EXPECT_EQ(Text(), "cdef");
    k.SetResultText(rec, store);
    EXPECT_EQ(Text(), "cdef");
    std::string huge(70000, 'z');
    k.SetResultText(rec, huge.c_str());
    EXPECT_EQ(Text().size(), 65535u);
    k.SetResultText(rec, nullptr);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(k.ResultVariable(T_UINT), k.sysInt);
    EXPECT_EQ(k.ResultVariable(T_UINT64), k.sysInt64);
    EXPECT_EQ(k.ResultVariable(T_NONE), nullptr);
    k.SetResultInt64(rec, 1, T_UINT64);
    EXPECT_EQ(rec->resultType, T_UINT64);
}

TEST(EvalConstants, StartingValuesAndIndices) {
    int32_t t[CONSTANT_COUNT];
    FillConstants(t);
    struct Case { int index; int32_t value; } cases[] = {
        {0, 0}, {5, 0x20000}, {12, (int32_t)0x80000000}, {76, 0xA00003}, {84, 6},
        {199, 13}, {202, 16}, {213, -2}, {219, -1}, {233, -1}, {237, -108}, {245, 0x702},
        {293, 29}, {294, 31}, {300, 37}, {416, 29}, {434, 47}, {490, 0x800F}, {497, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(t[c.index], c.value) << c.index;
    EXPECT_EQ(ConstantIndex(0xE4, 0xE8), 72);
    EXPECT_EQ(ConstantIndex(0xFF, 0xE1), 497);
    EXPECT_EQ(ConstantIndex(0xFF, 0xE2), -1);
    EXPECT_EQ(ConstantIndex(0xFF, 0xFF), -1);
    EXPECT_EQ(ConstantIndex(0xE0, 0x41), -1);
}

}  // namespace
