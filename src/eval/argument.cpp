// EvaluateArgument: one statement argument into a value record, by the
// class the decoder gave it, then checked against the type the handler
// expects. The record offers the value in several forms at once.
#include <cstdlib>
#include <cstring>
#include "eval/expression.h"

namespace {

template <class T> T Cell(const unsigned char* d) {
    T v = T();
    if (d) memcpy(&v, d, sizeof v);
    return v;
}

// The first cell of an object-holding variable: pointer-sized cells whole,
// others their first 32 bits.
uintptr_t HandleCell(const Variable* v) {
    if (!v->data) return 0;
    unsigned size = v->type < T_COUNT ? kTypes[v->type].elementSize : 0;
    if (size >= sizeof(uintptr_t)) return Cell<uintptr_t>(v->data);
    if (size == 1) return v->data[0];
    return Cell<uint32_t>(v->data);
}

void SetFromDouble(ValueRecord* out, double d) {
    out->doubleValue = d;
    out->floatValue = ToFloat(d);
    out->int64Value = TruncateToInt64(d);
    out->intValue = LowInt32(out->int64Value);
}

// Class 0: a decimal fraction (type FLOAT), a hexadecimal or octal number
// with "x" somewhere in it, or a decimal integer (INT, or INT64 when it
// does not fit 32 bits).
void NumberLiteral(ValueRecord* out, char* t, int expectedType) {
    if (FindOutside(t, '.', false, false)) {
        SetFromDouble(out, ReadDecimal(t, nullptr));
        out->type = T_FLOAT;
        return;
    }
    if (FindOutside(t, 'x', false, false)) {
        unsigned long long v = strtoull(t, nullptr, 0);
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
        out->int64Value = (int64_t)v;
        out->intValue = LowInt32(out->int64Value);
        out->type = T_INT;
    } else {
        long long v = strtoll(t, nullptr, 10);
        out->int64Value = v;
        out->intValue = LowInt32(v);
        out->type = v == (long long)out->intValue ? T_INT : T_INT64;
    }
    out->floatValue = (float)out->intValue;
    out->doubleValue = out->type == T_INT64 ? (double)out->int64Value : (double)out->intValue;
    if (expectedType == T_WINDOW_OR_DIALOG || expectedType == T_WINDOW) {
        out->type = T_WINDOW;
        out->handle = (uint32_t)out->intValue;
    }
}

// Class 1: the text between the first character (taken as the opening
// quote) and the last double quote, which is cut off in the argument text.
void TextLiteral(Keltra& k, ValueRecord* out, char* t) {
    char* last = strrchr(t, '"');
    if (!last || last == t) {
        k.error = ERR_SYNTAX;
        return;
    }
    *last = 0;
    out->text = t + 1;
    out->type = T_STRING;
}

// Class 2: a variable (or the result variable of a function token run by
// the lookup), its value in every form its type allows.
void NamedValue(Keltra& k, ValueRecord* out, char* t, int expectedType) {
    Variable* v = k.FindVariable(t, nullptr, 1);
    if (!v) {
        if (!k.error) k.error = ERR_SYNTAX;
        return;
    }
    const unsigned char* d = v->data;
    out->variable = v;
    out->address = v->data;
    out->type = v->type;
    switch (v->type) {
    case T_STRING:
        out->text = reinterpret_cast<char*>(v->data);
        break;
    case T_CHAR:
        out->charValue = (char)Cell<unsigned char>(d);
        out->intValue = Cell<unsigned char>(d);
        out->int64Value = out->intValue;
        break;
    case T_INT: {
        int32_t x = Cell<int32_t>(d);
        out->intValue = x;
        out->floatValue = (float)x;
        out->doubleValue = x;
        out->int64Value = x;
        break;
    }
    case T_FLOAT: {
        float f = Cell<float>(d);
        out->floatValue = f;
        out->doubleValue = f;
        out->int64Value = TruncateToInt64(f);
        out->intValue = LowInt32(out->int64Value);
        break;
    }
    case T_MEMORY: {
        void* p = Cell<void*>(d);
        out->text = static_cast<char*>(p);
        out->handle = reinterpret_cast<uintptr_t>(p);
        if (expectedType == T_STRING) out->type = T_STRING;
        break;
    }
    case T_LABEL_0:
        k.error = ERR_SYNTAX;            // a label is no value
        break;
    case T_WORD: {
        uint16_t w = Cell<uint16_t>(d);
        out->intValue = w;
        out->floatValue = w;
        out->doubleValue = w;
        out->int64Value = w;
        break;
    }
    case T_DOUBLE: {
        double x = Cell<double>(d);
        SetFromDouble(out, x);
        break;
    }
    case T_INT64:
    case T_UINT64: {
        int64_t x = Cell<int64_t>(d);
        out->int64Value = x;
        out->intValue = LowInt32(x);
        out->floatValue = (float)out->intValue;
        out->doubleValue = (double)x;
        break;
    }
    case T_UINT: {
        uint32_t u = Cell<uint32_t>(d);
        out->intValue = (int32_t)u;
        out->int64Value = u;
        out->floatValue = (float)u;
        out->doubleValue = u;
        break;
    }
    default:
        out->handle = HandleCell(v);
        break;
    }
}

// Class 3: an expression; a text result lives in SYSTEM_STRING0. An
// expression that begins with the constant of the current event's window
// stands for that window.
void ExpressionValue(Keltra& k, ValueRecord* out, char* t) {
    double d = k.EvaluateExpression(t);
    if (k.error) return;
    out->doubleValue = d;
    if (k.textResult) {
        out->text = const_cast<char*>(SystemText(k));
        out->type = T_STRING;
        return;
    }
    SetFromDouble(out, d);
    out->type = T_DOUBLE;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(t);
    if (u[0] != 0xFE || u[1] != 0xE4 || u[2] != 0xE8) return;
    out->type = T_WINDOW;
    Variable* w = k.FindVariable(t, nullptr, 0);
    if (!w) {
        k.error = 0;
        out->handle = (uint32_t)out->intValue;
        return;
    }
    out->handle = HandleCell(w);
    out->address = w->data;
    out->variable = w;
}

unsigned char TypeCheck(int type, int expectedType) {
    switch (expectedType) {
    case T_ANYTHING:
        return 0;
    case T_ANY_NUMBER:
        switch (type) {
        case T_CHAR: case T_INT: case T_FLOAT: case T_WORD: case T_DOUBLE:
        case T_INT64: case T_UINT64: case T_UINT:
            return 0;
        }
        return ERR_NOT_NUMBER;
    case T_INT:
        return type == T_INT || type == T_UINT ? 0 : ERR_NOT_INTEGER;
    case T_WINDOW_OR_DIALOG:
        return type == T_WINDOW || type == T_DIALOG ? 0 : ERR_TYPE;
    default:
        return type == expectedType ? 0 : ERR_TYPE;
    }
}

}  // namespace

// Null pointers (which no caller passes) fail as a missing argument.
ValueRecord* Keltra::EvaluateArgument(ValueRecord* out, StatementRecord* rec, int index, int expectedType) {
    if (!out || !rec) {
        error = ERR_ARG_COUNT;
        return nullptr;
    }
    memset(out, 0, sizeof *out);
    if (index < 0 || index >= rec->argCount || index >= MAX_ARGS) {
        error = ERR_ARG_COUNT;
        return nullptr;
    }
    char* t = rec->argText[index];
    switch (rec->argClass[index]) {
    case AC_NUMBER:     NumberLiteral(out, t, expectedType); break;
    case AC_TEXT:       TextLiteral(*this, out, t); break;
    case AC_NAME:       NamedValue(*this, out, t, expectedType); break;
    case AC_EXPRESSION: ExpressionValue(*this, out, t); break;
    default:            error = ERR_SYNTAX; break;
    }
    if (!error) error = TypeCheck(out->type, expectedType);
    return error ? nullptr : out;
}
