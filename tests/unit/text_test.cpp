// The text and list helpers: growth policy, bounded copy, search outside
// quotes and brackets, and the two lists.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "engine/text.h"

TEST(GrowText, GrowsByTheFixedPolicy) {
    GrowText t;
    EXPECT_EQ(t.Capacity(), 0u);
    EXPECT_STREQ(t.Text(), "");
    t.Assign("0123456789");
    EXPECT_EQ(t.Capacity(), 111u);
    std::string s110(110, 'a'), s111(111, 'b');
    t.Assign(s110.c_str());
    EXPECT_EQ(t.Capacity(), 111u);
    t.Assign(s111.c_str());
    EXPECT_EQ(t.Capacity(), 212u);
    EXPECT_EQ(t.Text(), s111);
    t.Assign(nullptr);
    EXPECT_STREQ(t.Text(), "");
    EXPECT_EQ(t.Capacity(), 212u);
}

TEST(GrowText, AppendKeepsTheTextAndItsOwnParts) {
    GrowText t;
    t.Append("abc");
    EXPECT_STREQ(t.Text(), "abc");
    EXPECT_EQ(t.Capacity(), 104u);
    t.Append(nullptr);
    t.Append(t.Text() + 1);            // a part of itself
    EXPECT_STREQ(t.Text(), "abcbc");
    std::string big(300, 'x');
    t.Append(big.c_str());
    EXPECT_EQ(std::string(t.Text()), "abcbc" + big);
    t.Assign(t.Text() + 290);          // a part of itself again
    EXPECT_EQ(std::string(t.Text()), std::string(15, 'x'));
    GrowText u;
    u.AssignFrom(t);
    EXPECT_STREQ(u.Text(), t.Text());
    EXPECT_NE(u.buf, t.buf);
    GrowText empty;
    u.AssignFrom(empty);
    EXPECT_STREQ(u.Text(), "");
}

TEST(GrowText, CharReserveTrimFree) {
    GrowText t;
    t.AssignChar('q');
    EXPECT_STREQ(t.Text(), "q");
    EXPECT_EQ(t.Capacity(), 4u);
    EXPECT_EQ(t.Reserve(3), 4u);
    EXPECT_EQ(t.Reserve(10), 110u);
    EXPECT_STREQ(t.Text(), "q");
    t.Assign("a b \t\r\n x  \t \r\n");
    t.TrimRight();
    EXPECT_STREQ(t.Text(), "a b \t\r\n x");
    t.Free();
    EXPECT_EQ(t.buf, nullptr);
    EXPECT_EQ(t.Capacity(), 0u);
}

TEST(CopyBounded, CopiesAtMostKAndAlwaysTerminates) {
    char dst[16];
    memset(dst, '#', sizeof dst);
    EXPECT_EQ(CopyBounded(dst, "0123456789", 3), dst);
    EXPECT_STREQ(dst, "012");
    memset(dst, '#', sizeof dst);
    CopyBounded(dst, "ab", 5);
    EXPECT_STREQ(dst, "ab");
    memset(dst, '#', sizeof dst);
    CopyBounded(dst, "xyz", 0);       // only the first character, no terminator
    EXPECT_EQ(dst[0], 'x');
    EXPECT_EQ(dst[1], '#');
    EXPECT_EQ(CopyBounded(dst, "xyz", -1), dst);
    EXPECT_EQ(dst[0], 'x');
    EXPECT_EQ(CopyBounded(nullptr, "a", 2), nullptr);
    EXPECT_EQ(CopyBounded(dst, nullptr, 2), nullptr);
}

TEST(FindOutside, SkipsQuotesBracketsAndParentheses) {
    struct Case { const char* text; char ch; bool brackets, parens; int at; };
    const Case cases[] = {
        {"\"a,b\"", ',', true, true, -1},
        {"\"a,b\",c", ',', true, true, 5},
        {"a[1,2],b", ',', true, false, 6},
        {"a[1,2],b", ',', false, false, 3},
        {"f(1,2),b", ',', false, true, 6},
        {"f(1,2),b", ',', true, false, 3},
        {"\"[\",x", ',', true, true, 3},     // brackets in quotes do not count
        {"ab\"cd\"", '"', true, true, 2},     // a quote is found before it toggles
        {"abc", 'z', true, true, -1},
    };
    for (const Case& c : cases) {
        char buf[32];
        strcpy(buf, c.text);
        char* p = FindOutside(buf, c.ch, c.brackets, c.parens);
        EXPECT_EQ(p ? (int)(p - buf) : -1, c.at) << c.text;
    }
    EXPECT_EQ(FindOutside(nullptr, ',', true, true), nullptr);
}

TEST(CharacterRoutines, BlanksAndCase) {
    char text[] = " \t x";
    EXPECT_EQ(SkipBlanks(text), text + 3);
    EXPECT_EQ(SkipBlanks((char*)nullptr), nullptr);
    EXPECT_TRUE(IsBlank('\t'));
    EXPECT_FALSE(IsBlank('\r'));
    EXPECT_TRUE(IsWhite('\v'));
    EXPECT_EQ(CompareNoCase("Label", "LABEL"), 0);
    EXPECT_NE(CompareNoCase("lab", "label"), 0);
}

TEST(NamedValueList, FirstEqualNameAndReplace) {
    NamedValueList l;
    int32_t v = 0;
    EXPECT_FALSE(l.Find("A", &v));
    l.Set("A", 1);
    l.Set("B", 2);
    l.Set("A", 3);
    EXPECT_TRUE(l.Find("A", &v));
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(l.Find("a", &v));     // names compare exactly
    int nodes = 0;
    for (NamedValueList::Node* n = l.head; n; n = n->next) nodes++;
    EXPECT_EQ(nodes, 2);
    l.Clear();
    EXPECT_FALSE(l.Find("B", &v));
}

TEST(PtrList, BothEndsAcrossBlocks) {
    PtrList l(3);
    int items[10];
    for (int i = 0; i < 10; i++) l.AddTail(&items[i]);
    l.AddHead(&items[0]);
    EXPECT_EQ(l.Count(), 11);
    EXPECT_EQ(l.Head(), &items[0]);
    EXPECT_EQ(l.Tail(), &items[9]);
    EXPECT_EQ(l.RemoveTail(), &items[9]);
    EXPECT_EQ(l.RemoveHead(), &items[0]);
    EXPECT_EQ(l.RemoveHead(), &items[0]);
    int n = 0;
    for (PtrList::Node* node = l.head; node; node = node->next) EXPECT_EQ(node->p, &items[++n]);
    EXPECT_EQ(n, 8);
    while (l.Count()) l.RemoveHead();
    EXPECT_EQ(l.RemoveHead(), nullptr);
    EXPECT_EQ(l.RemoveTail(), nullptr);
    l.AddHead(&items[1]);               // usable again after every block went
    EXPECT_EQ(l.Tail(), &items[1]);
}
