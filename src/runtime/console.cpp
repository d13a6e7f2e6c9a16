// Console statements: open, close, clear, cursor, colours, the output
// window, the decimal precision and the key read.
#include "engine/keltra.h"
#include "host/console.h"
#include "runtime/console_state.h"

void EnsureConsole(Keltra& k) {
    if (k.consoleOpen) return;
    host::ConsoleOpen();
    k.consoleOpen = 1;
}

StatementRecord* Keltra::CmdOpenConsole(StatementRecord* rec) {
    if (rec->argCount) return Fail(ERR_ARG_COUNT);
    host::ConsoleOpen();
    consoleOpen = 1;
    return rec;
}

StatementRecord* Keltra::CmdCloseConsole(StatementRecord* rec) {
    if (rec->argCount) return Fail(ERR_ARG_COUNT);
    host::ConsoleClose();
    consoleOpen = 0;
    return rec;
}

StatementRecord* Keltra::CmdClearConsole(StatementRecord* rec) {
    EnsureConsole(*this);
    if (rec->argCount) return Fail(ERR_ARG_COUNT);
    host::ConsoleClear();
    return rec;
}

// Row and column are 1-based; the console takes 16-bit 0-based coordinates.
StatementRecord* Keltra::CmdSetConsoleCursor(StatementRecord* rec) {
    EnsureConsole(*this);
    if (rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    ValueRecord row, col;
    if (!EvaluateArgument(&row, rec, 0, T_ANY_NUMBER)) return nullptr;
    if (!EvaluateArgument(&col, rec, 1, T_ANY_NUMBER)) return nullptr;
    host::ConsoleSetCursor((int16_t)(row.intValue - 1), (int16_t)(col.intValue - 1));
    return rec;
}

// Either colour may be left empty; with both given the attribute is set
// first to the foreground alone, then to background * 16 + foreground.
StatementRecord* Keltra::CmdSetConsoleColor(StatementRecord* rec) {
    EnsureConsole(*this);
    if (rec->argCount < 1 || rec->argCount > 2) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    int32_t fg = 0;
    if (rec->argText[0][0]) {
        if (!EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
        fg = v.intValue;
        host::ConsoleSetAttribute((unsigned)fg & 0xFFFF);
    }
    if (rec->argCount == 2 && rec->argText[1][0]) {
        if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
        host::ConsoleSetAttribute((unsigned)(v.intValue * 16 + fg) & 0xFFFF);
    }
    return rec;
}

StatementRecord* Keltra::CmdSetOutputWindow(StatementRecord* rec) {
    if (rec->argCount > 1) return Fail(ERR_ARG_COUNT);
    ConsoleState& c = Console(*this);
    if (rec->argCount == 0) { c.outputWindow = 0; return rec; }
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_WINDOW)) return nullptr;
    c.outputWindow = v.handle;
    return rec;
}

// No range check: a negative precision prints with the C library's default
// of six decimals, a large one is cut by the output buffer.
StatementRecord* Keltra::CmdSetDecimals(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
    decimalPrec = v.intValue;
    return rec;
}

// Does not open the console; no key pending reads as the empty string.
StatementRecord* Keltra::CmdReadKey(StatementRecord* rec) {
    if (rec->argCount > 1) return Fail(ERR_SYNTAX);
    bool virtualKey = false;
    if (rec->argCount == 1) {
        ValueRecord v;
        if (!EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
        virtualKey = v.intValue != 0;
    }
    char key[2] = {(char)host::ConsoleReadKey(virtualKey), 0};
    SetResultText(rec, key);
    return rec;
}
