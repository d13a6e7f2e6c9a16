// Function results: a handler that yields a value leaves it in one of the
// six system variables and names that variable by the record's result type.
#include <cstring>
#include "eval/expression.h"

Variable* Keltra::ResultVariable(int resultType) {
    switch (resultType) {
    case T_STRING:  return sysString;
    case T_INT:
    case T_UINT:    return sysInt;
    case T_FLOAT:   return sysFloat;
    case T_DOUBLE:  return sysDouble;
    case T_POINTER: return sysPointer;
    case T_INT64:
    case T_UINT64:  return sysInt64;
    default:        return nullptr;
    }
}

// Stores a scalar into a system variable's cell, when the variable exists.
static void Store(Variable* v, const void* value, size_t size) {
    if (v && v->data) memcpy(v->data, value, size);
}

static void SetType(StatementRecord* rec, int type) {
    if (rec) rec->resultType = type;
}

// The text may be (a part of) SYSTEM_STRING0 itself: it is moved, not
// copied, and cut to the capacity less one character.
void Keltra::SetResultText(StatementRecord* rec, const char* text) {
    SetType(rec, T_STRING);
    int32_t cap = !sysString ? 0 : sysString->dims[0] > 0 ? sysString->dims[0] : sysString->auxA;
    size_t room = cap > 0 ? (size_t)cap - 1 : 0;
    StoreSystemText(*this, text, text ? strnlen(text, room) : 0);
}

void Keltra::SetResultInt(StatementRecord* rec, int32_t v) {
    Store(sysInt, &v, sizeof v);
    SetType(rec, T_INT);
}

void Keltra::SetResultDouble(StatementRecord* rec, double v) {
    Store(sysDouble, &v, sizeof v);
    SetType(rec, T_DOUBLE);
}

void Keltra::SetResultFloat(StatementRecord* rec, float v) {
    Store(sysFloat, &v, sizeof v);
    SetType(rec, T_FLOAT);
}

// type is T_INT64 or T_UINT64; both share SYSTEM_INT64.
void Keltra::SetResultInt64(StatementRecord* rec, int64_t v, int type) {
    Store(sysInt64, &v, sizeof v);
    SetType(rec, type == T_UINT64 ? T_UINT64 : T_INT64);
}

void Keltra::SetResultPointer(StatementRecord* rec, void* p) {
    Store(sysPointer, &p, sizeof p);
    SetType(rec, T_POINTER);
}
