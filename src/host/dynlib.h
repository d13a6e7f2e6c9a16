// Shared libraries: loading, finding exports, and calling a function whose
// parameter list is only known at run time. The call follows the platform's
// own 64-bit calling convention: integers and addresses go in integer slots,
// FLOAT as a 32-bit float and DOUBLE as a 64-bit double in floating slots.
#pragma once
#include <cstdint>

struct Keltra;

// What one argument or the result is, as the callee sees it.
enum DynKind {
    DYN_VOID,        // result only: nothing is fetched
    DYN_UINT8, DYN_UINT16, DYN_INT32, DYN_UINT32, DYN_INT64, DYN_UINT64,
    DYN_POINTER,
    DYN_FLOAT, DYN_DOUBLE,
};

enum { DYN_MAX_ARGS = 24 };

struct DynValue {
    int kind = DYN_VOID;
    uint64_t bits = 0;   // integer kinds and DYN_POINTER, extended to 64 bits by kind
    float f = 0;         // DYN_FLOAT
    double d = 0;        // DYN_DOUBLE
};

// Loads a library by file name (a name without a path is searched the
// platform's usual way) and adds one reference. Null on failure.
void* DynLibLoad(const char* file);
// The handle of a library that is already loaded under this name, without
// adding a reference; null when it is not loaded.
void* DynLibFindLoaded(const char* file);
// The address of an export, null when the library has none of that name.
void* DynLibSymbol(void* lib, const char* name);
// Drops one reference taken by DynLibLoad.
void DynLibFree(void* lib);
// Calls fn with count arguments (at most DYN_MAX_ARGS) and fetches the
// result as resultKind into *result. False, without calling, when the
// argument list cannot be passed.
bool DynLibCall(void* fn, const DynValue* args, int count, int resultKind, DynValue* result);

// The native window handle of a window (type 9) or dialog (type 10) object
// held by a program variable; 0 when there is none or it is not a live object.
uintptr_t HostWindowHandle(Keltra& k, void* object, int type);
