// Console behaviour no program can reach: the print form of engine-object
// handles (their values vary from run to run) and the key read without a
// terminal.
#include <gtest/gtest.h>
#include <cstring>
#include <unistd.h>
#include <string>
#include <utility>
#include <vector>
#include "engine/keltra.h"
#include "host/console.h"
#include "runtime/console_state.h"

static std::string Form(Keltra& k, ValueRecord v, size_t room = 64) {
    char out[64];
    size_t n = FormatPrintValue(k, v, out, room);
    EXPECT_EQ(n, strlen(out));
    return out;
}

TEST(ConsolePrint, HandlesPrintAsSixteenHexDigits) {
    Keltra k;
    ValueRecord v{};
    v.handle = 0x1234ABCDu;
    for (unsigned char t : {T_MEMORY, T_DIALOG, T_BFILE, T_USER_0, T_POINTER}) {
        v.type = t;
        EXPECT_EQ(Form(k, v), "000000001234ABCD ");
    }
    v.handle = (uintptr_t)0xFEDCBA9876543210ull;
    v.type = T_POINTER;
    EXPECT_EQ(Form(k, v), "FEDCBA9876543210 ");
}

TEST(ConsolePrint, CutsToTheRoomGiven) {
    Keltra k;
    ValueRecord v{};
    v.type = T_STRING;
    v.text = const_cast<char*>("abcdefgh");
    EXPECT_EQ(Form(k, v, 4), "abc");
    v.type = T_INT64;
    v.int64Value = -1234567;
    EXPECT_EQ(Form(k, v, 5), "-123");
    v.type = T_DOUBLE;
    v.doubleValue = 1e300;
    EXPECT_EQ(Form(k, v).substr(0, 4), "1000");
    v.doubleValue = 0.5;
    k.decimalPrec = 1000;
    EXPECT_EQ(Form(k, v, 10), " 0.500000");
}

TEST(ConsoleHost, ReadKeyWithoutTerminalIsEmpty) {
    // ctest runs with standard input that is not a terminal.
    if (isatty(0)) GTEST_SKIP() << "standard input is a terminal";
    EXPECT_EQ(host::ConsoleReadKey(false), 0);
    EXPECT_EQ(host::ConsoleReadKey(true), 0);
}

// ---- the output window hook ---------------------------------------------------
// Windows only exist in the Windows build; here a capturing hook stands in
// for the window subsystem's drawing.

namespace {

std::vector<std::pair<uintptr_t, std::string>> drawn;

void CaptureDraw(Keltra&, uintptr_t window, const char* text, size_t len) {
    drawn.emplace_back(window, std::string(text, len));
}

class OutputWindow : public ::testing::Test {
protected:
    Keltra k;
    void SetUp() override {
        ASSERT_EQ(k.Prepare(), 1);
        Console(k).drawText = CaptureDraw;
        drawn.clear();
    }
    // Runs handler h on statement record A with the given arguments.
    StatementRecord* Run(StatementRecord* (Keltra::*h)(StatementRecord*),
                         std::vector<std::pair<std::string, int>> args) {
        StatementRecord* rec = k.recA;
        rec->argCount = (uint16_t)args.size();
        rec->resultType = T_NONE;
        rec->redirect = 0;
        for (size_t i = 0; i < args.size(); i++) {
            snprintf(rec->argText[i], ARG_TEXT_SIZE, "%s", args[i].first.c_str());
            rec->argClass[i] = args[i].second;
        }
        k.error = 0;
        return (k.*h)(rec);
    }
};

}  // namespace

TEST_F(OutputWindow, PrintsDrawSideBySideWithoutLineEnds) {
    ASSERT_TRUE(Run(&Keltra::CmdSetOutputWindow, {{"7", AC_NUMBER}}));
    ASSERT_TRUE(Run(&Keltra::CmdPrint, {{"\"ab\"", AC_TEXT}, {"3", AC_NUMBER}}));
    ASSERT_TRUE(Run(&Keltra::CmdPrint, {{"\"cd\"", AC_TEXT}}));
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0], std::make_pair((uintptr_t)7, std::string("ab3 ")));
    EXPECT_EQ(drawn[1], std::make_pair((uintptr_t)7, std::string("cd")));
    // no argument: back to the console
    ASSERT_TRUE(Run(&Keltra::CmdSetOutputWindow, {}));
    EXPECT_EQ(Console(k).outputWindow, 0u);
    EXPECT_FALSE(Run(&Keltra::CmdSetOutputWindow, {{"1", AC_NUMBER}, {"2", AC_NUMBER}}));
    EXPECT_EQ(k.error, ERR_ARG_COUNT);
}

TEST_F(OutputWindow, WindowValueFirstSelectsItAndClosingClearsIt) {
    char name[] = "w";
    Variable* w = k.CreateVariable(name, T_WINDOW, 1, nullptr);
    ASSERT_NE(w, nullptr);
    uintptr_t handle = 0x5150;
    memcpy(w->data, &handle, sizeof handle);
    ASSERT_TRUE(Run(&Keltra::CmdPrint, {{"w", AC_NAME}, {"\"x\"", AC_TEXT}, {"w", AC_NAME}}));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0], std::make_pair(handle, std::string("x")));
    ClearOutputWindow(k, 0x9999);
    EXPECT_EQ(Console(k).outputWindow, handle);
    ClearOutputWindow(k, handle);
    EXPECT_EQ(Console(k).outputWindow, 0u);
}

TEST_F(OutputWindow, AFailingArgumentDrawsNothing) {
    ASSERT_TRUE(Run(&Keltra::CmdSetOutputWindow, {{"7", AC_NUMBER}}));
    EXPECT_FALSE(Run(&Keltra::CmdPrint, {{"\"ab\"", AC_TEXT}, {"nosuchname", AC_NAME}}));
    EXPECT_NE(k.error, 0);
    EXPECT_TRUE(drawn.empty());
}
