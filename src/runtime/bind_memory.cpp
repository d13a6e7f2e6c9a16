#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindMemory() {
    handlers[142] = &Keltra::CmdResizeMemory;
    handlers[143] = &Keltra::CmdFreeMemory;
    handlers[144] = &Keltra::CmdReadMemory;
    handlers[145] = &Keltra::CmdWriteMemory;
}
