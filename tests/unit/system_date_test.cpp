// Date pictures: a program cannot choose the date it runs on, so the
// formatter is checked here on fixed dates.
#include <gtest/gtest.h>
#include <cstring>
#include "host/system.h"

namespace {

struct tm Day(int year, int month, int mday, int wday) {
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = mday;
    t.tm_wday = wday;
    return t;
}

TEST(SystemDate, PictureLetters) {
    struct tm dec9 = Day(2026, 12, 9, 3);    // a Wednesday
    struct tm mar1 = Day(2005, 3, 1, 2);     // a Tuesday
    struct { const struct tm* t; const char* picture; const char* expected; } cases[] = {
        {&dec9, "d dd ddd dddd", "9 09 Wed Wednesday"},
        {&dec9, "M MM MMM MMMM", "12 12 Dec December"},
        {&mar1, "M MM MMM MMMM", "3 03 Mar March"},
        {&mar1, "y yy yyyy", "5 05 2005"},
        {&dec9, "dd.MM.yyyy", "09.12.2026"},
        {&dec9, "ddddd MMMMM yyyyy", "Wednesday December 2026"},   // longer runs: the longest form
        {&dec9, "'day' d 'of' MMMM", "day 9 of December"},
        {&dec9, "'It''s' yy", "It's 26"},
        {&dec9, "''", ""},                          // opens and closes a quote
        {&dec9, "'unclosed d", "unclosed d"},
        {&dec9, "", ""},
        {&dec9, "h:m / x", "h:m / x"},
    };
    for (const auto& c : cases) {
        char out[256];
        int n = HostFormatDate(c.picture, c.t, out, sizeof out);
        EXPECT_STREQ(c.expected, out) << c.picture;
        EXPECT_EQ((int)strlen(c.expected), n) << c.picture;
    }
}

TEST(SystemDate, LongResultIsCutToItsBuffer) {
    struct tm dec9 = Day(2026, 12, 9, 3);
    char out[8];
    memset(out, 'X', sizeof out);
    int n = HostFormatDate("MMMM dddd", &dec9, out, sizeof out);
    EXPECT_EQ(7, n);
    EXPECT_STREQ("Decembe", out);
    char one[1] = {'X'};
    EXPECT_EQ(0, HostFormatDate("yyyy", &dec9, one, 1));
    EXPECT_EQ(0, one[0]);
}

TEST(SystemDate, OutOfRangeFieldsStayInTheirTables) {
    struct tm odd = Day(2026, 1, 1, 0);
    odd.tm_mon = 40;
    odd.tm_wday = -3;
    char out[64];
    HostFormatDate("MMMM dddd", &odd, out, sizeof out);
    EXPECT_STREQ("January Sunday", out);
}

}  // namespace
