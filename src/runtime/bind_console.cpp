#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindConsole() {
    handlers[0] = &Keltra::CmdPrint;
    handlers[1] = &Keltra::CmdInput;
    handlers[27] = &Keltra::CmdSetConsoleCursor;
    handlers[29] = &Keltra::CmdSetOutputWindow;
    handlers[37] = &Keltra::CmdSetDecimals;
    handlers[39] = &Keltra::CmdReadKey;
    handlers[76] = &Keltra::CmdOpenConsole;
    handlers[77] = &Keltra::CmdCloseConsole;
    handlers[86] = &Keltra::CmdClearConsole;
    handlers[88] = &Keltra::CmdSetConsoleColor;
}
