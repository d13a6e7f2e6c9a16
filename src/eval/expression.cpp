// EvaluateExpression: computes an expression text by rewriting. The
// innermost parenthesis level is read and computed, and its results
// replace it in a working copy of the text as two-byte placeholders; this
// repeats until no parenthesis is left, and the outermost level gives the
// value. A text result goes to SYSTEM_STRING0 and sets textResult.
//
// Bad input gets a code, never a read or write past a buffer: a text of
// more than 1,023 characters fails with 71 (ERR_TOO_LONG), and so does a
// function argument that does not fit 255 characters (a text; a number
// too large for "%.16f" travels in exponent form instead). A constant
// index 498..511 fails with 72 (ERR_BAD_CONSTANT). A handler that leaves
// no result, a text as the right operand of a numeric operator, a missing
// operand and punctuation that is no operator fail with 1 (ERR_SYNTAX).
// Parentheses inside index brackets are left to the variable store, which
// evaluates the index as an expression of its own.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include "eval/compiled.h"
#include "eval/expression.h"

// ---- numbers ---------------------------------------------------------------

// x86's conversion gives INT64_MIN for anything it cannot represent.
int64_t TruncateToInt64(double d) {
    if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0)) return INT64_MIN;
    return (int64_t)d;
}

float ToFloat(double d) {
    if (d > FLT_MAX) return HUGE_VALF;
    if (d < -FLT_MAX) return -HUGE_VALF;
    return (float)d;
}

double ReadDecimal(const char* s, char** end) {
    const char* p = s;
    while (IsWhite(*p)) p++;
    const char* q = p + (*p == '+' || *p == '-');
    bool digits = (*q >= '0' && *q <= '9') || (q[0] == '.' && q[1] >= '0' && q[1] <= '9');
    if (!digits) {
        if (end) *end = const_cast<char*>(s);
        return 0.0;
    }
    if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X')) {   // "0x..." reads as its 0
        if (end) *end = const_cast<char*>(q + 1);
        return 0.0;
    }
    return strtod(p, end);
}

// ---- text helpers ----------------------------------------------------------

size_t VariableTextLength(const Variable* v) {
    if (!v->data) return 0;
    size_t room = v->auxA > 0 ? (size_t)v->auxA : 0;
    if (v->base && v->count && v->data >= v->base) {
        size_t total = v->count, offset = (size_t)(v->data - v->base);
        room = offset < total ? total - offset : 0;
    }
    return strnlen(reinterpret_cast<const char*>(v->data), room);
}

const char* SystemText(Keltra& k) {
    Variable* v = k.sysString;
    if (!v) return "";
    unsigned char* d = v->data ? v->data : v->base;
    return d ? reinterpret_cast<const char*>(d) : "";
}

// An indexed lookup of SYSTEM_STRING0 may have left it on one character;
// a result always starts at the beginning with the full capacity.
void StoreSystemText(Keltra& k, const char* text, size_t len) {
    Variable* v = k.sysString;
    if (!v) return;
    if (v->base) v->data = v->base;
    if (v->dims[0] > 0) v->auxA = v->dims[0];
    char* out = reinterpret_cast<char*>(v->data);
    if (!out || v->auxA < 1) return;
    if (!text) len = 0;
    if (len > (size_t)v->auxA - 1) len = (size_t)v->auxA - 1;
    if (len) memmove(out, text, len);
    out[len] = 0;
}

// ---- state pool --------------------------------------------------------------

enum { KEPT_TEXT_MAX = 4096, KEPT_TEXT_DEEP = 256 };   // larger buffers are not kept in the pool

EvalState::~EvalState() { Reset(); }

void EvalState::Reset() {
    while (stateCount > 0) delete freeStates[--stateCount];
    while (recordCount > 0) Keltra::FreeStatementRecord(freeRecords[--recordCount]);
    FreeCompiledCache(*this);
}

namespace {

struct StateLease {
    Keltra& k;
    ExprState* st;
    explicit StateLease(Keltra& k) : k(k) {
        EvalState& es = k.Ext<EvalState>(EXT_EVAL);
        st = es.stateCount > 0 ? es.freeStates[--es.stateCount] : new (std::nothrow) ExprState;
    }
    ~StateLease() {
        if (!st) return;
        EvalState& es = k.Ext<EvalState>(EXT_EVAL);
        if (es.stateCount >= (int)(sizeof es.freeStates / sizeof es.freeStates[0])) {
            delete st;
            return;
        }
        // Only the texts this evaluation used can have grown; states kept
        // for deep nesting keep small buffers only.
        uint32_t keep = es.stateCount < 8 ? KEPT_TEXT_MAX : KEPT_TEXT_DEEP;
        int used = st->textCount < EXPR_MAX_TEXTS ? st->textCount : EXPR_MAX_TEXTS;
        for (int i = 0; i < used; i++)
            if (st->texts[i].cap > keep) st->texts[i].Free();
        es.freeStates[es.stateCount++] = st;
    }
};

void SwapText(GrowText& a, GrowText& b) {
    char* buf = a.buf;
    uint32_t cap = a.cap;
    a.buf = b.buf;
    a.cap = b.cap;
    b.buf = buf;
    b.cap = cap;
}

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

}  // namespace

// Moves one part of a level into the accumulated numbers or texts and
// gives the placeholder that stands for it.
bool AccumulatePart(Keltra& k, ExprState& st, ExprPart& part, unsigned char* kind,
                    unsigned char* index) {
    if (part.kind == EK_NUMBER) {
        if (st.numberCount >= EXPR_MAX_NUMBERS) return Fail(k, ERR_EXPR_TOO_LONG);
        st.numbers[st.numberCount++] = part.number;
        *kind = PH_NUMBER;
        *index = (unsigned char)st.numberCount;
    } else {
        if (st.textCount >= EXPR_MAX_TEXTS) return Fail(k, ERR_EXPR_TOO_LONG);
        SwapText(st.texts[st.textCount++], part.text);
        *kind = part.kind == EK_TEXT ? PH_TEXT : PH_NAME;
        *index = (unsigned char)st.textCount;
    }
    return true;
}

namespace {

// Appends the level's parts to the accumulated numbers and texts and, for
// a level in parentheses, writes their placeholders over it and blanks the
// rest of it up to and including its ")".
bool WriteBack(Keltra& k, ExprState& st, ExprLevel& lv, bool inParens) {
    char* pos = lv.start;
    char* limit = *lv.end == ')' ? lv.end + 1 : lv.end;
    for (int i = 0; i < lv.partCount; i++) {
        unsigned char kind, index;
        if (!AccumulatePart(k, st, lv.parts[i], &kind, &index)) return false;
        if (!inParens) continue;
        if (pos + 2 > limit) return Fail(k, ERR_PARENS);   // only an unclosed "(" at the end
        pos[0] = (char)kind;
        pos[1] = (char)index;
        pos += 2;
    }
    if (!inParens) return true;
    if (lv.partCount == 0) {
        if (pos + 2 > limit) return Fail(k, ERR_PARENS);
        pos[0] = PH_EMPTY;
        pos[1] = 1;
        pos += 2;
    }
    while (pos < limit) *pos++ = ' ';
    return true;
}

// A single name as the whole expression: a subroutine or library function
// is called (through statement record B) and yields its result; a
// variable yields its value.
double SingleName(Keltra& k, ExprState& st) {
    char* name = st.texts[st.textCount - 1].buf;
    bool minus = name[0] == '-';
    if (minus) name++;
    Variable* v = k.FindVariable(name, nullptr, 1);
    if (!v) {
        if (!k.error) k.error = ERR_SYNTAX;   // a statement that left no value
        return 0.0;
    }
    ExprItem& item = st.level.items[0];
    if (v->type == T_LABEL_0) {
        StatementRecord* rec = k.recB ? k.recB : AcquireCallRecord(k);
        if (!rec) {
            if (!k.error) k.error = ERR_NO_MEMORY;
            return 0.0;
        }
        bool ok = k.DecodeLine(rec, name) == 0;
        StatementRecord* r = ok ? k.Dispatch(rec) : nullptr;
        int type = rec->resultType;
        if (rec != k.recB) ReleaseCallRecord(k, rec);
        if (!ok || k.error) return 0.0;
        if (!r) {
            k.error = ERR_SYNTAX;
            return 0.0;
        }
        if (type == T_STRING) {           // the text is in SYSTEM_STRING0 already
            k.textResult = 1;
            return 0.0;
        }
        if (!TakeResult(k, type, item)) return 0.0;
    } else if (v->type == T_STRING) {
        StoreSystemText(k, reinterpret_cast<const char*>(v->data), VariableTextLength(v));
        k.textResult = 1;
        return 0.0;
    } else if (!ReadVariable(k, v, item)) {
        return 0.0;
    }
    k.textResult = 0;
    return minus ? -item.number : item.number;
}

double Evaluate(Keltra& k, ExprState& st) {
    st.numberCount = st.textCount = 0;
    ExprLevel& lv = st.level;
    for (;;) {
        char* open = LastOpenParen(st.work);
        lv.start = open ? open : st.work;
        if (!ReadLevel(k, st, lv) || !ComputeLevel(k, lv) || !WriteBack(k, st, lv, open != nullptr))
            return 0.0;
        if (!open) break;
    }
    return FinishExpression(k, st);
}

}  // namespace

// The last "(" outside double quotes and outside index brackets.
char* LastOpenParen(char* p) {
    char* last = nullptr;
    bool quoted = false;
    int depth = 0;
    for (; *p; p++) {
        if (*p == '"') quoted = !quoted;
        else if (quoted) continue;
        else if (*p == '[') depth++;
        else if (*p == ']') { if (depth) depth--; }
        else if (*p == '(' && depth == 0) last = p;
    }
    return last;
}

double FinishExpression(Keltra& k, ExprState& st) {
    ExprLevel& lv = st.level;
    if (lv.partCount == 1 && lv.parts[0].kind == EK_NAME) return SingleName(k, st);
    // One text part is a text whatever its first operator was ("a" - "b"
    // leaves "a"); one number part, such as a comparison of joined texts,
    // is a number.
    if (lv.partCount == 1) k.textResult = lv.parts[0].kind == EK_TEXT;
    if (k.textResult) {
        const char* text = st.textCount ? st.texts[st.textCount - 1].Text() : "";
        StoreSystemText(k, text, strlen(text));
    }
    return st.numberCount ? st.numbers[st.numberCount - 1] : 0.0;
}

// An expression longer than 1,023 characters fails with ERR_TOO_LONG.
double Keltra::EvaluateExpression(const char* text) {
    textResult = 0;
    if (!text) text = "";
    size_t n = strnlen(text, EXPR_TEXT_MAX + 1);
    if (n > EXPR_TEXT_MAX) {
        Fail(ERR_TOO_LONG);
        return 0.0;
    }
    StateLease lease(*this);
    if (!lease.st) {
        Fail(ERR_NO_MEMORY);
        return 0.0;
    }
    double result;
    CompiledExpr* ce = Ext<EvalState>(EXT_EVAL).compile ? FindCompiled(*this, text, n) : nullptr;
    if (ce) {
        result = RunCompiled(*this, *lease.st, *ce);
        UnpinCompiled(ce);
    } else {
        memcpy(lease.st->work, text, n + 1);
        result = Evaluate(*this, *lease.st);
    }
    return error ? 0.0 : result;
}
