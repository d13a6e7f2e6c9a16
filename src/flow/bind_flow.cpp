#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table. Slot 7 (end
// of a conditional block) and 218 (the then-token) stay no-operations.
void Keltra::BindFlow() {
    handlers[2] = &Keltra::CmdForStart;
    handlers[3] = &Keltra::CmdForNext;
    handlers[4] = &Keltra::CmdWhile;
    handlers[5] = &Keltra::CmdWhileEnd;
    handlers[6] = &Keltra::CmdIf;
    handlers[13] = &Keltra::CmdJump;
    handlers[22] = &Keltra::CmdEnd;
    handlers[23] = &Keltra::CmdDefineLabel;
    handlers[41] = &Keltra::CmdSelect;
    handlers[42] = &Keltra::CmdCaseEnd;
    handlers[43] = &Keltra::CmdEndSelect;
    handlers[44] = &Keltra::CmdCallSub;
    handlers[45] = &Keltra::CmdReturn;
    handlers[52] = &Keltra::CmdCaseEnd;
    handlers[55] = &Keltra::CmdElse;
    handlers[56] = &Keltra::CmdDefineLabel;
    handlers[66] = &Keltra::CmdJump;
    handlers[78] = &Keltra::CmdRepeat;
    handlers[79] = &Keltra::CmdUntil;
    handlers[83] = &Keltra::CmdDeclare;
}
