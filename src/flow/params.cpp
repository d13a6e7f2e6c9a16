// Parameters of a subroutine call: one copy per template, and the binding
// of each argument by value or by reference according to the parameter's
// type.
#include "flow/flow.h"
#include <cstdlib>
#include <cstring>

enum { STRING_PARAM_SIZE = 255, EMPTY_CELL_SIZE = 16 };

// A nameless, zero-filled head record (allocated as the template heads
// are); released with its list.
Variable* NewListHead() {
    Variable* head = static_cast<Variable*>(calloc(1, sizeof(Variable)));
    if (head) head->isParam = 1;
    return head;
}

// Types whose elements have no size: a cell of theirs would be empty.
static bool IsElementless(int type) {
    return type == T_ARRAY_0 || type == T_SYSTEM_0 || type == T_LABEL_0;
}

// The copy gets the template's shape; by-value types got their own zeroed
// storage from CreateVariable. Element-less types are refused when given
// an argument; without one they get an empty cell like the by-reference
// types (below) instead of a storage of no bytes.
static Variable* CopyTemplate(Keltra& k, const Variable* t, Variable* head) {
    char name[sizeof t->name];
    memcpy(name, t->name, sizeof name);
    name[sizeof name - 1] = 0;
    uint32_t count = IsElementless(t->type) ? 0 : t->count;
    Variable* p = k.CreateVariable(name, t->type, count, head);
    if (!p) return nullptr;
    p->auxA = t->auxA;
    p->auxB = t->auxB;
    p->auxC = t->auxC;
    p->borrowsData = t->borrowsData;
    p->isParam = 1;
    memcpy(p->dims, t->dims, sizeof p->dims);
    p->count = count;
    if (!count) p->borrowsData = 1;
    p->isIndexed = t->isIndexed;
    return p;
}

// Appends one copy per template of the label to `head`. 0 with the error
// code set on failure (the copies made so far stay in the list).
int MakeCallParameters(Keltra& k, Variable* label, Variable* head) {
    for (Variable* t = label->params ? label->params->next : nullptr; t; t = t->next)
        if (!CopyTemplate(k, t, head)) return 0;
    return 1;
}

// A STRING parameter given a value gets a 255-byte buffer of its own.
static int GiveStringBuffer(Variable* p) {
    unsigned char* buf = static_cast<unsigned char*>(calloc(STRING_PARAM_SIZE, 1));
    if (!buf) return 0;
    p->data = p->base = buf;
    p->count = STRING_PARAM_SIZE;
    p->auxA = STRING_PARAM_SIZE;
    p->auxB = 1;
    p->dims[0] = STRING_PARAM_SIZE;
    p->dims[1] = p->dims[2] = 0;
    p->isIndexed = 1;
    p->borrowsData = 0;
    return 1;
}

// A parameter bound by reference that got no argument has no storage; it
// gets a zeroed cell so that it reads as empty or zero and nothing ever
// follows a null cell. An array parameter keeps its zero dimensions, so
// any index into it fails with error 7.
static int GiveEmptyStorage(Variable* p) {
    if (p->type == T_STRING) return GiveStringBuffer(p);
    unsigned char* cell = static_cast<unsigned char*>(calloc(EMPTY_CELL_SIZE, 1));
    if (!cell) return 0;
    p->data = cell;
    if (p->isIndexed) p->base = cell;
    p->count = 1;
    p->borrowsData = 0;
    return 1;
}

// By reference: the parameter refers to the caller's string or array.
static int BindReference(Variable* p, const Variable* s) {
    if (s->type != p->type || !s->isIndexed || !s->data) return ERR_TYPE;
    p->borrowsData = 1;
    p->data = s->data;
    p->base = s->base;
    memcpy(p->dims, s->dims, sizeof p->dims);
    p->auxA = s->auxA;
    p->auxB = s->auxB;
    p->auxC = s->auxC;
    p->count = s->count;
    return 0;
}

static bool IsSmallInteger(int t) {
    return t == T_CHAR || t == T_INT || t == T_WORD || t == T_UINT;
}

static int BindInt32(Variable* p, const ValueRecord& v) {
    int32_t n;
    if (IsSmallInteger(v.type)) n = v.intValue;
    else if (v.type == T_FLOAT) n = TruncToInt32(v.floatValue);
    else if (v.type == T_DOUBLE) n = TruncToInt32(v.doubleValue);
    else return ERR_TYPE;
    if (p->type == T_WORD) {
        uint16_t w = (uint16_t)n;
        memcpy(p->data, &w, sizeof w);
    } else {
        memcpy(p->data, &n, sizeof n);
    }
    return 0;
}

static int BindFloat(Variable* p, const ValueRecord& v) {
    float f;
    if (v.type == T_INT || v.type == T_WORD || v.type == T_UINT) f = (float)v.intValue;
    else if (v.type == T_FLOAT) f = v.floatValue;
    else if (v.type == T_DOUBLE) f = (float)v.doubleValue;
    else return ERR_TYPE;
    memcpy(p->data, &f, sizeof f);
    return 0;
}

static int BindDouble(Variable* p, const ValueRecord& v) {
    double d;
    if (v.type == T_INT || v.type == T_WORD || v.type == T_UINT) d = (double)v.intValue;
    else if (v.type == T_FLOAT || v.type == T_DOUBLE) d = v.doubleValue;
    else return ERR_TYPE;
    memcpy(p->data, &d, sizeof d);
    return 0;
}

static int BindInt64(Variable* p, const ValueRecord& v) {
    int64_t n;
    if (IsSmallInteger(v.type)) n = (int64_t)v.intValue;
    else if (v.type == T_FLOAT) n = TruncToInt64(v.floatValue);
    else if (v.type == T_DOUBLE) n = TruncToInt64(v.doubleValue);
    else if (v.type == T_INT64 || v.type == T_UINT64) n = v.int64Value;
    else return ERR_TYPE;
    memcpy(p->data, &n, sizeof n);
    return 0;
}

static int BindString(Variable* p, const ValueRecord& v) {
    if (v.type != T_STRING) return ERR_TYPE;
    if (!p->data && !GiveStringBuffer(p)) return ERR_NO_MEMORY;
    size_t cap = p->auxA > 1 ? (size_t)p->auxA - 1 : 0;
    size_t n = v.text ? strnlen(v.text, cap) : 0;
    if (n) memcpy(p->data, v.text, n);
    p->data[n] = 0;
    return 0;
}

// Objects are shared: the parameter's cell is the caller's cell.
static int BindObject(Variable* p, const ValueRecord& v) {
    const Variable* s = v.variable;
    if (!s || s->type != p->type || !s->data) return ERR_TYPE;
    p->data = s->data;
    if (p->type == T_USER_0) p->auxC = s->auxC;
    return 0;
}

// A POINTER parameter shares a POINTER argument's cell. Any other variable
// becomes the parameter's pointee; the parameter gets a cell of its own
// holding that variable's address (a pointer cell laid over a smaller
// variable's storage would read and write past it).
static int BindPointer(Variable* p, const ValueRecord& v) {
    Variable* s = v.variable;
    if (!s || !s->data) return ERR_TYPE;
    if (s->type == T_POINTER) {
        p->data = s->data;
        p->pointee = s->pointee;
        return 0;
    }
    unsigned char* cell = static_cast<unsigned char*>(calloc(EMPTY_CELL_SIZE, 1));
    if (!cell) return ERR_NO_MEMORY;
    void* address = s->data;
    memcpy(cell, &address, sizeof address);
    p->data = cell;
    p->count = 1;
    p->borrowsData = 0;
    p->pointee = s;
    return 0;
}

static int BindValue(Variable* p, const ValueRecord& v) {
    if (p->isIndexed && p->type != T_STRING) return ERR_TYPE;   // array without a variable
    switch (p->type) {
    case T_STRING: return BindString(p, v);
    case T_INT: case T_UINT: case T_WORD: return p->data ? BindInt32(p, v) : ERR_TYPE;
    case T_FLOAT: return p->data ? BindFloat(p, v) : ERR_TYPE;
    case T_DOUBLE: return p->data ? BindDouble(p, v) : ERR_TYPE;
    case T_INT64: case T_UINT64: return p->data ? BindInt64(p, v) : ERR_TYPE;
    case T_MEMORY: case T_FILE: case T_WINDOW: case T_DIALOG: case T_BFILE: case T_USER_0:
        return BindObject(p, v);
    case T_POINTER: return BindPointer(p, v);
    case T_CHAR: case T_ARRAY_0: case T_SYSTEM_0: case T_LABEL_0: case T_ISTRING:
        return ERR_BAD_PARAM_TYPE;
    default: return ERR_TYPE;
    }
}

static int BindOne(Variable* p, const ValueRecord& v) {
    if (v.variable && p->isIndexed) return BindReference(p, v.variable);
    return BindValue(p, v);
}

// Argument i (from 1) goes to the i-th parameter; extra arguments are
// ignored, parameters without one keep their zero value.
int BindArguments(Keltra& k, StatementRecord* rec, Variable* head) {
    Variable* p = head->next;
    for (int i = 1; i < rec->argCount && p; i++, p = p->next) {
        ValueRecord v;
        if (!k.EvaluateArgument(&v, rec, i, T_ANYTHING)) return 0;
        int code = BindOne(p, v);
        if (code) {
            k.error = (unsigned char)code;
            return 0;
        }
    }
    for (p = head->next; p; p = p->next)
        if (!p->data && !GiveEmptyStorage(p)) {
            k.error = ERR_NO_MEMORY;
            return 0;
        }
    return 1;
}
