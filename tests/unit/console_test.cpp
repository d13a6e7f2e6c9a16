// Console behaviour no program can reach: the print form of engine-object
// handles (their values vary from run to run) and the key read without a
// terminal.
#include <gtest/gtest.h>
#include <cstring>
#include <unistd.h>
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
