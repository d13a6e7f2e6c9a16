// The value record: one evaluated argument, offered in several
// representations at once. It owns nothing it points to.
#pragma once
#include <cstdint>
struct Variable;

struct ValueRecord {
    int32_t intValue;
    float floatValue;
    double doubleValue;
    Variable* variable;
    char* text;
    uintptr_t handle;          // object pointer or handle value (pointer-sized)
    unsigned char* address;    // storage of the named variable's current element
    int64_t int64Value;
    char charValue;
    unsigned char type;
};
