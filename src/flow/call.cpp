// Subroutine calls and returns. A call runs the body in a nested line loop
// of its own until the return statement, so it nests on the native stack
// as well as on the control stack.
#include "flow/flow.h"
#include <cstring>

// Depth and native stack checks before a call nests once more.
static bool RoomToNest(Keltra& k, FlowState& fs) {
    if (fs.callDepth >= MAX_CALL_DEPTH) return false;
    uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (fs.callDepth == 0) {
        fs.stackBase = here;
        return true;
    }
    size_t used = here < fs.stackBase ? fs.stackBase - here : here - fs.stackBase;
    return used < k.callStackBudget;
}

// Runs lines from the one after the label until a return statement has
// run. Returns 1 after a return, 0 when a handler stopped the run, the
// error code is set or the program ended.
static int RunBody(Keltra& k, StatementRecord* body) {
    while (k.currentLine < k.lineCount) {
        body->code = 0xFFFF;                 // a blanked line decodes nothing
        int go = k.RunLine(body);
        k.currentLine++;
        if (!go || k.error) return 0;
        if (body->code == CODE_RETURN) return 1;
    }
    return 0;
}

// Parameters and scope are in place: run the body, then put everything
// back. Also on failure the line index steps back, so an error is
// reported at the failing line.
static StatementRecord* RunCall(Keltra& k, StatementRecord* rec, Variable* label, Variable* head) {
    FlowState& fs = Flow(k);
    StatementRecord* body = fs.BodyRecord(fs.callDepth);
    if (!body) return k.Fail(ERR_NO_MEMORY);
    EnterScope(k, head);
    fs.callDepth++;
    k.currentLine = (uint32_t)label->auxA + 1;
    int returned = RunBody(k, body);
    fs.callDepth--;
    rec->resultType = body->resultType;
    LeaveScope(k, head);
    k.currentLine--;
    return returned ? rec : nullptr;
}

StatementRecord* Keltra::CmdCallSub(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    if (!RoomToNest(*this, Flow(*this))) return Fail(ERR_STACK_FULL);
    if (!PushFrame(*this, (int32_t)currentLine, MARK_CALL)) return nullptr;
    Variable* label = ResolveLabel(*this, rec);
    if (!label) return nullptr;
    Variable* head = NewListHead();
    if (!head) return Fail(ERR_NO_MEMORY);
    if (!MakeCallParameters(*this, label, head) || !BindArguments(*this, rec, head)) {
        ReleaseVariables(head, 0);
        return nullptr;
    }
    return RunCall(*this, rec, label, head);
}

// The value goes to the system variable of its type.
static void StoreResult(Keltra& k, StatementRecord* rec, const ValueRecord& v) {
    switch (v.type) {
    case T_STRING: k.SetResultText(rec, v.text); break;
    case T_CHAR: case T_INT: case T_WORD: case T_UINT: k.SetResultInt(rec, v.intValue); break;
    case T_FLOAT: k.SetResultFloat(rec, v.floatValue); break;
    case T_DOUBLE: k.SetResultDouble(rec, v.doubleValue); break;
    case T_INT64: case T_UINT64: k.SetResultInt64(rec, v.int64Value, v.type); break;
    case T_POINTER: {
        void* address = nullptr;
        if (v.variable && v.variable->data) memcpy(&address, v.variable->data, sizeof address);
        k.SetResultPointer(rec, address);
        if (k.sysPointer) k.sysPointer->pointee = v.variable ? v.variable->pointee : nullptr;
        break;
    }
    default: rec->resultType = T_NONE; break;
    }
}

// Drops loop and selection frames down to the call frame; the call line
// below it is where the run goes on.
StatementRecord* Keltra::CmdReturn(StatementRecord* rec) {
    for (;;) {
        int32_t v = PopControl(*this);
        if (v == MARK_CALL) break;
        if (v <= 89999) return Fail(ERR_RETURN_NO_CALL);
        PopControl(*this);
    }
    currentLine = (uint32_t)PopControl(*this);
    if (rec->argCount == 0) return rec;
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
    StoreResult(*this, rec, v);
    return rec;
}
