// Nested subroutine calls where a program cannot look: a harness on a
// small native stack stays safe through the call-stack budget, and every
// failing level of a deep recursion puts its caller's variable chain back.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "engine/keltra.h"

namespace {

std::string Marker(int code) {
    return std::string{'\xFF', char(0xE0 + code / 16), char(0xE0 + code % 16)};
}

// A program of statement lines; each line is "code:text" or plain text.
struct Program {
    std::vector<char> bytes;
    explicit Program(const std::vector<std::pair<int, std::string>>& lines) {
        std::string text;
        for (auto& l : lines) text += (l.first >= 0 ? Marker(l.first) + " " : "") + l.second + "\r\n";
        bytes.assign(text.begin(), text.end());
        bytes.push_back(0);
    }
};

const int DECLARE = 83, DEF = 21, SUB = 56, RETURN = 45, END = 22, PLAIN = -1;

// down n + 1 recurses until something stops it; `deepest` shows how far.
Program Recursion() {
    return Program({{DECLARE, "down(n:INT)"}, {DEF, "deepest: INT"}, {PLAIN, "down 1"},
                    {END, ""}, {SUB, "down"}, {PLAIN, "deepest = n"},
                    {PLAIN, "down n + 1"}, {RETURN, ""}});
}

int Deepest(Keltra& k) {
    char name[] = "deepest";
    Variable* v = k.FindVariable(name, nullptr, 0);
    int32_t n = 0;
    if (v && v->data) memcpy(&n, v->data, sizeof n);
    return n;
}

struct ProgramRun {
    Keltra k;
    Program p;
    explicit ProgramRun(Program prog, size_t budget) : p(std::move(prog)) {
        k.image = p.bytes.data();
        k.imageSize = (uint32_t)p.bytes.size() - 1;
        k.callStackBudget = budget;
    }
    int Go() { return k.Prepare() ? k.Run() : -1; }
};

TEST(FlowNesting, SmallBudgetEndsRecursionWithStackFull) {
    ProgramRun r(Recursion(), 64 << 10);
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.k.error, ERR_STACK_FULL);
    int deepest = Deepest(r.k);
    EXPECT_GT(deepest, 1);
    EXPECT_LT(deepest, 2048);      // the budget, not the control stack, ended it
}

TEST(FlowNesting, LargeBudgetReachesTheControlStackLimit) {
    ProgramRun r(Recursion(), (size_t)160 << 20);
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.k.error, ERR_STACK_FULL);
    EXPECT_EQ(Deepest(r.k), CONTROL_STACK_SIZE / 2);
}

// Every level steps back out of its call when the innermost one fails:
// the globals are current again and no saved chain is left waiting.
TEST(FlowNesting, FailureUnwindsEveryLevel) {
    ProgramRun r(Recursion(), 64 << 10);
    r.Go();
    EXPECT_EQ(r.k.scopeList.Count(), 0);
    char name[] = "deepest";
    Variable* v = r.k.FindVariable(name, nullptr, 0);
    ASSERT_NE(v, nullptr);
    for (Variable* c = r.k.decimalVar.next; c; c = c->next) EXPECT_NE(c->name[0], 0) << "a call head stayed current";
}

}  // namespace
