#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table. The library
// form of the declaration statement (slot 83) reaches DeclareLibraryFunction
// through the declaration handler.
void Keltra::BindDll() {
    handlers[120] = &Keltra::CmdCallDll;
    handlers[203] = &Keltra::CmdFreeLibrary;
}
