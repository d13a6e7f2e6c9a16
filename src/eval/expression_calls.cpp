// Function items and variable reads of the expression evaluator. A
// statement marker (or a subroutine name) directly followed by its reduced
// argument list is run through the handler table with a call record of its
// own, the arguments re-encoded as text; its result comes back from the
// system variable that the record's result type names.
#include <cstdio>
#include <cstring>
#include "eval/expression.h"

namespace {

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

template <class T> T Cell(const unsigned char* d) {
    T v;
    memcpy(&v, d, sizeof v);
    return v;
}

template <class T> T SystemCell(Variable* v) {
    return v && v->data ? Cell<T>(v->data) : T();
}

bool SetOwnText(Keltra& k, ExprItem& item, const char* text, size_t len) {
    if (item.own.Reserve((uint32_t)(len + 1)) < len + 1) return Fail(k, ERR_NO_MEMORY);
    memmove(item.own.buf, text, len);
    item.own.buf[len] = 0;
    item.kind = EK_TEXT;
    item.text = item.own.buf;
    item.len = len;
    return true;
}

void SetNumber(ExprItem& item, double v) {
    item.kind = EK_NUMBER;
    item.number = v;
}

// "%d" without the formatting machinery: it runs for every whole-number
// argument of a function item.
void FormatInt32(int32_t v, char* out) {
    char digits[12];
    int n = 0;
    uint32_t u = v < 0 ? 0u - (uint32_t)v : (uint32_t)v;
    do {
        digits[n++] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0) *out++ = '-';
    while (n) *out++ = digits[--n];
    *out = 0;
}

// A whole number that fits 32 bits travels as its digits; anything else
// as "%.16f". A number whose "%.16f" text would not fit an argument (its
// magnitude beyond about 1e238) travels in exponent form, which still
// reads as a fraction with the same value.
void FormatNumberArgument(double n, char* out) {
    if (n >= -2147483648.0 && n <= 2147483647.0 && n == (double)(int32_t)n) {
        FormatInt32((int32_t)n, out);
        return;
    }
    int w = snprintf(out, ARG_TEXT_SIZE, "%.16f", n);
    if (w < 0 || w >= ARG_TEXT_SIZE) snprintf(out, ARG_TEXT_SIZE, "%.16e", n);
}

// Code and first argument: a statement marker names its handler; a name
// must be a subroutine or library function, called through slot 44 or 120
// with the name as argument 0.
bool SetCallTarget(Keltra& k, StatementRecord* rec, char* start, char* args, int* arg) {
    rec->statementText = start;
    if ((unsigned char)start[0] == 0xFF) {
        int code = MarkerCode(reinterpret_cast<unsigned char*>(start));
        if (code < 0) return Fail(k, ERR_BAD_CODE);
        rec->code = (uint16_t)code;
        *arg = 0;
        return true;
    }
    size_t len = (size_t)(args - start);
    char saved = *args;
    *args = 0;
    Variable* v = k.FindVariable(start, nullptr, 0);
    if (v && v->type == T_LABEL_0 && len < ARG_TEXT_SIZE) memcpy(rec->argText[0], start, len + 1);
    *args = saved;
    if (!v || v->type != T_LABEL_0) return Fail(k, k.error ? k.error : (unsigned char)ERR_SYNTAX);
    if (len >= ARG_TEXT_SIZE) return Fail(k, ERR_TOO_LONG);
    rec->code = v->isDll ? 120 : 44;
    rec->argClass[0] = AC_NAME;
    *arg = 1;
    return true;
}

// Fills the call record from the item at start and the placeholders at
// *cursor; leaves *cursor after the last placeholder.
bool BuildCallRecord(Keltra& k, ExprState& st, StatementRecord* rec, char* start, char** cursor) {
    rec->resultType = T_NONE;
    rec->redirect = 0;
    rec->argCount = 0;
    int arg;
    if (!SetCallTarget(k, rec, start, *cursor, &arg)) return false;
    char* p = *cursor;
    while (*p >= PH_NUMBER && *p <= PH_EMPTY) {
        int kind = *p, index = (unsigned char)p[1];
        p += p[1] ? 2 : 1;
        if (kind == PH_EMPTY) continue;
        if (!SetArgument(k, st, rec, arg, kind, index)) return false;
        arg++;
    }
    rec->argCount = (uint16_t)arg;
    *cursor = p;
    return true;
}

}  // namespace

// The statement code of a marker at s, or -1 when its bytes are not a
// valid code.
int MarkerCode(const unsigned char* s) {
    if (s[1] < 0xE0 || s[1] > 0xEF || s[2] < 0xE0 || s[2] > 0xEF) return -1;
    int code = ((s[1] - 0xE0) << 4) | (s[2] - 0xE0);
    return code < HANDLER_COUNT - 1 ? code : -1;
}

// One argument from placeholder kind/index into argument slot arg.
bool SetArgument(Keltra& k, ExprState& st, StatementRecord* rec, int arg, int kind, int index) {
    int limit = kind == PH_NUMBER ? st.numberCount : st.textCount;
    if (index < 1 || index > limit) return Fail(k, ERR_SYNTAX);
    if (arg >= MAX_ARGS) return Fail(k, ERR_TOO_LONG);
    char* out = rec->argText[arg];
    if (kind == PH_NUMBER) {
        FormatNumberArgument(st.numbers[index - 1], out);
        rec->argClass[arg] = AC_NUMBER;
        return true;
    }
    const char* text = st.texts[index - 1].Text();
    size_t len = strlen(text);
    if (kind == PH_TEXT) {
        if (len + 2 >= ARG_TEXT_SIZE) return Fail(k, ERR_TOO_LONG);
        out[0] = '"';
        memcpy(out + 1, text, len);
        out[len + 1] = '"';
        out[len + 2] = 0;
        rec->argClass[arg] = AC_TEXT;
        return true;
    }
    if (len >= ARG_TEXT_SIZE) return Fail(k, ERR_TOO_LONG);
    memcpy(out, text, len + 1);
    rec->argClass[arg] = text[0] == '-' ? AC_EXPRESSION : AC_NAME;
    return true;
}

// The value a handler left, by its record's result type. A handler that
// left none (result type 99, or a type without a system variable) gives
// the item no value: that fails like a name that is no value.
bool TakeResult(Keltra& k, int resultType, ExprItem& item) {
    switch (resultType) {
    case T_DOUBLE:  SetNumber(item, SystemCell<double>(k.sysDouble)); return true;
    case T_INT:
    case T_UINT:    SetNumber(item, SystemCell<int32_t>(k.sysInt)); return true;
    case T_FLOAT:   SetNumber(item, SystemCell<float>(k.sysFloat)); return true;
    case T_POINTER: SetNumber(item, (double)SystemCell<intptr_t>(k.sysPointer)); return true;
    case T_INT64:
    case T_UINT64:  SetNumber(item, (double)SystemCell<int64_t>(k.sysInt64)); return true;
    case T_STRING: {
        const char* text = SystemText(k);
        size_t room = k.sysString && k.sysString->auxA > 0 ? (size_t)k.sysString->auxA - 1 : 0;
        return SetOwnText(k, item, text, strnlen(text, room));
    }
    default:        return Fail(k, ERR_SYNTAX);
    }
}

bool CallFunctionItem(Keltra& k, ExprState& st, char* start, char** cursor, ExprItem& item) {
    StatementRecord* rec = AcquireCallRecord(k);
    if (!rec) return Fail(k, k.error ? k.error : (unsigned char)ERR_NO_MEMORY);
    bool ok = BuildCallRecord(k, st, rec, start, cursor) && RunCallRecord(k, rec, item);
    ReleaseCallRecord(k, rec);
    return ok;
}

bool RunCallRecord(Keltra& k, StatementRecord* rec, ExprItem& item) {
    if (k.error) return false;
    StatementRecord* r = k.Dispatch(rec);
    if (k.error) return false;
    if (!r) return Fail(k, ERR_SYNTAX);          // the handler stopped without a value
    return TakeResult(k, rec->resultType, item);
}

// Reading a variable's value by its type. Cells that hold an address or an
// engine object are pointer-sized here and read whole; other types read
// the first 32 bits of their storage as unsigned, 0 without storage.
bool ReadVariable(Keltra& k, Variable* v, ExprItem& item) {
    const unsigned char* d = v->data;
    if (v->type == T_STRING)
        return SetOwnText(k, item, d ? (const char*)d : "", VariableTextLength(v));
    if (!d) {
        SetNumber(item, 0.0);
        return true;
    }
    double n;
    switch (v->type) {
    case T_CHAR:   n = (int8_t)d[0]; break;
    case T_INT:    n = Cell<int32_t>(d); break;
    case T_FLOAT:  n = Cell<float>(d); break;
    case T_WORD:   n = Cell<uint16_t>(d); break;
    case T_DOUBLE: n = Cell<double>(d); break;
    case T_INT64:
    case T_UINT64: n = (double)Cell<int64_t>(d); break;
    case T_UINT:   n = Cell<uint32_t>(d); break;
    default: {
        unsigned size = v->type < T_COUNT ? kTypes[v->type].elementSize : 0;
        n = size >= 8 ? (double)Cell<uint64_t>(d) : size == 1 ? (double)d[0] : (double)Cell<uint32_t>(d);
        break;
    }
    }
    SetNumber(item, n);
    return true;
}

// ---- pools ----------------------------------------------------------------

StatementRecord* AcquireCallRecord(Keltra& k) {
    EvalState& es = k.Ext<EvalState>(EXT_EVAL);
    if (es.recordCount > 0) return es.freeRecords[--es.recordCount];
    return k.NewStatementRecord(MAX_ARGS);
}

void ReleaseCallRecord(Keltra& k, StatementRecord* rec) {
    EvalState& es = k.Ext<EvalState>(EXT_EVAL);
    if (es.recordCount < (int)(sizeof es.freeRecords / sizeof es.freeRecords[0]))
        es.freeRecords[es.recordCount++] = rec;
    else
        Keltra::FreeStatementRecord(rec);
}
