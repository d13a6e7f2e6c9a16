// DecodeLine: one line of the program image into a statement record.
// Three shapes: a statement line (marker 0xFF H L), an assignment (any
// "="), and a bare subroutine name, rewritten into a call statement.
//
// Bad input: a marker whose bytes lie outside 0xE0..0xEF or whose code is
// beyond 248 fails with error 70; an argument of more than 255 characters
// and an implicit call longer than 251 characters fail with error 71.
// Nothing is ever written past a buffer.
#include "engine/keltra.h"
#include <cstdlib>
#include <cstring>

namespace {

inline bool IsLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
inline bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }
inline bool IsMarkerByte(unsigned char b) { return b >= 0xE0 && b <= 0xEF; }

bool IsOperator(unsigned char b) {
    return b && strchr("%&*+-/<=>@^|~", b) != nullptr;
}

// Operators that make an assignment value an expression.
bool InValueOperators(unsigned char b) {
    return b == 0xFE || (b && strchr("*+-<>|&=~^/(@%", b) != nullptr);
}

const char* FirstValueOperator(const char* s) {
    for (; *s; s++)
        if (InValueOperators((unsigned char)*s)) return s;
    return nullptr;
}

const char* LastNonWhite(const char* s) {
    const char* last = nullptr;
    for (; *s; s++)
        if (!IsWhite(*s)) last = s;
    return last;
}

bool CommaOutsideQuotes(const char* s) {
    bool quoted = false;
    for (; *s; s++) {
        if (*s == '"') quoted = !quoted;
        else if (*s == ',' && !quoted) return true;
    }
    return false;
}

// Removes a pair of parentheses that wraps the whole argument list:
// "(a, b)" becomes " a, b ". A list that only begins with a parenthesised
// first argument, closed before the first comma, stays.
char* StripEnclosingParens(char* text, int code) {
    if (text[0] != '(' || code == 6 || code == 42 || !CommaOutsideQuotes(text)) return text;
    char* last = const_cast<char*>(LastNonWhite(text));
    if (!last || *last != ')') return text;
    int depth = 0;
    for (char* p = text; *p && *p != ','; p++) {
        if (*p == '(') depth++;
        else if (*p == ')') depth--;
    }
    if (depth == 0) return text;
    *last = ' ';
    text[0] = ' ';
    return SkipBlanks(text);
}

// Splits text at top-level commas into the argument texts and classifies
// each argument.
int SplitArguments(Keltra& k, StatementRecord* rec, char* text) {
    int arg = 0, pos = 0, bracket = 0, paren = 0;
    bool quoted = false;
    int32_t* cls = rec->argClass;
    cls[0] = AC_OTHER;
    for (char* p = text;; p++) {
        unsigned char b = (unsigned char)*p;
        bool splits = b == ',' && !quoted && bracket == 0 && paren == 0;
        if (pos >= ARG_TEXT_SIZE - 1 && b != 0 && !splits) {
            k.error = ERR_TOO_LONG;
            return 1;
        }
        char* out = rec->argText[arg];
        out[pos] = (char)b;
        if (!quoted && bracket == 0 && b == '(') {
            cls[arg] = AC_EXPRESSION;
            paren++;
            pos++;
            continue;
        }
        if (cls[arg] == AC_OTHER && !quoted) {
            int c = b == 0xFE ? AC_EXPRESSION
                  : (IsLetter(b) || b == 0xFF) ? AC_NAME
                  : (IsDigit(b) || b == '.') ? AC_NUMBER : -1;
            if (c >= 0) {
                cls[arg] = c;
                pos++;
                continue;
            }
        }
        switch (b) {
        case 0:
            rec->argCount = (uint16_t)(arg + 1);
            if (paren != 0) {
                k.error = ERR_PARENS;
                return 1;
            }
            return 0;
        case '"':
            if (!quoted && cls[arg] == AC_OTHER) cls[arg] = AC_TEXT;
            quoted = !quoted;
            break;
        case '#':
            if (!quoted && bracket == 0 && cls[arg] == AC_OTHER) cls[arg] = AC_NAME;
            break;
        case '(': if (!quoted) paren++; break;
        case ')': if (!quoted) paren--; break;
        case '[': if (!quoted) bracket++; break;
        case ']': if (!quoted) bracket--; break;
        case ',':
            if (!splits) break;
            out[pos] = 0;
            if (++arg > MAX_ARGS - 1) {        // a 26th argument: the line ends here for good
                *p = 0;
                rec->argCount = MAX_ARGS;
                if (paren != 0) {
                    k.error = ERR_PARENS;
                    return 1;
                }
                return 0;
            }
            cls[arg] = AC_OTHER;
            pos = 0;
            continue;
        default:
            if (IsOperator(b) && !quoted && bracket == 0) cls[arg] = AC_EXPRESSION;
            break;
        }
        pos++;
    }
}

int DecodeStatement(Keltra& k, StatementRecord* rec, char* line) {
    unsigned char* u = reinterpret_cast<unsigned char*>(line);
    if (!IsMarkerByte(u[1]) || !IsMarkerByte(u[2])) {
        k.error = ERR_BAD_CODE;
        return 1;
    }
    int code = ((u[1] - 0xE0) << 4) | (u[2] - 0xE0);
    if (code > HANDLER_COUNT - 2) {
        k.error = ERR_BAD_CODE;
        return 1;
    }
    rec->code = (uint16_t)code;
    char* text = SkipBlanks(line + 3);
    rec->statementText = text;
    if (!*text) {
        rec->argCount = 0;
        return 0;
    }
    text = StripEnclosingParens(text, code);
    rec->statementText = text;
    return SplitArguments(k, rec, text);
}

// Copies [from, to) into an argument text; false when it does not fit.
bool CopyPart(char* dst, const char* from, const char* to) {
    size_t n = to > from ? (size_t)(to - from) : 0;
    if (n > ARG_TEXT_SIZE - 1) return false;
    memcpy(dst, from, n);
    dst[n] = 0;
    return true;
}

int ValueClass(const char* v) {
    unsigned char b = (unsigned char)v[0];
    if (b == 0xFE || b == '(') return AC_EXPRESSION;
    if (b == '"') {
        const char* close = strchr(v + 1, '"');
        if (close) {
            const char* op = FirstValueOperator(close + 1);
            if (op && *op == '+') return AC_EXPRESSION;
        }
        return AC_TEXT;
    }
    if (IsLetter(b) || b == 0xFF) {
        if (v[1] == 0) return AC_NAME;
        const char* e = FirstValueOperator(v);
        const char* open = strchr(v, '[');
        const char* close = strchr(v, ']');
        if (e && open && close && e > open && e < close) e = FirstValueOperator(close + 1);
        const char* q1 = strchr(v, '"');
        const char* q2 = q1 ? strchr(q1 + 1, '"') : nullptr;
        if (e && q1 && q2 && e > q1 && e < q2) e = FirstValueOperator(q2 + 1);
        return e ? AC_EXPRESSION : AC_NAME;
    }
    if (IsDigit(b) || b == '-' || b == '.')
        return FirstValueOperator(v) ? AC_EXPRESSION : AC_NUMBER;
    return FirstValueOperator(v) ? AC_EXPRESSION : AC_OTHER;
}

int DecodeAssignment(Keltra& k, StatementRecord* rec, char* line, char* eq) {
    rec->code = 20;
    rec->statementText = line;
    rec->argCount = 2;
    const char* nameStart = SkipBlanks(line);
    const char* nameEnd = eq;
    while (nameEnd > nameStart && IsWhite(nameEnd[-1])) nameEnd--;
    const char* value = SkipBlanks(eq + 1);
    const char* valueEnd = value + strlen(value);
    while (valueEnd > value && IsBlank(valueEnd[-1])) valueEnd--;
    if (!CopyPart(rec->argText[0], nameStart, nameEnd) ||
        !CopyPart(rec->argText[1], value, valueEnd)) {
        k.error = ERR_TOO_LONG;
        return 1;
    }
    rec->argClass[0] = AC_NAME;
    rec->argClass[1] = ValueClass(rec->argText[1]);
    return 0;
}

// A bare subroutine or library-function name, with or without arguments,
// becomes a call statement (code 44, or 120 for a library function) whose
// first argument is the name. The rewritten text lives in rec->rewrite
// until the next decode.
enum { REWRITE_SIZE = 255, IMPLICIT_LINE_MAX = REWRITE_SIZE - 4 };

int DecodeImplicitCall(Keltra& k, StatementRecord* rec, char* line) {
    if (!k.prepared) {
        k.error = ERR_SYNTAX;
        return 1;
    }
    size_t len = strlen(line);
    char* end = line + strcspn(line, " =(\"\t");
    char ender = *end;
    *end = 0;
    Variable* v = k.FindVariable(line, nullptr, 0);
    *end = ender;
    if (!v || v->type != T_LABEL_0) {
        k.error = ERR_SYNTAX;
        return 1;
    }
    if (len > IMPLICIT_LINE_MAX) {
        k.error = ERR_TOO_LONG;
        return 1;
    }
    char* text = static_cast<char*>(malloc(REWRITE_SIZE));
    if (!text) {
        k.error = ERR_SYNTAX;
        return 1;
    }
    text[0] = (char)0xFF;
    text[1] = (char)(v->isDll ? 0xE7 : 0xE2);
    text[2] = (char)(v->isDll ? 0xE8 : 0xEC);
    bool alone = true;
    const char* p = end;
    while (IsWhite(*p)) p++;
    if (*p) {
        if (*p == '(') {
            p++;
            while (IsWhite(*p)) p++;
        }
        alone = *p == ')';
    }
    size_t nameLen = (size_t)(end - line);
    memcpy(text + 3, line, nameLen);
    if (alone) {
        text[3 + nameLen] = 0;
    } else {
        text[3 + nameLen] = ',';
        memcpy(text + 4 + nameLen, end + 1, len - nameLen);  // the rest and its NUL
        char* last = const_cast<char*>(LastNonWhite(text + 3));
        if (ender == '(' && last && *last == ')') *last = ' ';
    }
    rec->rewrite = text;
    return DecodeStatement(k, rec, text);
}

}  // namespace

int Keltra::DecodeLine(StatementRecord* rec, char* line) {
    rec->resultType = T_NONE;
    rec->redirect = 0;
    // The previous rewrite stays alive while this line may point into it.
    char* old = rec->rewrite;
    rec->rewrite = nullptr;
    int rc;
    if ((unsigned char)line[0] == 0xFF) {
        rc = DecodeStatement(*this, rec, line);
    } else if (char* eq = strchr(line, '=')) {
        rc = DecodeAssignment(*this, rec, line, eq);
    } else {
        rc = DecodeImplicitCall(*this, rec, line);
    }
    if (old) {
        bool inOld = line >= old && line < old + REWRITE_SIZE;
        if (inOld && !rec->rewrite) rec->rewrite = old;
        else free(old);
    }
    return rc;
}

StatementRecord* Keltra::NewStatementRecord(int n) {
    if (n < 1 || n > MAX_ARGS) n = MAX_ARGS;
    StatementRecord* rec = static_cast<StatementRecord*>(calloc(1, sizeof(StatementRecord)));
    char* block = static_cast<char*>(calloc((size_t)n * ARG_TEXT_SIZE + 1, 1));
    if (!rec || !block) {
        free(rec);
        free(block);
        Reset();
        return nullptr;
    }
    rec->block = block;
    for (int i = 0; i < n; i++) rec->argText[i] = block + i * ARG_TEXT_SIZE;
    rec->resultType = T_NONE;
    return rec;
}

void Keltra::FreeStatementRecord(StatementRecord* rec) {
    if (!rec) return;
    free(rec->rewrite);
    free(rec->block);
    free(rec);
}
