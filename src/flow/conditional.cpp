// The conditional: one-line form with then- and else-tokens inside the
// line, and the block form with its else and end lines.
#include "flow/flow.h"
#include "engine/line_cache.h"
#include <cstdlib>
#include <cstring>

// Runs the statement after the then-token (true) or the else-token (false)
// in this record. The line is copied first: decoding edits its text, and
// the cut at the else-token must not reach the program image. A part
// decoded before is restored from the line cache instead.
static StatementRecord* RunInlineStatement(Keltra& k, StatementRecord* rec, bool truth) {
    DecodedLine* owner = InlineOwner(k, rec);
    if (RestoreInline(k, rec, owner, truth)) {
        k.error = 0;
        return k.Dispatch(rec);
    }
    const char* line = rec->statementText;
    const char* then = FindThenToken(line);
    const char* otherwise = FindElseToken(then + 3);
    const char* start;
    if (truth) start = then + 3;
    else if (otherwise) start = otherwise + 3;
    else return rec;
    size_t len = strlen(start);
    if (truth && otherwise) len = (size_t)(otherwise - start);
    char* copy = static_cast<char*>(malloc(len + 1));
    if (!copy) return k.Fail(ERR_NO_MEMORY);
    memcpy(copy, start, len);
    copy[len] = 0;
    char* stmt = SkipBlanks(copy);
    StatementRecord* result = rec;
    if (*stmt) {
        if (k.DecodeLine(rec, stmt)) result = nullptr;
        else {
            KeepInline(k, rec, owner, truth, copy, len);
            k.error = 0;
            result = k.Dispatch(rec);
        }
    }
    free(copy);
    return result;
}

StatementRecord* Keltra::CmdIf(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    char* cond = rec->argText[0];
    bool oneLine = FindThenToken(rec->statementText) != nullptr;
    if (oneLine) {
        char* cut = const_cast<char*>(FindThenToken(cond));
        if (cut) *cut = 0;
    }
    int truth = ConditionTrue(*this, cond);
    if (truth < 0) return nullptr;
    if (oneLine) return RunInlineStatement(*this, rec, truth != 0);
    if (truth) return rec;
    int64_t target = ScanIfFalse(*this, currentLine);
    if (target < 0) return Fail(ERR_NO_ENDIF);
    currentLine = (uint32_t)target;
    return rec;
}

// Reached when the true part runs into the else line: skip to the end line.
StatementRecord* Keltra::CmdElse(StatementRecord* rec) {
    int64_t target = ScanElseEnd(*this, currentLine);
    if (target < 0) return Fail(ERR_ELSE_NO_END);
    currentLine = (uint32_t)target;
    return rec;
}
