#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindData() {
    handlers[20] = &Keltra::CmdAssign;
    handlers[21] = &Keltra::CmdDeclareVars;
    handlers[25] = &Keltra::CmdDeleteVars;
    handlers[74] = &Keltra::CmdDefineType;
    handlers[123] = &Keltra::CmdConst;
    handlers[216] = &Keltra::CmdAllocVariable;
    handlers[217] = &Keltra::CmdFreeVariable;
}
