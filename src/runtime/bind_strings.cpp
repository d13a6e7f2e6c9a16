#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindStrings() {
    handlers[53] = &Keltra::CmdHexText;
    handlers[61] = &Keltra::CmdSubstring;
    handlers[62] = &Keltra::CmdLeftPart;
    handlers[63] = &Keltra::CmdRightPart;
    handlers[64] = &Keltra::CmdConcat;
    handlers[65] = &Keltra::CmdSizeOf;
    handlers[68] = &Keltra::CmdCharCode;
    handlers[69] = &Keltra::CmdCodeToChar;
    handlers[73] = &Keltra::CmdTextToDouble;
    handlers[80] = &Keltra::CmdNumberToText;
    handlers[81] = &Keltra::CmdRepeatChar;
    handlers[82] = &Keltra::CmdSpaces;
    handlers[84] = &Keltra::CmdTrimLeft;
    handlers[85] = &Keltra::CmdTrimRight;
    handlers[87] = &Keltra::CmdFindText;
    handlers[121] = &Keltra::CmdUpperCase;
    handlers[122] = &Keltra::CmdLowerCase;
    handlers[204] = &Keltra::CmdOverwriteText;
    handlers[213] = &Keltra::CmdPointerTargetType;
    handlers[214] = &Keltra::CmdIsIndexed;
    handlers[215] = &Keltra::CmdFormatNumbers;
}
