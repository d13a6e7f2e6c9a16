// Slot 20: stores one or more values into a variable, declaring it first
// when the name is new and automatic declaration is on.
#include <cstring>
#include "data/assign.h"
#include "data/data_state.h"

// Type for an implicit declaration, by the class of the first value;
// -1 when the class gives none.
static int ImplicitType(int argClass, const char* value, const char* target) {
    bool text = strchr(target, '$') != nullptr;
    switch (argClass) {
    case AC_NUMBER:     return strchr(value, '.') ? T_FLOAT : T_INT;
    case AC_TEXT:       return T_STRING;
    case AC_NAME:       return text ? T_STRING : T_INT;
    case AC_EXPRESSION: return text ? T_STRING : T_FLOAT;
    default:            return -1;
    }
}

// A target that is neither indexed nor a member and not a '#' reference
// may be declared by its first assignment.
static Variable* FindTarget(Keltra& k, StatementRecord* rec) {
    char* name = rec->argText[0];
    Variable* v = k.FindVariable(name, nullptr, 1);
    if (v) return v;
    if (!k.error) k.error = ERR_NOT_FOUND;
    if (!k.autoDeclare || k.error == ERR_RANGE || strpbrk(name, "[.#")) return nullptr;
    int type = ImplicitType(rec->argClass[1], rec->argText[1], name);
    if (type < 0) return nullptr;
    v = k.CreateVariable(name, type, 1, nullptr);
    if (v) k.error = 0;
    return v;
}

// Bytes a scalar store may write at `data` of a variable that is not
// indexed. SYSTEM_0 and ARRAY_0 cells hold a 32-bit number (DECIMAL_PREC).
static size_t ScalarRoom(const Variable* v) {
    size_t size = kTypes[v->type].elementSize;
    if (v->type == T_SYSTEM_0 || v->type == T_ARRAY_0) return 4;
    size_t own = (size_t)v->count * size;
    return own > size ? own : size;
}

// The end of an indexed target: its declared extent (dimensions of 0 left
// out), and never beyond the storage it has.
static unsigned char* IndexedEnd(const Variable* v) {
    if (!v->base) return nullptr;
    uint64_t unit = v->type == T_STRING ? (uint64_t)(v->auxB > 0 ? v->auxB : 0) : kTypes[v->type].elementSize;
    uint64_t extent = unit;
    for (int i = 0; i < 3; i++)
        if (v->dims[i] > 0) extent *= (uint64_t)v->dims[i];
    uint64_t storage = (uint64_t)v->count * (v->type == T_STRING ? 1 : kTypes[v->type].elementSize);
    return v->base + (extent < storage ? extent : storage);
}

static AssignTarget TargetOf(Variable* v) {
    AssignTarget t;
    t.var = v;
    t.type = v->type;
    t.data = v->data;
    t.cap = v->auxA;
    t.indexed = v->isIndexed != 0;
    t.step = v->type == T_STRING ? (size_t)(v->auxA > 0 ? v->auxA : 0) : kTypes[v->type].elementSize;
    t.end = !v->data ? nullptr : t.indexed ? IndexedEnd(v) : v->data + ScalarRoom(v);
    return t;
}

// Stores value i (argument i + 1). 0 with the error code set on failure.
static int StoreValue(Keltra& k, StatementRecord* rec, const AssignTarget& t, int i) {
    if (!t.data || !t.end) { k.error = ERR_CONVERSION; return 0; }
    unsigned char* dest = t.data + (size_t)i * t.step;
    if (dest >= t.end) { k.error = ERR_STORE_PAST_END; return 0; }
    char* text = rec->argText[i + 1];
    int code;
    switch (rec->argClass[i + 1]) {
    case AC_NUMBER:
        code = StoreNumberText(k, t, dest, text);
        break;
    case AC_TEXT:
        code = StoreLiteral(t, dest, text);
        break;
    case AC_NAME: {
        Variable* v = k.FindVariable(text, nullptr, 1);
        if (!v) {
            if (!k.error) k.error = ERR_SYNTAX;   // a statement that yields no value
            return 0;
        }
        code = StoreVariable(k, t, dest, v);
        break;
    }
    case AC_EXPRESSION: {
        double d = k.EvaluateExpression(text);
        if (k.error) return 0;
        code = StoreExpression(k, t, dest, d);
        break;
    }
    default:
        code = ERR_SYNTAX;
        break;
    }
    if (code) k.error = (unsigned char)code;
    return code ? 0 : 1;
}

StatementRecord* Keltra::CmdAssign(StatementRecord* rec) {
    if (rec->argCount < 2) return Fail(ERR_ARG_COUNT);
    Variable* v = FindTarget(*this, rec);
    if (!v) return nullptr;
    if (v->isConst) return Fail(ERR_CONST_ASSIGN);
    int values = rec->argCount - 1;
    if (values > 1 && !v->isIndexed) return Fail(ERR_SYNTAX);
    AssignTarget t = TargetOf(v);
    PinScope pin(*this);   // a value may run a subroutine that deletes the target
    for (int i = 0; i < values; i++)
        if (!StoreValue(*this, rec, t, i)) return nullptr;
    return rec;
}
