// Compiled expressions: the result of scanning an expression text once.
//
// The rewriting evaluator reads every level of the text again each time
// the text is evaluated. What it finds there does not depend on values:
// which levels come in which order, their items and operators, literals,
// names, constants, function tokens and the shape of their argument lists.
// Only the values of names and results, and whether a reduced part is a
// number or a text, change from one evaluation to the next. The compiler
// (compiled_build.cpp) runs the same scan over a copy of the text and keeps
// what it finds; the runner (compiled_run.cpp) fills the level's items from
// it and computes the level with the evaluator's own code, so lookups,
// calls, arithmetic and error codes come in the same order as before.
//
// A text the compiler cannot prove it reproduces (stray placeholder bytes,
// a literal or name that would take in bytes of a reduced part, too many
// parts) is left to the rewriting evaluator.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "eval/expression.h"

// What a token of a level does at run time, in scan order.
enum CompiledTokenKind : uint8_t {
    CT_NUMBER,       // a literal number
    CT_TEXT,         // a text literal (pool text)
    CT_NAME,         // a name still to be resolved (pool text)
    CT_CONSTANT,     // a predefined constant, read when the token runs
    CT_NAMED_VALUE,  // "@NAME" (pool text, upper case)
    CT_SLOT,         // a part of a reduced level
    CT_CALL,         // a function item
    CT_FAIL,         // the scan stops here with an error code
};

struct CompiledToken {
    uint8_t kind;
    uint8_t item;          // the item it fills; EXPR_MAX_ITEMS when there is no room
    uint8_t code;          // CT_FAIL: the error code; CT_SLOT: the slot
    uint16_t offset;       // pool offset, constant index or call number
    uint16_t length;       // pool text length
    double number;
};

// Where a call's statement text holds a byte of a reduced part: its
// placeholder kind, or its index.
struct CompiledPatch {
    uint16_t offset;
    uint8_t slot;
    uint8_t isIndex;
};

struct CompiledCall {
    int16_t code;          // statement code of a marker; -1: a subroutine by name
    uint16_t nameOffset;   // the name in the pool
    uint16_t nameLength;
    bool tooManyArgs;      // more than 25 arguments: fails after the target
    uint16_t firstArg, argCount;        // slots of its arguments (argSlots)
    uint32_t textOffset, textLength;    // its statement text (callTexts)
    uint16_t firstPatch, patchCount;    // patches
};

// A postfix entry: an item index, or POSTFIX_OP + the operator's index.
enum { POSTFIX_OP = 0x80 };

struct CompiledLevel {
    uint16_t firstToken, tokenCount;
    uint8_t itemCount, opCount, partCount, firstSlot;
    uint8_t ops[EXPR_MAX_OPS];
    uint32_t negated;
    bool noParts;
    bool inParens;
    uint8_t writeFail;     // the placeholders do not fit the level (an unclosed "(")
    // A level of operands under numeric operators only (no comma, none
    // missing) keeps the order its parser reduces them in; it is computed
    // from that when all its items turn out to be numbers.
    uint8_t postfixLength; // 0: the parser computes it
    uint8_t postfix[EXPR_MAX_ITEMS + EXPR_MAX_OPS];
};

struct CompiledExpr {
    std::string text;      // the key: the exact bytes
    uint64_t hash = 0;
    bool usable = false;   // false: the rewriting evaluator takes it
    std::vector<CompiledLevel> levels;
    std::vector<CompiledToken> tokens;
    std::vector<CompiledCall> calls;
    std::vector<uint8_t> argSlots;
    std::vector<CompiledPatch> patches;
    std::string pool;      // names and texts, each followed by a NUL
    std::string callTexts;
    int pins = 0;          // evaluations running it
    bool retired = false;  // dropped from the cache while running: freed when unpinned
    size_t Bytes() const;
};

// Scans text (n bytes) into ce; ce.usable tells whether it may run.
void CompileExpression(CompiledExpr& ce, const char* text, size_t n);

// Evaluates a usable compiled expression with the working state st.
double RunCompiled(Keltra& k, ExprState& st, const CompiledExpr& ce);

// The compiled form of text (n bytes), compiled on first sight; null
// when the rewriting evaluator is to take it. The caller pins it while it
// runs (a nested evaluation may drop it from the cache).
CompiledExpr* FindCompiled(Keltra& k, const char* text, size_t n);
void UnpinCompiled(CompiledExpr* ce);
void FreeCompiledCache(EvalState& es);
// How many forms the cache holds and their approximate size.
void CompiledCacheSize(Keltra& k, size_t* entries, size_t* bytes);
