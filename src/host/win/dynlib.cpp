// Shared libraries on Windows: LoadLibraryA/GetProcAddress/FreeLibrary, and
// calls through our own x64 caller (call_x64.cpp).
#include "host/dynlib.h"
#include <windows.h>
#include <cstring>

extern "C" uint64_t KeltraCallX64(void* fn, const uint64_t* slots, uint64_t count, uint64_t* xmm0);

void* DynLibLoad(const char* file) {
    if (!file || !*file) return nullptr;
    return (void*)LoadLibraryA(file);
}

void* DynLibFindLoaded(const char* file) {
    if (!file || !*file) return nullptr;
    return (void*)GetModuleHandleA(file);
}

void* DynLibSymbol(void* lib, const char* name) {
    if (!lib || !name || !*name) return nullptr;
    return (void*)GetProcAddress((HMODULE)lib, name);
}

void DynLibFree(void* lib) {
    if (lib) FreeLibrary((HMODULE)lib);
}

// One argument as its 64-bit slot: integers extended as their kind says, a
// float in the low half (the upper half zero), a double whole.
static bool Slot(const DynValue& v, uint64_t* out) {
    switch (v.kind) {
    case DYN_UINT8: *out = (uint8_t)v.bits; return true;
    case DYN_UINT16: *out = (uint16_t)v.bits; return true;
    case DYN_INT32: *out = (uint64_t)(int64_t)(int32_t)(uint32_t)v.bits; return true;
    case DYN_UINT32: *out = (uint32_t)v.bits; return true;
    case DYN_INT64: case DYN_UINT64: case DYN_POINTER: *out = v.bits; return true;
    case DYN_FLOAT: { uint32_t b; memcpy(&b, &v.f, 4); *out = b; return true; }
    case DYN_DOUBLE: memcpy(out, &v.d, 8); return true;
    }
    return false;
}

// The callee leaves narrow results in the low bits of RAX and XMM0; the
// bits above them are undefined.
static void TakeResult(int kind, uint64_t rax, uint64_t xmm0, DynValue* out) {
    out->kind = kind;
    switch (kind) {
    case DYN_UINT8: out->bits = (uint8_t)rax; break;
    case DYN_UINT16: out->bits = (uint16_t)rax; break;
    case DYN_INT32: out->bits = (uint64_t)(int64_t)(int32_t)(uint32_t)rax; break;
    case DYN_UINT32: out->bits = (uint32_t)rax; break;
    case DYN_INT64: case DYN_UINT64: case DYN_POINTER: out->bits = rax; break;
    case DYN_FLOAT: { uint32_t b = (uint32_t)xmm0; memcpy(&out->f, &b, 4); break; }
    case DYN_DOUBLE: memcpy(&out->d, &xmm0, 8); break;
    }
}

bool DynLibCall(void* fn, const DynValue* args, int count, int resultKind, DynValue* result) {
    if (!fn || count < 0 || count > DYN_MAX_ARGS) return false;
    if (resultKind < DYN_VOID || resultKind > DYN_DOUBLE) return false;
    uint64_t slots[DYN_MAX_ARGS + 4] = {};
    for (int i = 0; i < count; i++)
        if (!Slot(args[i], &slots[i])) return false;
    uint64_t xmm0 = 0;
    uint64_t rax = KeltraCallX64(fn, slots, count < 4 ? 4 : (uint64_t)count, &xmm0);
    if (result) TakeResult(resultKind, rax, xmm0, result);
    return true;
}

// The window and dialog objects are not part of the Windows engine yet.
uintptr_t HostWindowHandle(Keltra&, void*, int) { return 0; }
