// The type table: names that declarations match, element sizes and the
// print formats. Cells holding an address or an engine object are
// pointer-sized; the numeric types keep their sizes.
#include <cinttypes>
#include "engine/keltra.h"

const TypeInfo kTypes[T_COUNT] = {
    {"STRING",   1,                 "%s"},
    {"CHAR",     1,                 "%c"},
    {"INT",      4,                 "%d "},
    {"FLOAT",    4,                 "%.2f "},
    {"ARRAY_0",  0,                 "%%"},
    {"MEMORY",   sizeof(void*),     "%p "},
    {"FILE",     sizeof(void*),     "%%"},
    {"SYSTEM_0", 0,                 ""},
    {"LABEL_0",  0,                 ""},
    {"WINDOW",   sizeof(void*),     "%p "},
    {"DIALOG",   sizeof(void*),     "%p "},
    {"BFILE",    sizeof(void*),     "%p "},
    {"ISTRING",  1,                 "%s"},
    {"WORD",     2,                 "%d"},
    {"DOUBLE",   8,                 "%.2f"},
    {"USER_0",   sizeof(void*),     "%p "},
    {"POINTER",  sizeof(void*),     "%p "},
    {"INT64",    8,                 "%" PRId64 " "},
    {"UINT64",   8,                 "%" PRIu64 " "},
    {"UINT",     4,                 "%u "},
};

int TypeByName(const char* name) {
    if (!name) return -1;
    for (int t = 0; t < T_COUNT; t++)
        if (CompareNoCase(name, kTypes[t].name) == 0) return t;
    return -1;
}
