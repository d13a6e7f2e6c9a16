// The line table: kept lines, their source line numbers under CR LF and
// bare LF line ends, comment and blank lines, and images without a NUL.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "engine/keltra.h"

namespace {

struct Table {
    std::vector<std::string> lines;
    std::vector<int> numbers;
    int ok;
    int error;
};

// imageSize excludes the NUL the loader always puts after the image.
Table Build(const std::string& text) {
    Keltra k;
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back(0);
    k.image = buf.data();
    k.imageSize = (uint32_t)text.size();
    Table t;
    t.ok = k.BuildLineTable();
    t.error = k.error;
    for (uint32_t i = 0; i < k.lineCount; i++) {
        t.lines.push_back(k.lines[i]);
        t.numbers.push_back(k.lineNumbers[i]);
    }
    return t;
}

}  // namespace

TEST(LineTable, NumbersFollowCrLfAndComments) {
    struct Case { std::string text; std::vector<std::string> lines; std::vector<int> numbers; };
    const Case cases[] = {
        {"a\nb\r\nc\r\n", {"a", "b", "c"}, {0, 0, 1}},
        {"' c\nx\r\n", {"x"}, {1}},                     // a comment always counts
        {"; c\r\n  ' d\r\nx", {"x"}, {2}},
        {"  \r\n\r\n\nx\r\n", {"x"}, {2}},               // blank CR LF lines count, bare LF not
        {"\t  y \r\n", {"y "}, {0}},                     // leading blanks go, trailing stay
        {"a\r\r\nb", {"a\r", "b"}, {0, 1}},
        {"a\r", {"a\r"}, {0}},                           // CR without LF is text
        {std::string("a\0b\r\nc\r\n", 8), {"a"}, {0}},                   // the text ends at its NUL
    };
    for (const Case& c : cases) {
        Table t = Build(c.text);
        EXPECT_EQ(t.ok, 1);
        EXPECT_EQ(t.lines, c.lines);
        EXPECT_EQ(t.numbers, c.numbers);
    }
}

TEST(LineTable, EmptyProgramsFailWithoutError) {
    for (const char* text : {"", "\r\n", "' only\r\n; comments\n  \t\r\n"}) {
        Table t = Build(text);
        EXPECT_EQ(t.ok, 0);
        EXPECT_EQ(t.error, 0);
    }
}

TEST(LineTable, NumbersWrapAtSixteenBits) {
    std::string text;
    for (int i = 0; i < 65537; i++) text += "x\r\n";
    Table t = Build(text);
    ASSERT_EQ(t.numbers.size(), 65537u);
    EXPECT_EQ(t.numbers[65535], 65535);
    EXPECT_EQ(t.numbers[65536], 0);
}
