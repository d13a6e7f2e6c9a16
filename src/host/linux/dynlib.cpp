// Shared libraries on Linux: dlopen/dlsym, and calls through libffi.
#include "host/dynlib.h"
#include <dlfcn.h>
#include <ffi.h>
#include <cstring>

void* DynLibLoad(const char* file) {
#ifdef KELTRA_FUZZ_BUILD
    (void)file;
    return nullptr;   // fuzzed programs load no library: every call fails to load
#endif
    if (!file || !*file) return nullptr;
    return dlopen(file, RTLD_NOW | RTLD_LOCAL);
}

void* DynLibFindLoaded(const char* file) {
#ifdef KELTRA_FUZZ_BUILD
    (void)file;
    return nullptr;
#endif
    if (!file || !*file) return nullptr;
    // RTLD_NOLOAD still counts a reference on success; give it back at once.
    // The library stays loaded because somebody else holds it.
    void* lib = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
    if (lib) dlclose(lib);
    return lib;
}

void* DynLibSymbol(void* lib, const char* name) {
    if (!lib || !name || !*name) return nullptr;
    return dlsym(lib, name);
}

void DynLibFree(void* lib) {
    if (lib) dlclose(lib);
}

static ffi_type* FfiType(int kind) {
    switch (kind) {
    case DYN_VOID: return &ffi_type_void;
    case DYN_UINT8: return &ffi_type_uint8;
    case DYN_UINT16: return &ffi_type_uint16;
    case DYN_INT32: return &ffi_type_sint32;
    case DYN_UINT32: return &ffi_type_uint32;
    case DYN_INT64: return &ffi_type_sint64;
    case DYN_UINT64: return &ffi_type_uint64;
    case DYN_POINTER: return &ffi_type_pointer;
    case DYN_FLOAT: return &ffi_type_float;
    case DYN_DOUBLE: return &ffi_type_double;
    }
    return nullptr;
}

// One argument's storage, in the width libffi reads for its type.
union Slot {
    uint8_t u8; uint16_t u16; int32_t i32; uint32_t u32;
    int64_t i64; uint64_t u64; void* p; float f; double d;
};

static void FillSlot(const DynValue& v, Slot* s) {
    memset(s, 0, sizeof *s);
    switch (v.kind) {
    case DYN_UINT8: s->u8 = (uint8_t)v.bits; break;
    case DYN_UINT16: s->u16 = (uint16_t)v.bits; break;
    case DYN_INT32: s->i32 = (int32_t)(uint32_t)v.bits; break;
    case DYN_UINT32: s->u32 = (uint32_t)v.bits; break;
    case DYN_INT64: s->i64 = (int64_t)v.bits; break;
    case DYN_UINT64: s->u64 = v.bits; break;
    case DYN_POINTER: s->p = (void*)(uintptr_t)v.bits; break;
    case DYN_FLOAT: s->f = v.f; break;
    case DYN_DOUBLE: s->d = v.d; break;
    }
}

// libffi widens integer results narrower than a register to ffi_arg.
union Result {
    ffi_arg a; ffi_sarg s; uint64_t u64; float f; double d; void* p;
    char room[16];
};

static void TakeResult(int kind, const Result& r, DynValue* out) {
    out->kind = kind;
    switch (kind) {
    case DYN_UINT8: out->bits = (uint8_t)r.a; break;
    case DYN_UINT16: out->bits = (uint16_t)r.a; break;
    case DYN_INT32: out->bits = (uint64_t)(int64_t)(int32_t)r.s; break;
    case DYN_UINT32: out->bits = (uint32_t)r.a; break;
    case DYN_INT64: case DYN_UINT64: out->bits = r.u64; break;
    case DYN_POINTER: out->bits = (uint64_t)(uintptr_t)r.p; break;
    case DYN_FLOAT: out->f = r.f; break;
    case DYN_DOUBLE: out->d = r.d; break;
    }
}

bool DynLibCall(void* fn, const DynValue* args, int count, int resultKind, DynValue* result) {
    if (!fn || count < 0 || count > DYN_MAX_ARGS) return false;
    ffi_type* types[DYN_MAX_ARGS];
    Slot slots[DYN_MAX_ARGS];
    void* values[DYN_MAX_ARGS];
    for (int i = 0; i < count; i++) {
        types[i] = FfiType(args[i].kind);
        if (!types[i] || args[i].kind == DYN_VOID) return false;
        FillSlot(args[i], &slots[i]);
        values[i] = &slots[i];
    }
    ffi_type* rtype = FfiType(resultKind);
    if (!rtype) return false;
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, (unsigned)count, rtype, types) != FFI_OK) return false;
    Result r;
    memset(&r, 0, sizeof r);
    ffi_call(&cif, reinterpret_cast<void (*)(void)>(fn), &r, values);
    if (result) TakeResult(resultKind, r, result);
    return true;
}

// No program windows exist in the Linux engine.
uintptr_t HostWindowHandle(Keltra&, void*, int) { return 0; }
