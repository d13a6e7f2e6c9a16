#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindMath() {
    handlers[95] = &Keltra::CmdSin;
    handlers[96] = &Keltra::CmdCos;
    handlers[97] = &Keltra::CmdTan;
    handlers[98] = &Keltra::CmdArcSin;
    handlers[99] = &Keltra::CmdArcCos;
    handlers[100] = &Keltra::CmdArcTan;
    handlers[101] = &Keltra::CmdAbsolute;
    handlers[102] = &Keltra::CmdCeil;
    handlers[103] = &Keltra::CmdFloor;
    handlers[104] = &Keltra::CmdSqrt;
    handlers[105] = &Keltra::CmdExp;
    handlers[106] = &Keltra::CmdRandom;
    handlers[107] = &Keltra::CmdTruncate;
    handlers[108] = &Keltra::CmdSinh;
    handlers[109] = &Keltra::CmdCosh;
    handlers[110] = &Keltra::CmdTanh;
    handlers[111] = &Keltra::CmdLog;
    handlers[112] = &Keltra::CmdLog10;
    handlers[113] = &Keltra::CmdSign;
    handlers[154] = &Keltra::CmdBitNot;
}
