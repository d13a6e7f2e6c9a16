// The assignment statement's view of its target, and the conversions
// from each kind of value into a target cell.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/keltra.h"

// The target as the lookup left it. Taken once, before any value is
// evaluated: a value may name the same variable and move its `data`.
struct AssignTarget {
    Variable* var;
    int type;
    unsigned char* data;       // the element the target text selected
    int32_t cap;               // text capacity at data (strings)
    unsigned char* end;        // no store reaches this address
    size_t step;               // distance between consecutive values
    bool indexed;
};

// Each returns 0 or the error code for the failure.
int StoreNumberText(Keltra& k, const AssignTarget& t, unsigned char* dest, const char* text);
int StoreLiteral(const AssignTarget& t, unsigned char* dest, const char* text);
int StoreVariable(Keltra& k, const AssignTarget& t, unsigned char* dest, Variable* v);
int StoreExpression(Keltra& k, const AssignTarget& t, unsigned char* dest, double d);
