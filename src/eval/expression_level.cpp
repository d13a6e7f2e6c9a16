// Reading one level of an expression into items and operators. A level is
// the text from its "(" to the matching ")" (or the whole text); inner
// levels have already been replaced by placeholders. Nothing is computed
// here except literals, constants, named values and function calls.
#include <cstdlib>
#include <cstring>
#include "eval/constants.h"
#include "eval/expression.h"

// Character classes, looked up per byte on the evaluator's hot path:
// punctuation as in the "C" locale, and the characters that end a name.
static constexpr ExprCharTable MakeExprChars() {
    ExprCharTable t{};
    for (int c = 0x21; c < 0x7F; c++) {
        bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum) t.of[c] |= CC_PUNCT;
    }
    const char* ends = "+-*/&|^=~<>,%";
    for (int i = 0; ends[i]; i++) t.of[(unsigned char)ends[i]] |= CC_NAME_END;
    for (int c = PH_NUMBER; c <= PH_EMPTY; c++) t.of[c] |= CC_NAME_END;
    return t;
}
const ExprCharTable kExprChars = MakeExprChars();

namespace {

inline bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsPlaceholder(unsigned char c) { return c >= PH_NUMBER && c <= PH_EMPTY; }

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

// A fresh item at the end of the list; a 16th item fails like a 15th
// operator would (items outnumber operators only when operands are
// written side by side).
ExprItem* NewItem(Keltra& k, ExprLevel& lv, unsigned char kind) {
    if (lv.itemCount >= EXPR_MAX_ITEMS) {
        k.error = ERR_TOO_MANY_OPS;
        return nullptr;
    }
    ExprItem* it = &lv.items[lv.itemCount++];
    it->kind = kind;
    it->number = 0.0;
    it->text = nullptr;
    it->len = 0;
    return it;
}

bool AddNumber(Keltra& k, ExprLevel& lv, double value) {
    ExprItem* it = NewItem(k, lv, EK_NUMBER);
    if (!it) return false;
    it->number = value;
    return true;
}

// "@NAME": a value from the named-value list, read as unsigned 32-bit.
bool ReadNamedValue(Keltra& k, ExprLevel& lv, char** cursor) {
    char name[EXPR_TEXT_MAX + 1];
    size_t n = 0;
    char* p = *cursor + 1;
    for (; p < lv.end; p++) {
        unsigned char c = (unsigned char)*p;
        if (!c || IsWhite((char)c) || c < 0x20 || c == 0x7F || (IsExprPunct(c) && c != '_')) break;
        name[n++] = (char)(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    name[n] = 0;
    *cursor = p;
    int32_t value;
    if (!k.namedValues.Find(name, &value)) return Fail(k, ERR_NO_NAMED_VALUE);
    return AddNumber(k, lv, (double)(uint32_t)value);
}

// Placeholder 4, 5 or 6 and its index: an accumulated number, text or name.
bool ReadPlaceholder(Keltra& k, ExprState& st, ExprLevel& lv, char** cursor) {
    unsigned char kind = (unsigned char)(*cursor)[0];
    int index = (unsigned char)(*cursor)[1];
    *cursor += 2;
    int limit = kind == PH_NUMBER ? st.numberCount : st.textCount;
    if (index < 1 || index > limit) return Fail(k, ERR_SYNTAX);   // stray bytes in the image
    if (kind == PH_NUMBER) return AddNumber(k, lv, st.numbers[index - 1]);
    GrowText& t = st.texts[index - 1];
    char* text = t.buf;
    if (kind == PH_NAME && text[0] == '-') {
        text++;
        lv.negated |= 1u << (lv.itemCount + 1);
    }
    ExprItem* it = NewItem(k, lv, kind == PH_NAME ? EK_NAME : EK_TEXT);
    if (!it) return false;
    it->text = text;
    it->len = strlen(text);
    return true;
}

// A name, or a function call when the name is directly followed by the
// placeholders of its reduced argument list.
bool ReadNameOrCall(Keltra& k, ExprState& st, ExprLevel& lv, char** cursor) {
    char* start = *cursor;
    char* q = start + 1;
    int depth = 0;
    for (; q < lv.end && *q; q++) {
        unsigned char c = (unsigned char)*q;
        if (c == '[') depth++;
        else if (c == ']') { if (depth) depth--; }
        else if (depth == 0 && EndsExprName(c)) break;
    }
    if (q < lv.end && IsPlaceholder((unsigned char)*q)) {
        ExprItem* it = NewItem(k, lv, EK_NUMBER);
        if (!it) return false;
        *cursor = q;
        return CallFunctionItem(k, st, start, cursor, *it);
    }
    ExprItem* it = NewItem(k, lv, EK_NAME);
    if (!it) return false;
    it->text = start;
    it->len = (size_t)(q - start);
    *cursor = q;
    return true;
}

bool ReadTextLiteral(Keltra& k, ExprLevel& lv, char** cursor) {
    char* open = *cursor;
    char* close = strchr(open + 1, '"');
    if (!close) return Fail(k, ERR_SYNTAX);
    ExprItem* it = NewItem(k, lv, EK_TEXT);
    if (!it) return false;
    it->text = open + 1;
    it->len = (size_t)(close - open - 1);
    *cursor = close + 1;
    return true;
}

bool ReadConstant(Keltra& k, ExprLevel& lv, char** cursor) {
    unsigned char* p = reinterpret_cast<unsigned char*>(*cursor);
    int index = p[1] ? ConstantIndex(p[1], p[2]) : -1;
    if (index < 0) return Fail(k, ERR_BAD_CONSTANT);
    *cursor += 3;
    return AddNumber(k, lv, (double)(uint32_t)k.constants[index]);
}

}  // namespace

// The operator character at p, or the code of the two-character operator
// that starts there.
unsigned char OperatorCode(const char* p) {
    unsigned char op = (unsigned char)p[0];
    if (op == '<' && p[1] == '=') return OP_LE;
    if (op == '<' && p[1] == '>') return OP_NE;
    if (op == '>' && p[1] == '=') return OP_GE;
    if (op == '|' && p[1] == '|') return OP_XOR;
    return op;
}

namespace {

// An operator character, or the code of a two-character operator. The
// second character of a pair is skipped later as punctuation met where an
// operand is due.
bool ReadOperator(Keltra& k, ExprLevel& lv, char** cursor) {
    char* p = *cursor;
    if (lv.opCount >= EXPR_MAX_OPS) return Fail(k, ERR_TOO_MANY_OPS);
    lv.ops[lv.opCount++] = OperatorCode(p);
    *cursor = p + 1;
    return true;
}

// Reads one token at *cursor; false on failure.
bool ReadToken(Keltra& k, ExprState& st, ExprLevel& lv, char** cursor) {
    unsigned char c = (unsigned char)**cursor;
    if (c == '"') return ReadTextLiteral(k, lv, cursor);
    if (c == 0xFE) return ReadConstant(k, lv, cursor);
    if (IsLetter(c) || c == 0xFF || c == '#') return ReadNameOrCall(k, st, lv, cursor);
    if (c == '@') return ReadNamedValue(k, lv, cursor);
    if (c >= PH_NUMBER && c <= PH_NAME) return ReadPlaceholder(k, st, lv, cursor);
    if (!IsExprPunct(c) || lv.opCount == lv.itemCount) {     // an operand is due
        if (c == '-') {
            lv.negated |= 1u << (lv.itemCount + 1);
        } else if (IsDigit(c) || c == '&' || c == '.') {
            double value;
            *cursor = ReadNumberLiteral(*cursor, &value);
            return AddNumber(k, lv, value);
        }
        ++*cursor;                                       // anything else is skipped
        return true;
    }
    return ReadOperator(k, lv, cursor);
}

}  // namespace

// The level's ")" : the first one outside double quotes and brackets, or
// the terminator. Parentheses inside an index belong to the index, which
// the variable store evaluates by itself.
char* FindLevelEnd(char* p) {
    bool quoted = false;
    int depth = 0;
    for (; *p; p++) {
        if (*p == '"') quoted = !quoted;
        else if (quoted) continue;
        else if (*p == '[') depth++;
        else if (*p == ']') { if (depth) depth--; }
        else if (*p == ')' && depth == 0) break;
    }
    return p;
}

// A number literal at p: a decimal fraction, a hexadecimal number written
// with "&H" (rewritten to "0x" in the working text) or "0x", or a decimal
// integer. Returns the character after it.
char* ReadNumberLiteral(char* p, double* value) {
    char* q = p;
    while (IsDigit((unsigned char)*q)) q++;
    char* end = nullptr;
    if (*q == '.' || *p == '.') {
        *value = ReadDecimal(p, &end);
    } else {
        if (*p == '&') {
            if (!p[1]) {                 // a lone "&" at the end reads as 0
                *value = 0.0;
                return p + 1;
            }
            p[0] = '0';
            p[1] = 'x';
        }
        if (p[1] == 'x') {
            unsigned long long v = strtoull(p, &end, 0);
            *value = (double)(v > 0xFFFFFFFFull ? 0xFFFFFFFFull : v);
        } else {
            *value = (double)strtoll(p, &end, 10);
        }
    }
    return end && end > p ? end : p + 1;
}

bool ReadLevel(Keltra& k, ExprState& st, ExprLevel& lv) {
    lv.itemCount = lv.opCount = lv.partCount = 0;
    lv.negated = 0;
    lv.noParts = false;
    char* p = lv.start;
    if (*p == '(') {
        p++;
        lv.end = FindLevelEnd(p);
        if (*p == ')') {
            lv.noParts = true;
            return true;
        }
    } else {
        lv.end = FindLevelEnd(p);
    }
    while (p < lv.end && *p && *p != ')') {
        if (!ReadToken(k, st, lv, &p)) return false;
        while (IsBlank(*p)) p++;
    }
    return true;
}
