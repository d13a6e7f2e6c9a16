// The three loops: condition loop (tested at the top), repeat loop (tested
// at the bottom) and counted loop (state in the loop variable).
#include "flow/flow.h"
#include <cmath>
#include <cstring>

StatementRecord* Keltra::CmdWhile(StatementRecord* rec) {
    int64_t end = ScanWhileEnd(*this, currentLine);
    if (end < 0) return Fail(ERR_NO_WEND);
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    int truth = ConditionTrue(*this, rec->argText[0]);
    if (truth < 0) return nullptr;
    if (!truth) {
        currentLine = (uint32_t)end;
        return rec;
    }
    return PushFrame(*this, (int32_t)(currentLine - 1), MARK_WHILE) ? rec : nullptr;
}

// Back to the line before the loop start, which then runs and re-tests.
StatementRecord* Keltra::CmdWhileEnd(StatementRecord* rec) {
    if (PopControl(*this) != MARK_WHILE) return Fail(ERR_WEND_NO_WHILE);
    currentLine = (uint32_t)PopControl(*this);
    return rec;
}

StatementRecord* Keltra::CmdRepeat(StatementRecord* rec) {
    if (ScanRepeatEnd(*this, currentLine) < 0) return Fail(ERR_NO_UNTIL);
    if (rec->argCount) return Fail(ERR_SYNTAX);
    return PushFrame(*this, (int32_t)(currentLine - 1), MARK_REPEAT) ? rec : nullptr;
}

// The integer part of a number decides, so 0.7 counts as false.
static bool IntegerPartNonZero(const ValueRecord& v) {
    if (v.type == T_FLOAT || v.type == T_DOUBLE) return std::trunc(v.doubleValue) != 0.0;
    return v.int64Value != 0 || v.intValue != 0;
}

// A missing repeat frame is error 49; the entries are still popped and the
// jump still made, as the loop end always does.
StatementRecord* Keltra::CmdUntil(StatementRecord* rec) {
    bool done = true;
    if (rec->argCount == 1) {
        ValueRecord v;
        if (!EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
        done = IntegerPartNonZero(v);
    }
    if (PopControl(*this) != MARK_REPEAT) error = ERR_UNTIL_NO_REPEAT;
    int32_t line = PopControl(*this);
    if (!done) currentLine = (uint32_t)line;
    return error ? nullptr : rec;
}

// Integer part of numeric argument i, as the counted loop stores it.
static bool LoopNumber(Keltra& k, StatementRecord* rec, int i, int32_t* out) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, i, T_ANY_NUMBER)) return false;
    if (v.type == T_FLOAT || v.type == T_DOUBLE) *out = TruncToInt32(v.doubleValue);
    else *out = v.intValue;
    return true;
}

static bool IsLoopVariable(const Variable* v) {
    return (v->type == T_INT || v->type == T_UINT) && v->data;
}

StatementRecord* Keltra::CmdForStart(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    Variable* v = FindVariable(rec->argText[0], nullptr, 1);
    if (!v) {
        error = 0;
        v = CreateVariable(rec->argText[0], T_INT, 1, nullptr);
        if (!v) return nullptr;
        error = 0;
    }
    if (!IsLoopVariable(v)) return Fail(ERR_NOT_INTEGER);
    int32_t first, limit, step = 1;
    if (!LoopNumber(*this, rec, 1, &first)) return nullptr;
    memcpy(v->data, &first, sizeof first);
    v->auxA = (int32_t)currentLine;
    if (!LoopNumber(*this, rec, 2, &limit)) return nullptr;
    v->auxB = limit;
    v->auxC = 1;
    // A fifth argument and any beyond are ignored; the fourth is the step.
    if (rec->argCount >= 4 && !LoopNumber(*this, rec, 3, &step)) return nullptr;
    v->auxC = step;
    return rec;
}

// The step is added in 64 bits, so a loop up to the largest INT ends
// instead of wrapping around for ever; the stored value wraps as a 32-bit
// cell does.
StatementRecord* Keltra::CmdForNext(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    Variable* v = FindVariable(rec->argText[0], nullptr, 1);
    if (!v) return nullptr;
    // Only an INT or UINT carries loop state; other types use auxC for
    // their own purposes (packing, block size) and are never stepped.
    if (!IsLoopVariable(v) || v->auxC == 0) return Fail(ERR_TYPE);
    int32_t value;
    memcpy(&value, v->data, sizeof value);
    int64_t next = (int64_t)value + v->auxC;
    int32_t stored = (int32_t)(uint32_t)(uint64_t)next;
    memcpy(v->data, &stored, sizeof stored);
    bool finished = v->auxC > 0 ? next > v->auxB : next < v->auxB;
    if (finished) {
        v->auxA = v->auxB = v->auxC = 0;
        return rec;
    }
    currentLine = (uint32_t)v->auxA;
    return rec;
}
