// Working state of the expression evaluator, shared by its files:
// expression.cpp (the rewriting loop and the result), expression_level.cpp
// (reading one level into items and operators), expression_calls.cpp
// (function items and variable reads) and expression_compute.cpp (names,
// negation, parts and the precedence parser).
//
// One ExprState belongs to one EvaluateExpression call, so a handler that
// the evaluator calls may evaluate expressions of its own. States are
// pooled per interpreter to keep their buffers between calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/keltra.h"

enum {
    EXPR_TEXT_MAX = 1023,      // characters of one expression
    EXPR_MAX_NUMBERS = 29,     // accumulated numbers of one expression
    EXPR_MAX_TEXTS = 28,       // accumulated texts and names
    EXPR_MAX_OPS = 14,         // operators of one level, commas included
    EXPR_MAX_ITEMS = EXPR_MAX_OPS + 1,
};

// Kinds of items and parts (the type codes of a number and a text, and
// a name still to be resolved).
enum ExprKind : unsigned char { EK_TEXT = 0, EK_NUMBER = 14, EK_NAME = 23 };

// Placeholder bytes written over a reduced parenthesis level.
enum { PH_NUMBER = 4, PH_TEXT = 5, PH_NAME = 6, PH_EMPTY = 7 };

// Codes of the two-character operators in the operator list.
enum { OP_LE = 14, OP_NE = 9, OP_GE = 15, OP_XOR = 16 };

// One operand of a level. Texts and names are a view (text, len): into the
// working text, an accumulated text or the item's own copy.
struct ExprItem {
    unsigned char kind;
    double number;
    char* text;
    size_t len;
    GrowText own;              // a text that had to be copied (results, variables)
};

// One comma-separated result of a level.
struct ExprPart {
    unsigned char kind;
    double number;
    GrowText text;             // text value, or a name with "-" for a minus mark
};

struct ExprLevel {
    ExprItem items[EXPR_MAX_ITEMS];
    int itemCount;
    unsigned char ops[EXPR_MAX_OPS];
    int opCount;
    uint32_t negated;          // bit i + 1: item i is negated
    ExprPart parts[EXPR_MAX_ITEMS];
    int partCount;
    char* start;               // the level's "(" (or the start of the text)
    char* end;                 // its ")" or the terminator
    bool noParts;              // "()": an empty argument list
};

// Results of reduced levels that a compiled expression refers to: the
// placeholder kind and index each would have in the working text.
enum { EXPR_MAX_SLOTS = EXPR_MAX_TEXTS };

struct ExprState {
    char work[EXPR_TEXT_MAX + 1];
    double numbers[EXPR_MAX_NUMBERS];
    int numberCount;
    GrowText texts[EXPR_MAX_TEXTS];
    int textCount;
    ExprLevel level;
    unsigned char slotKind[EXPR_MAX_SLOTS];    // compiled form only
    unsigned char slotIndex[EXPR_MAX_SLOTS];
    char callText[EXPR_TEXT_MAX + 1];          // a compiled call's statement text
};

struct CompiledCache;     // compiled.h

// Pools of evaluator states and call records, and the compiled forms of
// expression texts (the EXT_EVAL slot).
// Nested calls (a recursive function) take one state and one call record
// per level; the pools keep enough for a few dozen levels.
enum { EVAL_POOL_SIZE = 32 };

struct EvalState : SubsystemState {
    ExprState* freeStates[EVAL_POOL_SIZE] = {};
    int stateCount = 0;
    StatementRecord* freeRecords[EVAL_POOL_SIZE] = {};
    int recordCount = 0;
    bool compile = true;             // false: every text is evaluated by rewriting
    CompiledCache* cache = nullptr;
    ~EvalState() override;
    void Reset() override;
};

// Character classes of the level reader (expression_level.cpp).
enum : unsigned char { CC_PUNCT = 1, CC_NAME_END = 2 };
struct ExprCharTable { unsigned char of[256]; };
extern const ExprCharTable kExprChars;
inline bool IsExprPunct(unsigned char c) { return kExprChars.of[c] & CC_PUNCT; }
// Characters that end a name: operators and placeholders.
inline bool EndsExprName(unsigned char c) { return kExprChars.of[c] & CC_NAME_END; }

// Scanning helpers shared by the rewriting evaluator and the compiler.
char* LastOpenParen(char* p);                      // expression.cpp
char* FindLevelEnd(char* p);                       // expression_level.cpp
char* ReadNumberLiteral(char* p, double* value);   // may rewrite "&H" to "0x"
int MarkerCode(const unsigned char* s);            // expression_calls.cpp

// Each returns false with k.error set on failure.
bool ReadLevel(Keltra& k, ExprState& st, ExprLevel& lv);        // expression_level.cpp
unsigned char OperatorCode(const char* p);                      // expression_level.cpp
// Moves a level's part into the accumulated numbers or texts (expression.cpp).
bool AccumulatePart(Keltra& k, ExprState& st, ExprPart& part, unsigned char* kind,
                    unsigned char* index);
bool ComputeLevel(Keltra& k, ExprLevel& lv);                    // expression_compute.cpp
// Looks a name item up and makes it a text or a number item.
bool ResolveName(Keltra& k, ExprItem& it);
// Binding strength of an operator code, 1 ("&", "|") to 5 ("^"); 0 for
// the comma and punctuation that no level takes.
int OperatorStrength(unsigned char op);
// One numeric operator over *v and r; false with the code of a division
// by zero.
bool Apply(Keltra& k, unsigned char op, double* v, double r);
// The number that items *pos, *pos + 1, ... give with the operators
// between them, up to the next comma or the end; *pos ends on the operator
// after the last one taken.
bool ParseNumbers(Keltra& k, const ExprLevel& lv, int* pos, double* v);
bool CallFunctionItem(Keltra& k, ExprState& st, char* start, char** cursor, ExprItem& item);
bool TakeResult(Keltra& k, int resultType, ExprItem& item);    // expression_calls.cpp
bool ReadVariable(Keltra& k, Variable* v, ExprItem& item);
bool SetArgument(Keltra& k, ExprState& st, StatementRecord* rec, int arg, int kind, int index);
// Runs a filled call record and takes its result into item.
bool RunCallRecord(Keltra& k, StatementRecord* rec, ExprItem& item);
StatementRecord* AcquireCallRecord(Keltra& k);
void ReleaseCallRecord(Keltra& k, StatementRecord* rec);

// The value of an expression once its outermost level is written back:
// a single name is looked up (or called), otherwise the last accumulated
// number or text (expression.cpp).
double FinishExpression(Keltra& k, ExprState& st);

// Numbers as the engine's 32-bit reference platform converts them: a value
// outside the signed 64-bit range (or not a number) becomes INT64_MIN.
int64_t TruncateToInt64(double d);
inline int32_t LowInt32(int64_t v) { return (int32_t)(uint32_t)(uint64_t)v; }
float ToFloat(double d);     // beyond the float range: an infinity, never undefined
// Reads a decimal number as strtod does, without the hexadecimal,
// infinity and not-a-number forms the engine's reference library lacks.
double ReadDecimal(const char* s, char** end);

// Length of a string variable's text at its current element, never past
// the end of its storage.
size_t VariableTextLength(const Variable* v);

// Moves len characters into SYSTEM_STRING0 (cut to its capacity less one);
// the text may overlap that storage.
void StoreSystemText(Keltra& k, const char* text, size_t len);
// The start of SYSTEM_STRING0's text ("" when it does not exist).
const char* SystemText(Keltra& k);
