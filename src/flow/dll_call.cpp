// Calling a declared library function: every argument is checked and
// converted before the call, so a refused argument never leads to a
// partial call.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "flow/dll.h"
#include "flow/dll_struct.h"
#include "host/dynlib.h"

namespace {

// What the call holds until it ends: the library reference taken for its
// duration, structure buffers and private copies of text arguments.
struct CallFrame {
    void* lib = nullptr;
    std::vector<StructBuffer> structs;
    std::vector<char*> texts;
    ~CallFrame() {
        for (StructBuffer& s : structs) FreeStructBuffer(&s);
        for (char* t : texts) free(t);
        if (lib) DynLibFree(lib);
    }
};

// A parameter template as the call needs it, copied before any argument is
// evaluated (an argument may run program code).
struct Param {
    int type;
    bool array;    // declared with brackets
};

bool IsNumber(int type) {
    switch (type) {
    case T_INT: case T_FLOAT: case T_WORD: case T_DOUBLE: case T_INT64: case T_UINT64: case T_UINT:
        return true;
    }
    return false;
}

// Toward zero; NaN gives 0 and values beyond the range stop at its ends.
int64_t Truncate(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9.2e18) return INT64_MAX;
    if (d <= -9.2e18) return INT64_MIN;
    return (int64_t)d;
}

int64_t IntegerOf(const ValueRecord& v) {
    switch (v.type) {
    case T_FLOAT: return Truncate(v.floatValue);
    case T_DOUBLE: return Truncate(v.doubleValue);
    case T_INT64: case T_UINT64: return v.int64Value;
    case T_UINT: return (uint32_t)v.intValue;
    case T_WORD: return (uint16_t)v.intValue;
    }
    return v.intValue;
}

double RealOf(const ValueRecord& v) {
    switch (v.type) {
    case T_FLOAT: return v.floatValue;
    case T_DOUBLE: return v.doubleValue;
    case T_INT64: return (double)v.int64Value;
    case T_UINT64: return (double)(uint64_t)v.int64Value;
    case T_UINT: return (uint32_t)v.intValue;
    case T_WORD: return (uint16_t)v.intValue;
    }
    return v.intValue;
}

void SetInteger(DynValue* out, int kind, uint64_t bits) { out->kind = kind; out->bits = bits; }
void SetAddress(DynValue* out, const void* p) { SetInteger(out, DYN_POINTER, (uintptr_t)p); }

// The address or object a pointer-sized cell holds.
void* CellPointer(const ValueRecord& v) {
    if (!v.address) return (void*)v.handle;
    void* p;
    memcpy(&p, v.address, sizeof p);
    return p;
}

// A number for a numeric parameter, passed as the parameter's own type.
// (A FLOAT or DOUBLE parameter gets the value converted, whatever the
// argument's type: a float register holding an integer's bits is no value.)
void ConvertNumber(const ValueRecord& v, int type, DynValue* out) {
    int64_t i = IntegerOf(v);
    switch (type) {
    case T_INT: SetInteger(out, DYN_INT32, (uint64_t)(int64_t)(int32_t)(uint32_t)i); break;
    case T_UINT: SetInteger(out, DYN_UINT32, (uint32_t)i); break;
    case T_WORD: SetInteger(out, DYN_UINT16, (uint16_t)i); break;
    case T_INT64: SetInteger(out, DYN_INT64, (uint64_t)i); break;
    case T_UINT64: SetInteger(out, DYN_UINT64, (uint64_t)i); break;
    case T_FLOAT: out->kind = DYN_FLOAT; out->f = (float)RealOf(v); break;
    case T_DOUBLE: out->kind = DYN_DOUBLE; out->d = RealOf(v); break;
    }
}

// A text the function may write into: a string variable passes its own
// storage; any other text passes a private copy with room for 255 characters.
int ConvertText(CallFrame& call, const ValueRecord& v, DynValue* out) {
    if (v.variable && v.variable->type == T_STRING) {
        SetAddress(out, v.text);
        return 0;
    }
    size_t n = strlen(v.text);
    char* copy = (char*)calloc(1, n < 256 ? 256 : n + 1);
    if (!copy) return ERR_NO_MEMORY;
    call.texts.push_back(copy);
    memcpy(copy, v.text, n);
    SetAddress(out, copy);
    return 0;
}

int ConvertStruct(Keltra& k, CallFrame& call, const ValueRecord& v, DynValue* out) {
    Variable* head = (Variable*)CellPointer(v);
    if (!head) {   // an instance without members passes 0
        SetAddress(out, nullptr);
        return 0;
    }
    int pack = v.variable ? v.variable->auxC : 8;
    call.structs.emplace_back();
    int err = BuildStructBuffer(k, head, pack, &call.structs.back());
    if (err) return err;
    SetAddress(out, call.structs.back().bytes);
    return 0;
}

// One argument against its parameter (none: p is null). Returns 0 or an
// error code.
int ConvertArgument(Keltra& k, CallFrame& call, const ValueRecord& v, const Param* p, DynValue* out) {
    int t = p ? p->type : -1;
    if (v.type == T_USER_0) return ConvertStruct(k, call, v, out);
    if (v.type == T_STRING && v.text)
        return t == T_STRING ? ConvertText(call, v, out) : ERR_DLL_ARG;
    if (IsNumber(v.type)) {
        if (IsNumber(t)) {
            if (!p->array) { ConvertNumber(v, t, out); return 0; }
            if (!v.variable || !v.variable->isIndexed || !v.address) return ERR_TYPE;
            SetAddress(out, v.address);
            return 0;
        }
        if (t == T_POINTER && v.variable && v.address) { SetAddress(out, v.address); return 0; }
        return ERR_DLL_ARG;
    }
    switch (v.type) {
    case T_MEMORY: case T_POINTER:
        if (t != v.type) return ERR_DLL_ARG;
        SetAddress(out, CellPointer(v));
        return 0;
    case T_WINDOW: case T_DIALOG: {
        if (t != T_INT && t != v.type) return ERR_DLL_ARG;
        void* object = CellPointer(v);
        uintptr_t h = object ? HostWindowHandle(k, object, v.type) : 0;
        if (t == T_INT) SetInteger(out, DYN_INT32, (uint64_t)(int64_t)(int32_t)(uint32_t)h);
        else SetInteger(out, DYN_POINTER, h);
        return 0;
    }
    }
    return ERR_DLL_ARG;   // CHAR, FILE, BFILE and the rest
}

int ResultKind(int type) {
    switch (type) {
    case T_STRING: case T_POINTER: return DYN_POINTER;
    case T_CHAR: return DYN_UINT8;
    case T_WORD: return DYN_UINT16;
    case T_INT: return DYN_INT32;
    case T_UINT: return DYN_UINT32;
    case T_FLOAT: return DYN_FLOAT;
    case T_DOUBLE: return DYN_DOUBLE;
    case T_INT64: return DYN_INT64;
    case T_UINT64: return DYN_UINT64;
    }
    return DYN_VOID;
}

// The result goes to the system variable of its type. CHAR and WORD
// results are integers in SYSTEM_INT0 and say so (type 2), so an
// expression finds them there; types without a system variable store
// nothing and report no value.
void StoreResult(Keltra& k, StatementRecord* rec, int type, const DynValue& r) {
    switch (type) {
    case T_STRING: {
        // A null address gives the empty text; otherwise a bounded copy.
        const char* p = (const char*)(uintptr_t)r.bits;
        size_t cap = k.sysString && k.sysString->count ? k.sysString->count : 65536;
        std::string text = p ? std::string(p, strnlen(p, cap - 1)) : std::string();
        k.SetResultText(rec, text.c_str());
        break;
    }
    case T_CHAR: case T_INT: case T_WORD: k.SetResultInt(rec, (int32_t)(uint32_t)r.bits); break;
    case T_UINT: k.SetResultInt(rec, (int32_t)(uint32_t)r.bits); rec->resultType = T_UINT; break;
    case T_FLOAT: k.SetResultFloat(rec, r.f); break;
    case T_DOUBLE: k.SetResultDouble(rec, r.d); break;
    case T_INT64: case T_UINT64: k.SetResultInt64(rec, (int64_t)r.bits, type); break;
    case T_POINTER:   // a foreign address: it refers to no variable record
        k.SetResultPointer(rec, (void*)(uintptr_t)r.bits);
        if (k.sysPointer) k.sysPointer->pointee = nullptr;
        break;
    default: rec->resultType = T_NONE; break;
    }
}

}  // namespace

StatementRecord* Keltra::CmdCallDll(StatementRecord* rec) {
    if (rec->argCount < 1) return Fail(ERR_SYNTAX);   // no function named
    Variable* fn = FindVariable(rec->argText[0], nullptr, 1);
    // A name run through the call fall-back may yield nothing without an
    // error; it is no library function either.
    if (!fn) return Fail(error ? error : (unsigned char)ERR_TYPE);
    if (fn->type != T_LABEL_0 || !fn->isDll) return Fail(ERR_TYPE);
    int argc = rec->argCount - 1;
    if (fn->auxB != 0 && argc != fn->auxB) return Fail(ERR_ARG_COUNT);

    CallFrame call;
    call.lib = DynLibLoad(fn->dllFile);
    if (!call.lib) return Fail(ERR_DLL_LOAD);
    const char* exported = fn->data ? (const char*)fn->data : fn->name;
    void* proc = DynLibSymbol(call.lib, exported);
    if (!proc) return Fail(ERR_DLL_EXPORT);

    Param params[DYN_MAX_ARGS];
    int paramCount = 0;
    for (Variable* t = fn->params ? fn->params->next : nullptr; t && paramCount < DYN_MAX_ARGS; t = t->next)
        params[paramCount++] = Param{t->type, t->isIndexed && t->type != T_STRING};
    int resultType = fn->auxC;

    DynValue args[DYN_MAX_ARGS];
    for (int i = 0; i < argc && i < DYN_MAX_ARGS; i++) {
        ValueRecord v;
        if (!EvaluateArgument(&v, rec, i + 1, T_ANYTHING)) return nullptr;
        int err = ConvertArgument(*this, call, v, i < paramCount ? &params[i] : nullptr, &args[i]);
        if (err) return Fail(err);
    }
    DynValue result;
    if (!DynLibCall(proc, args, argc, ResultKind(resultType), &result)) return Fail(ERR_DLL_ARG);
    StoreResult(*this, rec, resultType, result);
    for (StructBuffer& s : call.structs) ReadStructBack(&s);
    return rec;
}
