// Variable records and type codes. Every named thing a program works with
// at run time (variables, arrays, strings, user-type instances, labels,
// subroutines, declared library functions) is one of these records.
//
// Records and their storage are allocated with calloc and freed with free.
// A list head is a calloc'ed record with an empty name. Records enter a
// list only through CreateVariable and leave it through DeleteVariable or
// ReleaseVariables: the store keeps a name index beside long lists, so a
// record linked or unlinked by hand would be missed by it. Copy records
// field by field, never as a whole (the index fields must not be copied).
#pragma once
#include <cstdint>
#include <cstddef>

enum TypeCode : unsigned char {
    T_STRING = 0, T_CHAR = 1, T_INT = 2, T_FLOAT = 3, T_ARRAY_0 = 4,
    T_MEMORY = 5, T_FILE = 6, T_SYSTEM_0 = 7, T_LABEL_0 = 8, T_WINDOW = 9,
    T_DIALOG = 10, T_BFILE = 11, T_ISTRING = 12, T_WORD = 13, T_DOUBLE = 14,
    T_USER_0 = 15, T_POINTER = 16, T_INT64 = 17, T_UINT64 = 18, T_UINT = 19,
    T_COUNT = 20,
    // expected-type codes of EvaluateArgument beyond the type codes
    T_ANY_NUMBER = 20, T_ANYTHING = 21, T_WINDOW_OR_DIALOG = 25,
    T_NONE = 99,               // resultType: no value
};

// Per-type facts. Cells that hold an address or an engine object are
// pointer-sized on this 64-bit engine; numeric types keep their sizes.
struct TypeInfo {
    const char* name;          // the name declarations match after ':'
    unsigned elementSize;      // bytes per element
    const char* printFormat;   // used by the output statements
};
extern const TypeInfo kTypes[T_COUNT];
int TypeByName(const char* name);  // -1 when no type has this name (case ignored)

enum { NAME_MAX_KEPT = 30 };

struct Variable {
    char name[32];
    Variable* prev;
    Variable* next;
    Variable* params;          // LABEL_0: head of the parameter-template list
    Variable* pointee;         // POINTER: the record whose storage it addresses
    unsigned char type;
    int32_t auxA;
    int32_t auxB;
    int32_t auxC;
    uint32_t count;
    unsigned char* data;       // current element
    unsigned char* base;       // start of storage of an indexed variable
    int32_t isStatic;
    int32_t isParam;
    int32_t isDll;
    int32_t isConst;
    int32_t isIndexed;
    int32_t borrowsData;
    int32_t dllCdecl;
    char dllFile[80];
    int32_t dims[3];
    void* ext;                 // owned by the subsystem that set it (e.g. a resolved library function)
    // Variable-store bookkeeping (data/): the name index of the list this
    // record begins, and the one that holds this record; 0 for none.
    uint32_t anchorOf;
    uint32_t memberOf;
};
