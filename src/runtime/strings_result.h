// Where string functions leave their text: the storage of SYSTEM_STRING0.
// A string argument may itself be the current content of SYSTEM_STRING0,
// so results are moved in with memmove, never copied with overlapping strcpy.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include "engine/keltra.h"

constexpr size_t STRING_RESULT_MAX = 65535;   // characters a string result may hold

// The storage of SYSTEM_STRING0 set back to its start and full capacity
// (an indexed lookup may have left it on one character); null before the
// interpreter is prepared.
inline char* ResultStorage(Keltra& k) {
    Variable* v = k.sysString;
    if (!v) return nullptr;
    if (v->base) v->data = v->base;
    if (v->dims[0] > 0) v->auxA = v->dims[0];
    return v->auxA >= 1 ? (char*)v->data : nullptr;
}

// Characters SYSTEM_STRING0 can hold (its capacity less the terminator).
inline size_t ResultRoom(Keltra& k) {
    if (!ResultStorage(k)) return 0;
    size_t room = (size_t)k.sysString->auxA - 1;
    return room < STRING_RESULT_MAX ? room : STRING_RESULT_MAX;
}

// True when text points into the storage of SYSTEM_STRING0.
inline bool InResultStorage(Keltra& k, const char* text) {
    const char* store = ResultStorage(k);
    return text && store && text >= store && text < store + k.sysString->auxA;
}

// Stores len characters of text (cut to the room there is) as the string
// result and sets the record's result type.
inline StatementRecord* StoreTextResult(Keltra& k, StatementRecord* rec, const char* text, size_t len) {
    char* out = ResultStorage(k);
    if (!out) return k.Fail(ERR_NO_MEMORY);
    size_t room = ResultRoom(k);
    if (len > room) len = room;
    if (len) memmove(out, text, len);
    out[len] = 0;
    rec->resultType = T_STRING;
    return rec;
}

// Length of a text that may be null.
inline size_t TextLength(const char* text) { return text ? strlen(text) : 0; }
// The same, counted no further than limit.
inline size_t TextLength(const char* text, size_t limit) { return text ? strnlen(text, limit) : 0; }

// Evaluates argument index as STRING into *text (which may be null: a
// memory variable without a block); false when evaluation failed. When the
// text lives in SYSTEM_STRING0 and later arguments are still to be
// evaluated (which may write SYSTEM_STRING0 again), it is first copied to
// keep, a string of the calling handler (handlers nest through arguments,
// so no shared buffer would do).
bool StringArgument(Keltra& k, StatementRecord* rec, int index, std::string* keep,
                    const char** text);

// Reads a number as the C library's string-to-double does on the engine's
// reference platform: white space, sign, digits, point, exponent; no
// hexadecimal, infinity or not-a-number forms. Text without a number is 0.0.
double TextToNumber(const char* text);
