#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindFiles() {
    handlers[14] = &Keltra::CmdOpenFile;
    handlers[15] = &Keltra::CmdCloseFile;
    handlers[16] = &Keltra::CmdReadFile;
    handlers[17] = &Keltra::CmdWriteFile;
    handlers[24] = &Keltra::CmdFileDialog;
    handlers[116] = &Keltra::CmdEndOfFile;
    handlers[117] = &Keltra::CmdFilePosition;
    handlers[118] = &Keltra::CmdReadRecord;
    handlers[119] = &Keltra::CmdWriteRecord;
}
