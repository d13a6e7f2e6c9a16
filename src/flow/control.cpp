// The control stack and the per-run state of subroutine calls.
#include "flow/flow.h"
#include <cstdlib>

FlowState::~FlowState() {
    Reset();
}

void FlowState::Reset() {
    for (StatementRecord* r : bodyRecords) Keltra::FreeStatementRecord(r);
    bodyRecords.clear();
    callDepth = 0;
    stackBase = 0;
}

// A record laid out as NewStatementRecord makes it. That operation resets
// the whole interpreter when memory runs out, which must not happen under
// the lines of a running call; here a failure is just error 2.
static StatementRecord* NewBodyRecord() {
    StatementRecord* r = static_cast<StatementRecord*>(calloc(1, sizeof(StatementRecord)));
    char* block = static_cast<char*>(calloc((size_t)MAX_ARGS * ARG_TEXT_SIZE + 1, 1));
    if (!r || !block) {
        free(r);
        free(block);
        return nullptr;
    }
    r->block = block;
    for (int i = 0; i < MAX_ARGS; i++) r->argText[i] = block + i * ARG_TEXT_SIZE;
    r->resultType = T_NONE;
    return r;
}

// Each call depth runs its body in a record of its own, kept for the next
// call at the same depth, so a call allocates no record.
StatementRecord* FlowState::BodyRecord(int depth) {
    while ((int)bodyRecords.size() <= depth) bodyRecords.push_back(nullptr);
    if (!bodyRecords[depth]) bodyRecords[depth] = NewBodyRecord();
    return bodyRecords[depth];
}

FlowState& Flow(Keltra& k) {
    return k.Ext<FlowState>(EXT_FLOW);
}

int PushControl(Keltra& k, int32_t value) {
    if (!k.controlStack || k.controlTop < 0 || k.controlTop > CONTROL_STACK_SIZE - 1) return 0;
    k.controlStack[k.controlTop++] = value;
    return 1;
}

int32_t PopControl(Keltra& k) {
    if (!k.controlStack || k.controlTop <= 0) return 0;
    if (k.controlTop > CONTROL_STACK_SIZE) k.controlTop = CONTROL_STACK_SIZE;
    return k.controlStack[--k.controlTop];
}

int PushFrame(Keltra& k, int32_t line, int32_t marker) {
    if (!PushControl(k, line) || !PushControl(k, marker)) {
        k.error = ERR_STACK_FULL;
        return 0;
    }
    return 1;
}

int32_t TruncToInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return (int32_t)v;
}

int64_t TruncToInt64(double v) {
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
    return (int64_t)v;
}

int ConditionTrue(Keltra& k, const char* text) {
    double v = k.EvaluateExpression(text);
    if (k.error) return -1;
    return v != 0.0;
}
