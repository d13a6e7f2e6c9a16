// The print statement: formats its arguments into the output buffer and
// sends the line to a text file, the output window or the console.
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <memory>
#include "engine/keltra.h"
#include "host/console.h"
#include "runtime/console_state.h"
#include "runtime/files.h"

// The output buffer keeps room for the line end and the terminator; a line
// longer than that is cut (the rest of the text is dropped, never written
// past the buffer).
enum { PRINT_TEXT_MAX = OUTPUT_BUFFER_SIZE - 2 };

static size_t Clamp(int written, size_t room) {
    if (written <= 0 || room == 0) return 0;
    return (size_t)written < room ? (size_t)written : room - 1;
}

// Whole numbers print as integers with a trailing blank, fractions with a
// leading blank and the decimal precision. A whole value beyond the 64-bit
// range prints its digits instead of an overflowed integer; infinities and
// not-a-number print as the C library spells them.
static size_t FormatReal(Keltra& k, double d, char* out, size_t room) {
    if (std::isfinite(d) && d == std::trunc(d)) {
        if (std::fabs(d) < 9.2e18)
            return Clamp(snprintf(out, room, "%" PRId64 " ", (int64_t)d), room);
        return Clamp(snprintf(out, room, "%.0f ", d), room);
    }
    return Clamp(snprintf(out, room, " %.*f", k.decimalPrec, d), room);
}

// Engine objects print as their pointer-sized handle: sixteen upper-case
// hexadecimal digits and a blank (the 64-bit form of the 32-bit engine's
// eight digits).
static size_t FormatHandle(uintptr_t h, char* out, size_t room) {
    return Clamp(snprintf(out, room, "%016" PRIX64 " ", (uint64_t)h), room);
}

size_t FormatPrintValue(Keltra& k, const ValueRecord& v, char* out, size_t room) {
    if (room == 0) return 0;
    out[0] = 0;
    switch (v.type) {
    case T_STRING: {
        if (!v.text) return 0;
        size_t n = strnlen(v.text, room - 1);
        memcpy(out, v.text, n);
        out[n] = 0;
        return n;
    }
    case T_CHAR:    // a NUL character adds nothing (it would end the line's text)
        if (!v.charValue) return 0;
        return Clamp(snprintf(out, room, "%c", v.charValue), room);
    case T_INT:    return Clamp(snprintf(out, room, "%d ", v.intValue), room);
    case T_WORD:   return Clamp(snprintf(out, room, "%d", v.intValue), room);
    case T_UINT:   return Clamp(snprintf(out, room, "%u ", (uint32_t)v.intValue), room);
    case T_INT64:  return Clamp(snprintf(out, room, "%" PRId64 " ", v.int64Value), room);
    case T_UINT64: return Clamp(snprintf(out, room, "%" PRIu64 " ", (uint64_t)v.int64Value), room);
    case T_FLOAT:
    case T_DOUBLE: return FormatReal(k, v.doubleValue, out, room);
    case T_MEMORY: case T_DIALOG: case T_BFILE: case T_USER_0: case T_POINTER:
        return FormatHandle(v.handle, out, room);
    case T_ARRAY_0:
    case T_FILE:   return Clamp(snprintf(out, room, "%%"), room);
    default:       return 0;   // SYSTEM_0, WINDOW and anything else add nothing
    }
}

// File mode: the line and its line end go to the stream in the cell of the
// FILE variable named by argument 0 (only a stream the file statements
// opened, or a standard stream).
static StatementRecord* SendToFile(Keltra& k, StatementRecord* rec, char* buf, size_t len) {
    rec->redirect = 0;
    Variable* file = k.FindVariable(rec->argText[0], nullptr, 0);
    if (!file) return k.error ? nullptr : k.Fail(ERR_NOT_FOUND);
    if (file->type != T_FILE) return k.Fail(ERR_TYPE);
    FILE* stream = CellStream(k, file);
    if (!stream) return k.Fail(ERR_FILE_NOT_OPEN);
    buf[len++] = '\n';
    fwrite(buf, 1, len, stream);
    return rec;
}

static StatementRecord* SendToConsole(Keltra& k, StatementRecord* rec, char* buf, size_t len) {
    int n = rec->argCount;
    if (n == 0 || (rec->resultType != 1 && rec->argText[n - 1][0])) buf[len++] = '\n';
    buf[len] = 0;
    EnsureConsole(k);
    host::ConsoleWrite(buf, len);
    return rec;
}

// Builds the line into buf; returns its length or -1 when an argument fails.
static long BuildLine(Keltra& k, StatementRecord* rec, char* buf) {
    bool toFile = rec->redirect != 0;
    size_t len = 0;
    buf[0] = 0;
    for (int i = toFile ? 1 : 0; i < rec->argCount; i++) {
        if (!rec->argText[i][0]) continue;
        ValueRecord v;
        if (!k.EvaluateArgument(&v, rec, i, T_ANYTHING)) return -1;
        if (v.type == T_WINDOW) {
            if (i == 0 && !toFile) Console(k).outputWindow = v.handle;
            continue;
        }
        len += FormatPrintValue(k, v, buf + len, PRINT_TEXT_MAX + 1 - len);
    }
    return (long)len;
}

static StatementRecord* SendLine(Keltra& k, StatementRecord* rec, char* buf, size_t len) {
    if (rec->redirect) return SendToFile(k, rec, buf, len);
    ConsoleState& c = Console(k);
    if (c.outputWindow) {   // no line end in a window: the next print continues the line
        if (c.drawText) c.drawText(k, c.outputWindow, buf, len);
        return rec;
    }
    return SendToConsole(k, rec, buf, len);
}

// An argument may call a subroutine that prints while this line is being
// built; such a nested print gets a buffer of its own so that the outer
// line is not overwritten.
StatementRecord* Keltra::CmdPrint(StatementRecord* rec) {
    if (!outputBuffer) return Fail(ERR_NO_MEMORY);
    ConsoleState& c = Console(*this);
    std::unique_ptr<char[]> own;
    char* buf = outputBuffer;
    if (c.printDepth > 0) { own.reset(new char[OUTPUT_BUFFER_SIZE]); buf = own.get(); }
    c.printDepth++;
    long len = BuildLine(*this, rec, buf);
    Console(*this).printDepth--;
    if (len < 0) { rec->redirect = 0; return nullptr; }
    return SendLine(*this, rec, buf, (size_t)len);
}
