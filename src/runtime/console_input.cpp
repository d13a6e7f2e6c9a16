// The input statement: reads one line from standard input into a variable,
// converted by the variable's type.
#include <cstdlib>
#include <cstring>
#include "engine/keltra.h"
#include "runtime/console_state.h"
#include "runtime/strings_result.h"

enum { INPUT_LINE_SIZE = 255 };   // 254 characters and the terminator

// Reads one line without its line end (and a carriage return before it).
// A longer line is cut at 254 characters and the rest of it is skipped, so
// the next input starts at the next line. Returns false at end of input
// before any character.
static bool ReadInputLine(char* line) {
    fflush(stdout);
    int c, n = 0;
    while ((c = fgetc(stdin)) != EOF && c != '\n')
        if (n < INPUT_LINE_SIZE - 1) line[n++] = (char)c;
    if (c == EOF && n == 0) return false;
    if (n > 0 && line[n - 1] == '\r') n--;
    line[n] = 0;
    return true;
}

// A C long of 32 bits with automatic base, saturated at its limits, as the
// run-time of the 32-bit engine converts; the same digits on every platform.
static int32_t ToLong32(const char* s) {
    long long v = strtoll(s, nullptr, 0);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int32_t)v;
}

static bool StoreLine(Keltra& k, Variable* var, const char* line) {
    unsigned char* d = var->data;
    if (!d && var->type != T_STRING) { k.Fail(ERR_TYPE); return false; }
    switch (var->type) {
    case T_STRING: {
        if (!d || var->auxA < 1) return true;   // no storage: nothing to fill
        if (var->auxA == 1) { d[0] = (unsigned char)line[0]; return true; }  // one indexed character
        size_t n = strnlen(line, (size_t)var->auxA - 1);
        memcpy(d, line, n);
        d[n] = 0;
        return true;
    }
    case T_CHAR:   d[0] = (unsigned char)line[0]; return true;
    case T_INT:
    case T_UINT: { int32_t v = ToLong32(line); memcpy(d, &v, 4); return true; }
    case T_WORD: { uint16_t v = (uint16_t)ToLong32(line); memcpy(d, &v, 2); return true; }
    case T_FLOAT: { float v = (float)TextToNumber(line); memcpy(d, &v, 4); return true; }
    case T_DOUBLE: { double v = TextToNumber(line); memcpy(d, &v, 8); return true; }
    case T_INT64:
    case T_UINT64: { int64_t v = strtoll(line, nullptr, 10); memcpy(d, &v, 8); return true; }
    }
    k.Fail(ERR_TYPE);
    return false;
}

// A first argument in double quotes is a prompt, printed without a line end.
StatementRecord* Keltra::CmdInput(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_ARG_COUNT);
    int target = 0;
    if (rec->argText[0][0] == '"') {
        if (rec->argCount < 2) return Fail(ERR_ARG_COUNT);
        uint16_t count = rec->argCount;
        rec->argCount = 1;
        rec->resultType = 1;
        StatementRecord* printed = CmdPrint(rec);
        rec->argCount = count;
        rec->resultType = T_NONE;
        if (!printed) return nullptr;
        target = 1;
    } else {
        EnsureConsole(*this);
    }
    Variable* var = FindVariable(rec->argText[target], nullptr, 0);
    if (!var) return error ? nullptr : rec;
    char line[INPUT_LINE_SIZE];
    if (!ReadInputLine(line)) return Fail(ERR_INPUT_END);
    return StoreLine(*this, var, line) ? rec : nullptr;
}
