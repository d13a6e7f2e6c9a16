// DecodeLine: statement lines, assignments and implicit calls, argument
// splitting and classes, and the refusal of malformed lines.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "engine/keltra.h"

namespace {

struct Decoder : ::testing::Test {
    Keltra k;
    StatementRecord* rec = nullptr;
    std::string line;   // the line as DecodeLine left it
    void SetUp() override {
        ASSERT_EQ(k.Prepare(), 1);
        rec = k.NewStatementRecord(MAX_ARGS);
    }
    void TearDown() override { Keltra::FreeStatementRecord(rec); }
    int Decode(const std::string& text) {
        std::vector<char> buf(text.begin(), text.end());
        buf.push_back(0);
        k.error = 0;
        int rc = k.DecodeLine(rec, buf.data());
        line = buf.data();
        return rc;
    }
    std::vector<std::string> Args() {
        std::vector<std::string> a;
        for (int i = 0; i < rec->argCount; i++) a.push_back(rec->argText[i]);
        return a;
    }
    std::vector<int> Classes() {
        std::vector<int> c;
        for (int i = 0; i < rec->argCount; i++) c.push_back(rec->argClass[i]);
        return c;
    }
};

const std::string PRINT = "\xff\xe0\xe0";    // code 0
const std::string IF = "\xff\xe0\xe6";       // code 6

}  // namespace

TEST_F(Decoder, StatementLinesSplitAndClassify) {
    struct Case {
        std::string text;
        std::vector<std::string> args;
        std::vector<int> classes;
    };
    const Case cases[] = {
        {PRINT, {}, {}},
        {PRINT + "   ", {}, {}},
        {PRINT + " a, b", {"a", " b"}, {AC_NAME, AC_NAME}},          // blanks stay
        {PRINT + " \"a,b\",[1,2],f(1,2)", {"\"a,b\"", "[1,2]", "f(1,2)"}, {AC_TEXT, AC_NUMBER, AC_EXPRESSION}},  // the first digit decides, even in brackets
        {PRINT + " 12,.5,-3,x+1", {"12", ".5", "-3", "x+1"}, {AC_NUMBER, AC_NUMBER, AC_EXPRESSION, AC_EXPRESSION}},
        {PRINT + " m[i+1],m[1]+2", {"m[i+1]", "m[1]+2"}, {AC_NAME, AC_EXPRESSION}},
        {PRINT + " a,,b", {"a", "", "b"}, {AC_NAME, AC_OTHER, AC_NAME}},
        {PRINT + " #p,\xfe\xe4\xe8,\xff\xe5\xef(1)", {"#p", "\xfe\xe4\xe8", "\xff\xe5\xef(1)"}, {AC_NAME, AC_EXPRESSION, AC_EXPRESSION}},
        {PRINT + " \"x\"+y", {"\"x\"+y"}, {AC_EXPRESSION}},
        {PRINT + " \"a-b\"", {"\"a-b\""}, {AC_TEXT}},
        {PRINT + " (a, b)", {"a", " b "}, {AC_NAME, AC_NAME}},              // wrapping pair goes
        {PRINT + " (a), b", {"(a)", " b"}, {AC_EXPRESSION, AC_NAME}},       // closed before the comma
        {IF + " (a, b)", {"(a, b)"}, {AC_EXPRESSION}},                       // not for the conditional
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Decode(c.text), 0) << c.text;
        EXPECT_EQ(rec->code, (c.text[2] & 0x0F) | ((c.text[1] & 0x0F) << 4));
        EXPECT_EQ(Args(), c.args) << c.text;
        EXPECT_EQ(Classes(), c.classes) << c.text;
        EXPECT_EQ(rec->resultType, T_NONE);
        EXPECT_EQ(rec->redirect, 0);
    }
}

TEST_F(Decoder, TwentySixArgumentsCutTheLineForGood) {
    std::string text = PRINT + " ";
    for (int i = 0; i < 26; i++) text += (i ? "," : "") + std::to_string(i);
    ASSERT_EQ(Decode(text), 0);
    EXPECT_EQ(rec->argCount, 25);
    EXPECT_STREQ(rec->argText[24], "24");
    EXPECT_EQ(line.substr(line.size() - 3), ",24");    // the image line ends there now
}

TEST_F(Decoder, EnclosingParenthesesAreBlankedInTheLine) {
    ASSERT_EQ(Decode(PRINT + "(a, b)"), 0);
    EXPECT_EQ(line, PRINT + " a, b ");
}

TEST_F(Decoder, RefusesMalformedLines) {
    struct Case { std::string text; int error; };
    const Case cases[] = {
        {PRINT + " f(1", ERR_PARENS},
        {PRINT + " f(1),g(", ERR_PARENS},
        {"\xff\xef\xe9", ERR_BAD_CODE},          // 249
        {"\xff\xef\xef x", ERR_BAD_CODE},        // 255
        {"\xff\xf0\xe0", ERR_BAD_CODE},
        {"\xff\xe0\x41", ERR_BAD_CODE},
        {"\xff\xe0", ERR_BAD_CODE},
        {"\xff", ERR_BAD_CODE},
        {PRINT + " " + std::string(256, 'x'), ERR_TOO_LONG},
        {PRINT + " 1," + std::string(300, 'x') + ",2", ERR_TOO_LONG},
        {"x = " + std::string(256, 'y'), ERR_TOO_LONG},
        {std::string(256, 'x') + " = 1", ERR_TOO_LONG},
        {"nosuchsub 1, 2", ERR_SYNTAX},
    };
    for (const Case& c : cases) {
        EXPECT_NE(Decode(c.text), 0) << c.text;
        EXPECT_EQ(k.error, c.error) << c.text;
    }
    EXPECT_EQ(Decode(PRINT + " " + std::string(255, 'x')), 0);   // 255 characters fit
    EXPECT_EQ(strlen(rec->argText[0]), 255u);
}

TEST_F(Decoder, AssignmentValueClasses) {
    struct Case { const char* text; const char* name; const char* value; int cls; };
    const Case cases[] = {
        {"x = 5", "x", "5", AC_NUMBER},
        {"x=-5", "x", "-5", AC_EXPRESSION},
        {"x = .5 ", "x", ".5", AC_NUMBER},
        {"  total \t= y", "total", "y", AC_NAME},
        {"x = y", "x", "y", AC_NAME},
        {"x = m[i+1]", "x", "m[i+1]", AC_NAME},
        {"x = m[i+1]+z", "x", "m[i+1]+z", AC_EXPRESSION},
        {"x = \"a\" + \"b\"", "x", "\"a\" + \"b\"", AC_EXPRESSION},
        {"x = \"a\" - \"b\"", "x", "\"a\" - \"b\"", AC_TEXT},
        {"x = \"a=b\"", "x", "\"a=b\"", AC_TEXT},
        {"x = f\"a+b\"", "x", "f\"a+b\"", AC_NAME},
        {"x = (1)", "x", "(1)", AC_EXPRESSION},
        {"x = \xfe\xe1\xe1", "x", "\xfe\xe1\xe1", AC_EXPRESSION},
        {"x = \xff\xe5\xef(1)", "x", "\xff\xe5\xef(1)", AC_EXPRESSION},
        {"x = y", "x", "y", AC_NAME},
        {"x = ", "x", "", AC_OTHER},
        {"x = $", "x", "$", AC_OTHER},
        {"x = $+1", "x", "$+1", AC_EXPRESSION},
        {"a[1,2] = 3", "a[1,2]", "3", AC_NUMBER},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Decode(c.text), 0) << c.text;
        EXPECT_EQ(rec->code, 20);
        EXPECT_EQ(rec->argCount, 2);
        EXPECT_STREQ(rec->argText[0], c.name) << c.text;
        EXPECT_STREQ(rec->argText[1], c.value) << c.text;
        EXPECT_EQ(rec->argClass[1], c.cls) << c.text;
        EXPECT_EQ(line, c.text);                 // the line is left as it was
    }
}

TEST_F(Decoder, ImplicitCallsBecomeCallStatements) {
    char show[] = "show";
    char ext[] = "ext";
    ASSERT_NE(k.CreateVariable(show, T_LABEL_0, 0, nullptr), nullptr);
    Variable* lib = k.CreateVariable(ext, T_LABEL_0, 0, nullptr);
    ASSERT_NE(lib, nullptr);
    lib->isDll = 1;
    struct Case { const char* text; int code; std::vector<std::string> args; };
    const Case cases[] = {
        {"show", 44, {"show"}},
        {"show  ", 44, {"show"}},
        {"show()", 44, {"show"}},
        {"show ( )", 44, {"show"}},
        {"show(1, 2)", 44, {"show", "1", " 2 "}},
        {"show 1, 2", 44, {"show", "1", " 2"}},
        {"show (1), 2", 44, {"show", "(1)", " 2"}},
        {"ext(7)", 120, {"ext", "7 "}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Decode(c.text), 0) << c.text;
        EXPECT_EQ(rec->code, c.code) << c.text;
        EXPECT_EQ(Args(), c.args) << c.text;
        EXPECT_EQ(line, c.text);                 // the image line is untouched
        ASSERT_NE(rec->rewrite, nullptr);        // the statement text lives on
        EXPECT_GE(rec->statementText, rec->rewrite);
    }
    std::string longest = "show " + std::string(246, 'x');
    EXPECT_EQ(Decode(longest), 0);
    EXPECT_NE(Decode(longest + "x"), 0);
    EXPECT_EQ(k.error, ERR_TOO_LONG);
    k.prepared = 0;                              // the label pre-pass refuses calls
    EXPECT_NE(Decode("show"), 0);
    EXPECT_EQ(k.error, ERR_SYNTAX);
}
