#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindSystem() {
    handlers[36] = &Keltra::CmdShellOpen;
    handlers[70] = &Keltra::CmdDate;
    handlers[71] = &Keltra::CmdTime;
    handlers[72] = &Keltra::CmdSecondsToday;
    handlers[153] = &Keltra::CmdPlaySound;
    handlers[155] = &Keltra::CmdSetNamedValue;
    handlers[168] = &Keltra::CmdMessageBox;
    handlers[171] = &Keltra::CmdProgramDir;
    handlers[178] = &Keltra::CmdKeyState;
    handlers[199] = &Keltra::CmdCopyFile;
    handlers[200] = &Keltra::CmdDeleteFile;
    handlers[201] = &Keltra::CmdMakeDir;
    handlers[202] = &Keltra::CmdRemoveDir;
    handlers[205] = &Keltra::CmdFindOpen;
    handlers[206] = &Keltra::CmdFindNext;
    handlers[207] = &Keltra::CmdFindClose;
    handlers[223] = &Keltra::CmdReservedZero;
    handlers[240] = &Keltra::CmdLoadResource;
    handlers[243] = &Keltra::CmdAutoDeclare;
}
