// The selection block: select line, case lines, default line, end line.
#include "flow/flow.h"
#include <string>

// Evaluates "selector=case text" for one case line. The text is built in a
// string of its own: selector and case text together may exceed the
// 256-byte argument buffer.
static int CaseMatches(Keltra& k, const char* selector, uint32_t caseLine) {
    std::string text(selector);
    text += '=';
    text += k.lines[caseLine] + 3;
    double v = k.EvaluateExpression(text.c_str());
    if (k.error) return -1;
    return v != 0.0;
}

// Finds the first body line of the matching case (or the default line);
// returns -1 on an evaluation error, -2 when nothing matched.
static int64_t FindCaseBody(Keltra& k, const char* selector, uint32_t from, uint32_t end) {
    bool matched = false;
    int depth = 0;
    int64_t defaultLine = -2;
    for (uint32_t i = from + 1; i < end; i++) {
        int code = LineCode(k, i);
        if (matched) {
            if (code != CODE_CASE && code != CODE_DEFAULT) return (int64_t)i - 1;
            continue;
        }
        if (code == CODE_SELECT) depth++;
        else if (code == CODE_ENDSELECT && depth > 0) depth--;
        else if (depth == 0 && code == CODE_CASE) {
            int m = CaseMatches(k, selector, i);
            if (m < 0) return -1;
            matched = m != 0;
        } else if (depth == 0 && code == CODE_DEFAULT) defaultLine = i;
    }
    return matched ? -2 : defaultLine;
}

StatementRecord* Keltra::CmdSelect(StatementRecord* rec) {
    int64_t end = ScanSelectEnd(*this, currentLine);
    if (end < 0) return Fail(ERR_NO_ENDSELECT);
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    if (!PushFrame(*this, (int32_t)end, MARK_SELECT)) return nullptr;
    int64_t target = FindCaseBody(*this, rec->argText[0], currentLine, (uint32_t)end);
    if (target == -1) return nullptr;
    if (target >= 0) currentLine = (uint32_t)target;
    return rec;
}

// A case body ran into the next case or default line: leave the block.
StatementRecord* Keltra::CmdCaseEnd(StatementRecord* rec) {
    if (PopControl(*this) != MARK_SELECT) return Fail(ERR_CASE_NO_SELECT);
    currentLine = (uint32_t)PopControl(*this);
    return rec;
}

StatementRecord* Keltra::CmdEndSelect(StatementRecord* rec) {
    if (PopControl(*this) != MARK_SELECT) return Fail(ERR_ENDSELECT_NO_SELECT);
    PopControl(*this);
    return rec;
}
