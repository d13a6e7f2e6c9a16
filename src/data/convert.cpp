// Conversions of the assignment: a number literal parsed by the target's
// type, a text literal, another variable by the (target, value) pair
// table, an expression's result. Every store is bounded by the target's
// end; a text never gets more than its capacity.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include "data/assign.h"
#include "data/data_state.h"

// ---- cells --------------------------------------------------------------------

template <class T> static T Get(const unsigned char* p) {
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}

template <class T> static int Put(const AssignTarget& t, unsigned char* dest, T v) {
    if ((size_t)(t.end - dest) < sizeof v) return ERR_STORE_PAST_END;
    memcpy(dest, &v, sizeof v);
    return 0;
}

static uint64_t TruncToU64(double d) {
    if (d >= 9223372036854775808.0 && d < 18446744073709551616.0) return (uint64_t)d;
    return (uint64_t)TruncTo64(d);
}

// Text into a string cell: at most cap - 1 characters and the terminator;
// a capacity of 1 (one selected character) takes exactly one character
// and no terminator.
static int PutText(const AssignTarget& t, unsigned char* dest, const char* src, size_t len) {
    size_t room = (size_t)(t.end - dest);
    if (t.cap <= 0 || room == 0) return 0;
    if (t.cap == 1) {
        *dest = len ? (unsigned char)src[0] : 0;
        return 0;
    }
    size_t n = len;
    if (n > (size_t)t.cap - 1) n = (size_t)t.cap - 1;
    if (n > room - 1) n = room - 1;
    memmove(dest, src, n);
    dest[n] = 0;
    return 0;
}

// The text of a STRING variable's current element, never read past its storage.
static size_t TextLength(const Variable* v) {
    if (!v->data) return 0;
    size_t avail = v->auxA > 0 ? (size_t)v->auxA : 0;
    if (v->base && v->count && v->data >= v->base) {
        size_t used = (size_t)(v->data - v->base);
        avail = used < v->count ? v->count - used : 0;
    }
    return strnlen(reinterpret_cast<const char*>(v->data), avail);
}

// ---- number literals ---------------------------------------------------------

// A 32-bit number with automatic base: decimal is held to the 32-bit
// range; hexadecimal and octal are read as unsigned 32-bit, so 0xFFFFFFFF
// is -1 as in the rest of the engine.
static int32_t ReadInt32(const char* text) {
    const char* s = SkipBlanks(text);
    if (s[0] == '0' && s[1]) {
        unsigned long long v = strtoull(s, nullptr, 0);
        return (int32_t)(uint32_t)(v > 0xFFFFFFFFull ? 0xFFFFFFFFull : v);
    }
    long long v = strtoll(s, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int32_t)v;
}

static bool IsHexLiteral(const char* s) {
    if (s[0] != '0' || (s[1] != 'x' && s[1] != 'X') || !s[2]) return false;
    for (s += 2; *s; s++)
        if (!isxdigit((unsigned char)*s)) return false;
    return true;
}

// 64-bit targets: a text whose second character is 'x' is a hexadecimal
// value (read exactly when it is a plain literal), else a decimal number.
static int64_t ReadInt64(Keltra& k, const char* text, bool isUnsigned) {
    const char* s = SkipBlanks(text);
    if (s[0] && (s[1] == 'x' || s[1] == 'X')) {
        if (IsHexLiteral(s)) return (int64_t)strtoull(s, nullptr, 16);
        return TruncTo64(k.EvaluateExpression(s));
    }
    return isUnsigned ? (int64_t)strtoull(s, nullptr, 10) : strtoll(s, nullptr, 10);
}

int StoreNumberText(Keltra& k, const AssignTarget& t, unsigned char* dest, const char* text) {
    switch (t.type) {
    case T_CHAR:   return Put(t, dest, (uint8_t)ReadInt32(text));
    case T_WORD:   return Put(t, dest, (uint16_t)ReadInt32(text));
    case T_FLOAT:  return Put(t, dest, (float)strtod(text, nullptr));
    case T_DOUBLE: return Put(t, dest, strtod(text, nullptr));
    case T_INT64:
    case T_UINT64: {
        int64_t v = ReadInt64(k, text, t.type == T_UINT64);
        return k.error ? k.error : Put(t, dest, v);
    }
    case T_UINT: {
        unsigned long long v = strtoull(SkipBlanks(text), nullptr, 0);
        return Put(t, dest, (uint32_t)(v > 0xFFFFFFFFull ? 0xFFFFFFFFull : v));
    }
    case T_INT:
    case T_SYSTEM_0:
    case T_ARRAY_0:
        return Put(t, dest, ReadInt32(text));
    case T_MEMORY:
        return Put(t, dest, (uintptr_t)(uint32_t)ReadInt32(text));
    case T_POINTER:  // the address only; the pointer keeps the record it refers to
        return Put(t, dest, (uintptr_t)(uint32_t)ReadInt32(text));
    default:
        // Strings take no number; object cells (window, dialog, files,
        // user types) take none either, so that a release never treats a
        // number as an object.
        return ERR_CONVERSION;
    }
}

// ---- text literals -----------------------------------------------------------

int StoreLiteral(const AssignTarget& t, unsigned char* dest, const char* text) {
    const char* close = strrchr(text, '"');
    if (!close || close == text) return ERR_SYNTAX;
    const char* lit = text + 1;
    size_t len = (size_t)(close - lit);
    if (t.type == T_STRING) return PutText(t, dest, lit, len);
    if (t.type == T_CHAR) return Put(t, dest, (uint8_t)(len ? lit[0] : 0));
    return ERR_CONVERSION;
}

// ---- variables: the pair table ---------------------------------------------------

static uintptr_t WindowHandle(Keltra& k, const unsigned char* cell) {
    void* obj = Get<void*>(cell);
    DataState& ds = Data(k);
    return obj && ds.hooks.windowHandle ? ds.hooks.windowHandle(k, obj) : 0;
}

static int CopyMembers(Keltra& k, Variable* dst, Variable* src);

// Starts an indexed member at its first element with its full capacity.
static void Rewind(Variable* v) {
    if (!v->isIndexed) return;
    v->data = v->base;
    if (v->type == T_STRING && v->auxB == 1 && v->dims[0] > 0) v->auxA = v->dims[0];
}

static uint32_t Cells(const Variable* v) {
    return v->isIndexed ? v->count : 1;
}

static int CopyMember(Keltra& k, Variable* a, Variable* b) {
    size_t size = kTypes[a->type].elementSize;
    switch (a->type) {
    case T_STRING: {
        AssignTarget t{a, T_STRING, a->data, a->auxA, a->base + a->count, 0, true};
        return PutText(t, a->data, reinterpret_cast<const char*>(b->data), TextLength(b));
    }
    case T_CHAR: case T_WORD: case T_INT: case T_FLOAT: case T_UINT:
    case T_DOUBLE: case T_INT64: case T_UINT64:
    case T_MEMORY: case T_FILE: case T_BFILE:
        memmove(a->data, b->data, size);
        return 0;
    case T_POINTER:
        memmove(a->data, b->data, size);
        a->pointee = b->pointee;
        return 0;
    case T_USER_0: {
        uint32_t n = Cells(a) < Cells(b) ? Cells(a) : Cells(b);
        for (uint32_t e = 0; e < n; e++) {
            int code = CopyMembers(k, Get<Variable*>(a->data + (size_t)e * size),
                                   Get<Variable*>(b->data + (size_t)e * size));
            if (code) return code;
        }
        return 0;
    }
    default:
        return ERR_CONVERSION;
    }
}

// Walks two member lists side by side until either ends.
static int CopyMembers(Keltra& k, Variable* dst, Variable* src) {
    if (!dst || !src) return 0;
    for (Variable* a = dst->next, *b = src->next; a && b; a = a->next, b = b->next) {
        if (a->type != b->type) return ERR_CONVERSION;
        Rewind(a);
        Rewind(b);
        if (!a->data || !b->data || (a->isIndexed && !a->count)) continue;
        int code = CopyMember(k, a, b);
        if (code) return code;
    }
    return 0;
}

static int ToPointer(const AssignTarget& t, unsigned char* dest, Variable* v) {
    int code;
    if (v->type == T_POINTER) {
        code = Put(t, dest, v->data ? Get<uintptr_t>(v->data) : (uintptr_t)0);
        if (!code) t.var->pointee = v->pointee;
    } else {
        code = Put(t, dest, (uintptr_t)v->data);
        if (!code) t.var->pointee = v;
    }
    return code;
}

static int ToChar(const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    switch (v->type) {
    case T_CHAR:   return Put(t, dest, s[0]);
    case T_STRING: return v->auxB ? Put(t, dest, s[0]) : ERR_CONVERSION;
    case T_INT:
    case T_UINT:   return Put(t, dest, (uint8_t)Get<uint32_t>(s));
    case T_WORD:   return Put(t, dest, (uint8_t)Get<uint16_t>(s));
    case T_FLOAT:  return Put(t, dest, (uint8_t)TruncTo64(Get<float>(s)));
    case T_DOUBLE: return Put(t, dest, (uint8_t)TruncTo64(Get<double>(s)));
    default:       return ERR_CONVERSION;
    }
}

// INT and UINT targets: the same 32 bits either way.
static int To32(Keltra& k, const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    switch (v->type) {
    case T_INT:
    case T_UINT:   return Put(t, dest, Get<uint32_t>(s));
    case T_CHAR:   return Put(t, dest, (uint32_t)s[0]);
    case T_WORD:   return Put(t, dest, (uint32_t)Get<uint16_t>(s));
    case T_FLOAT:  return Put(t, dest, (uint32_t)TruncTo64(Get<float>(s)));
    case T_DOUBLE: return Put(t, dest, (uint32_t)TruncTo64(Get<double>(s)));
    case T_WINDOW:
    case T_DIALOG: return Put(t, dest, (uint32_t)WindowHandle(k, s));
    default:       return ERR_CONVERSION;
    }
}

static int ToFloat(const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    switch (v->type) {
    case T_FLOAT:  return Put(t, dest, Get<float>(s));
    case T_CHAR:   return Put(t, dest, (float)s[0]);
    case T_WORD:   return Put(t, dest, (float)Get<uint16_t>(s));
    case T_INT:    return Put(t, dest, (float)Get<int32_t>(s));
    case T_UINT:   return Put(t, dest, (float)Get<uint32_t>(s));
    case T_DOUBLE: return Put(t, dest, (float)Get<double>(s));
    default:       return ERR_CONVERSION;
    }
}

static int ToWord(const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    switch (v->type) {
    case T_WORD:   return Put(t, dest, Get<uint16_t>(s));
    case T_CHAR:   return Put(t, dest, (uint16_t)s[0]);
    case T_INT:    return Put(t, dest, (uint16_t)Get<uint32_t>(s));
    case T_FLOAT:  return Put(t, dest, (uint16_t)TruncTo64(Get<float>(s)));
    case T_DOUBLE: return Put(t, dest, (uint16_t)TruncTo64(Get<double>(s)));
    default:       return ERR_CONVERSION;
    }
}

static int ToDouble(const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    switch (v->type) {
    case T_DOUBLE: return Put(t, dest, Get<double>(s));
    case T_CHAR:   return Put(t, dest, (double)s[0]);
    case T_WORD:   return Put(t, dest, (double)Get<uint16_t>(s));
    case T_UINT:   return Put(t, dest, (double)Get<uint32_t>(s));
    case T_INT:    return Put(t, dest, (double)Get<int32_t>(s));
    case T_FLOAT:  return Put(t, dest, (double)Get<float>(s));
    case T_INT64:
    case T_UINT64: return Put(t, dest, (double)Get<int64_t>(s));
    default:       return ERR_CONVERSION;
    }
}

static int To64(const AssignTarget& t, unsigned char* dest, Variable* v, const unsigned char* s) {
    bool u = t.type == T_UINT64;
    switch (v->type) {
    case T_INT64:
    case T_UINT64: return Put(t, dest, Get<uint64_t>(s));
    case T_CHAR:   return Put(t, dest, (uint64_t)s[0]);
    case T_WORD:   return Put(t, dest, (uint64_t)Get<uint16_t>(s));
    case T_UINT:   return Put(t, dest, (uint64_t)Get<uint32_t>(s));
    case T_INT:    return Put(t, dest, (int64_t)Get<int32_t>(s));
    case T_FLOAT:
    case T_DOUBLE: {
        double d = v->type == T_FLOAT ? (double)Get<float>(s) : Get<double>(s);
        return Put(t, dest, u ? TruncToU64(d) : (uint64_t)TruncTo64(d));
    }
    default:       return ERR_CONVERSION;
    }
}

int StoreVariable(Keltra& k, const AssignTarget& t, unsigned char* dest, Variable* v) {
    if (t.type == T_POINTER) return ToPointer(t, dest, v);
    if (!v->data) return ERR_CONVERSION;
    const unsigned char* s = v->data;
    switch (t.type) {
    case T_STRING:
        if (v->type == T_STRING) return PutText(t, dest, reinterpret_cast<const char*>(s), TextLength(v));
        if (v->type == T_CHAR) return Put(t, dest, s[0]);   // the byte alone, no terminator
        return ERR_CONVERSION;
    case T_CHAR:   return ToChar(t, dest, v, s);
    case T_INT:
    case T_UINT:   return To32(k, t, dest, v, s);
    case T_FLOAT:  return ToFloat(t, dest, v, s);
    case T_WORD:   return ToWord(t, dest, v, s);
    case T_DOUBLE: return ToDouble(t, dest, v, s);
    case T_INT64:
    case T_UINT64: return To64(t, dest, v, s);
    case T_MEMORY:
    case T_FILE:
    case T_BFILE:  // the address or stream is shared, not duplicated
        return v->type == t.type ? Put(t, dest, Get<uintptr_t>(s)) : ERR_CONVERSION;
    case T_USER_0:
        if (v->type != T_USER_0 || (size_t)(t.end - dest) < sizeof(Variable*)) return ERR_CONVERSION;
        return CopyMembers(k, Get<Variable*>(dest), Get<Variable*>(s));
    default:
        return ERR_CONVERSION;
    }
}

// ---- expressions ---------------------------------------------------------------

int StoreExpression(Keltra& k, const AssignTarget& t, unsigned char* dest, double d) {
    if (k.textResult) {
        if (t.type != T_STRING) return ERR_CONVERSION;
        Variable* s = k.sysString;
        if (!s || !s->base) return PutText(t, dest, "", 0);
        const char* text = reinterpret_cast<const char*>(s->base);
        return PutText(t, dest, text, strnlen(text, s->count));
    }
    switch (t.type) {
    case T_CHAR:   return Put(t, dest, (uint8_t)TruncTo64(d));
    case T_INT:
    case T_UINT:   return Put(t, dest, (uint32_t)TruncTo64(d));
    case T_MEMORY: return Put(t, dest, (uintptr_t)(uint32_t)TruncTo64(d));
    case T_WORD:   return Put(t, dest, (uint16_t)TruncTo64(d));
    case T_FLOAT:  return Put(t, dest, (float)d);
    case T_DOUBLE: return Put(t, dest, d);
    case T_INT64:  return Put(t, dest, TruncTo64(d));
    case T_UINT64: return Put(t, dest, TruncToU64(d));
    case T_POINTER: {
        Variable* p = k.sysPointer;
        int code = Put(t, dest, p && p->data ? Get<uintptr_t>(p->data) : (uintptr_t)0);
        if (!code) t.var->pointee = p ? p->pointee : nullptr;
        return code;
    }
    default:
        // Text into a number, a number into a text; window and dialog
        // cells take no computed number (it would pass for an object).
        return ERR_CONVERSION;
    }
}
