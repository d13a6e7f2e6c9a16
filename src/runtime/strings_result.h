// Where string functions leave their text: the storage of SYSTEM_STRING0.
// A string argument may itself be the current content of SYSTEM_STRING0,
// so results are moved in with memmove, never copied with overlapping strcpy.
#pragma once
#include <cstddef>
#include <cstring>
#include "engine/keltra.h"

enum { STRING_RESULT_MAX = 65535 };   // characters a string result may hold

// Characters SYSTEM_STRING0 can hold (its capacity less the terminator).
inline size_t ResultRoom(Keltra& k) {
    if (!k.sysString || !k.sysString->data || k.sysString->auxA < 1) return 0;
    size_t room = (size_t)k.sysString->auxA - 1;
    return room < STRING_RESULT_MAX ? room : STRING_RESULT_MAX;
}

// Stores len characters of text (cut to the room there is) as the string
// result and sets the record's result type.
inline StatementRecord* StoreTextResult(Keltra& k, StatementRecord* rec, const char* text, size_t len) {
    if (!k.sysString || !k.sysString->data) return k.Fail(ERR_NO_MEMORY);
    size_t room = ResultRoom(k);
    if (len > room) len = room;
    char* out = (char*)k.sysString->data;
    if (len) memmove(out, text, len);
    out[len] = 0;
    rec->resultType = T_STRING;
    return rec;
}

// Length of a text that may be null, counted no further than limit.
inline size_t TextLength(const char* text, size_t limit = (size_t)-1) {
    return text ? strnlen(text, limit) : 0;
}
