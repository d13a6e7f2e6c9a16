// The handler table: 250 slots by statement code. Every slot starts as
// "not available" (error 69) so that a slot whose statement is not built
// in this engine fails loudly; each subsystem then binds its own slots.
#include "engine/keltra.h"

// Slots that do nothing: 7 ends a conditional block, 75 a type definition,
// 218 is the then-token; the engine finds those by scanning for them.
static const unsigned char kNoOperationSlots[] = {
    7, 35, 57, 67, 75, 140,
    156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167,
    169, 170, 172, 173, 174, 175, 176, 177,
    179, 180, 181, 182, 183, 218,
    228, 229, 230, 231, 232, 233, 234, 235, 236, 237, 239, 247,
};
static_assert(sizeof kNoOperationSlots == 44, "44 no-operation slots");

void Keltra::BindHandlers() {
    for (int i = 0; i < HANDLER_COUNT; i++) handlers[i] = &Keltra::CmdUnavailable;
    handlers[HANDLER_COUNT - 1] = nullptr;     // slot 249 ends the table
    for (unsigned char slot : kNoOperationSlots) handlers[slot] = &Keltra::CmdNoOperation;
    BindEval();
    BindData();
    BindFlow();
    BindDll();
    BindConsole();
    BindStrings();
    BindMath();
    BindFiles();
    BindMemory();
    BindSystem();
    BindWindows();
}

StatementRecord* Keltra::CmdNoOperation(StatementRecord* rec) {
    return rec;
}

StatementRecord* Keltra::CmdUnavailable(StatementRecord* rec) {
    return Fail(ERR_UNAVAILABLE);
}
