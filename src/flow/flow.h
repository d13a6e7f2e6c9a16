// Control flow: the control stack, the state of running subroutine calls,
// and the partner-line scans of the block statements.
#pragma once
#include <cstddef>
#include <vector>
#include "engine/keltra.h"

// Statement codes the block scans look for.
enum FlowCode {
    CODE_FOR = 2, CODE_NEXT = 3, CODE_WHILE = 4, CODE_WEND = 5, CODE_IF = 6,
    CODE_ENDIF = 7, CODE_SELECT = 41, CODE_CASE = 42, CODE_ENDSELECT = 43,
    CODE_CALL = 44, CODE_RETURN = 45, CODE_DEFAULT = 52, CODE_ELSE = 55,
    CODE_REPEAT = 78, CODE_UNTIL = 79, CODE_THEN = 218,
};

// Subroutine calls nest the body loop on the native stack. Besides the
// control stack (two entries per call), two limits keep a deep recursion
// from overflowing it: a call depth, and a budget of native stack bytes
// measured from the outermost call (Keltra::callStackBudget). Both end the
// call with error 34.
// The depth matches what the control stack allows; a return value that
// calls again (RETURN n * f(n - 1)) pops its frame first, so only the
// depth limit bounds that kind of recursion.
enum { MAX_CALL_DEPTH = 2048 };

struct FlowState : SubsystemState {
    int callDepth = 0;
    uintptr_t stackBase = 0;          // native stack position of the outermost call
    std::vector<StatementRecord*> bodyRecords;   // one per call depth, reused
    ~FlowState() override;
    void Reset() override;
    StatementRecord* BodyRecord(int depth);
};

FlowState& Flow(Keltra& k);

// Control stack: a failed push (stack full) returns 0; a pop of an empty
// stack returns 0 and leaves it empty.
int PushControl(Keltra& k, int32_t value);
int32_t PopControl(Keltra& k);
int PushFrame(Keltra& k, int32_t line, int32_t marker);   // error 34 when full

// Statement code of line i, or -1 for a line that is no statement line.
int LineCode(Keltra& k, uint32_t i);
bool HasThenToken(const char* text);
const char* FindThenToken(const char* text);
const char* FindElseToken(const char* text);

// Partner scans from the line after `from`; each returns the partner's line
// index, or -1 when the program ends first.
int64_t ScanIfFalse(Keltra& k, uint32_t from);     // else line or end line
int64_t ScanElseEnd(Keltra& k, uint32_t from);     // end line of the block
int64_t ScanSelectEnd(Keltra& k, uint32_t from);
int64_t ScanWhileEnd(Keltra& k, uint32_t from);
int64_t ScanRepeatEnd(Keltra& k, uint32_t from);

// Resolves a jump or call target: argument 0 names the label, or `$` and a
// STRING variable that holds the name. Null with the error code set.
Variable* ResolveLabel(Keltra& k, StatementRecord* rec);

// Truth of a condition text: EvaluateExpression, true when not 0.0.
// Returns -1 with the error code set on failure.
int ConditionTrue(Keltra& k, const char* text);

// Parameters of a call: copies of the label's templates appended to the
// call's list head, and the binding of the arguments. 0 with the error
// code set on failure.
Variable* NewListHead();
int MakeCallParameters(Keltra& k, Variable* label, Variable* head);
int BindArguments(Keltra& k, StatementRecord* rec, Variable* head);

// The running call's chain: the call's list head (its parameters, then
// the locals the body creates) follows DECIMAL_PREC; the caller's chain
// waits at the end of the scope list.
void EnterScope(Keltra& k, Variable* head);
void LeaveScope(Keltra& k, Variable* head);

// Converts a floating value to 32/64-bit integers toward zero; values out
// of range (and NaN) give the lowest value, as the x86 conversion does.
int32_t TruncToInt32(double v);
int64_t TruncToInt64(double v);
