// String functions that cut, join, search and change texts. Results go to
// SYSTEM_STRING0, which may also hold one of the arguments: everything here
// moves text forward within it or copies it away first.
#include <cctype>
#include <cstring>
#include "engine/keltra.h"
#include "runtime/strings_result.h"

bool StringArgument(Keltra& k, StatementRecord* rec, int index, std::string* keep,
                    const char** text) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, index, T_STRING)) return false;
    *text = v.text;
    if (keep && InResultStorage(k, v.text)) {
        keep->assign(v.text, TextLength(v.text, STRING_RESULT_MAX));
        *text = keep->c_str();
    }
    return true;
}

static bool NumberArgument(Keltra& k, StatementRecord* rec, int index, int32_t* out) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, index, T_ANY_NUMBER)) return false;
    *out = v.intValue;
    return true;
}

// Substring(text, start [, length]); start below 1 or a negative length: 46.
StatementRecord* Keltra::CmdSubstring(StatementRecord* rec) {
    if (rec->argCount != 2 && rec->argCount != 3) return Fail(ERR_ARG_COUNT);
    const char* text;
    std::string keep;
    int32_t start, count = -1;
    if (!StringArgument(*this, rec, 0, &keep, &text)) return nullptr;
    if (!NumberArgument(*this, rec, 1, &start)) return nullptr;
    if (rec->argCount == 3) {
        if (!NumberArgument(*this, rec, 2, &count)) return nullptr;
        if (count < 0) return Fail(ERR_BAD_START);
    }
    if (start < 1) return Fail(ERR_BAD_START);
    size_t len = TextLength(text), s = (size_t)start - 1;
    if (s > len) s = len;
    size_t n = len - s;
    if (count >= 0 && (size_t)count < n) n = (size_t)count;
    return StoreTextResult(*this, rec, text ? text + s : "", n);
}

// The text and count arguments of the left and right parts; false with the
// error code set when they are missing, of the wrong type or the count is
// negative.
static bool TextAndCount(Keltra& k, StatementRecord* rec, std::string* keep,
                         const char** text, int32_t* n) {
    if (rec->argCount != 2) { k.error = ERR_ARG_COUNT; return false; }
    if (!StringArgument(k, rec, 0, keep, text)) return false;
    if (!NumberArgument(k, rec, 1, n)) return false;
    if (*n < 0) { k.error = ERR_BAD_START; return false; }
    return true;
}

StatementRecord* Keltra::CmdLeftPart(StatementRecord* rec) {
    const char* text;
    std::string keep;
    int32_t n;
    if (!TextAndCount(*this, rec, &keep, &text, &n)) return nullptr;
    return StoreTextResult(*this, rec, text ? text : "", TextLength(text, (size_t)n));
}

StatementRecord* Keltra::CmdRightPart(StatementRecord* rec) {
    const char* text;
    std::string keep;
    int32_t n;
    if (!TextAndCount(*this, rec, &keep, &text, &n)) return nullptr;
    size_t len = TextLength(text);
    size_t s = len > (size_t)n ? len - (size_t)n : 0;
    return StoreTextResult(*this, rec, text ? text + s : "", len - s);
}

// The joined text is cut at 32,766 characters (the size of the join buffer
// less its terminator); the rest of the arguments are still evaluated.
enum { CONCAT_MAX = 32766 };

StatementRecord* Keltra::CmdConcat(StatementRecord* rec) {
    if (rec->argCount < 1) return Fail(ERR_ARG_COUNT);
    std::string work;
    for (int i = 0; i < rec->argCount; i++) {
        const char* text;
        if (!StringArgument(*this, rec, i, nullptr, &text)) return nullptr;
        size_t room = CONCAT_MAX - work.size();
        work.append(text ? text : "", TextLength(text, room));
    }
    return StoreTextResult(*this, rec, work.data(), work.size());
}

// FindText([start,] text, pattern): 1-based position or 0.
StatementRecord* Keltra::CmdFindText(StatementRecord* rec) {
    if (rec->argCount != 2 && rec->argCount != 3) return Fail(ERR_ARG_COUNT);
    int a = 0;
    int32_t start = 1;
    if (rec->argCount == 3 && !NumberArgument(*this, rec, a++, &start)) return nullptr;
    if (start < 1) start = 1;
    const char *text, *pattern;
    std::string keep;
    if (!StringArgument(*this, rec, a, &keep, &text)) return nullptr;
    if (!StringArgument(*this, rec, a + 1, nullptr, &pattern)) return nullptr;
    size_t len = TextLength(text), s = (size_t)start - 1;
    int32_t at = 0;
    if (s < len) {
        const char* hit = strstr(text + s, pattern ? pattern : "");
        if (hit) at = (int32_t)(hit - text) + 1;
    }
    SetResultInt(rec, at);
    return rec;
}

// Replaces characters of the target in place, one by one, never past its end.
StatementRecord* Keltra::CmdOverwriteText(StatementRecord* rec) {
    if (rec->argCount != 4) return Fail(ERR_ARG_COUNT);
    ValueRecord target;
    if (!EvaluateArgument(&target, rec, 0, T_STRING)) return nullptr;
    int32_t start, count;
    const char* source;
    if (!NumberArgument(*this, rec, 1, &start)) return nullptr;
    if (!NumberArgument(*this, rec, 2, &count)) return nullptr;
    if (!StringArgument(*this, rec, 3, nullptr, &source)) return nullptr;
    char* t = target.text;
    if (!t || !source || start < 1 || count < 1) return rec;
    size_t len = strlen(t), s = (size_t)start - 1;
    for (size_t i = 0; s + i < len && source[i] && i < (size_t)count; i++) t[s + i] = source[i];
    return rec;
}

// RepeatChar(count, source): the character is the first of a text or the
// low byte of a number; counts above 65,535 are cut to 65,535.
static StatementRecord* Repeat(Keltra& k, StatementRecord* rec, int32_t count, char c) {
    if (!StoreTextResult(k, rec, "", 0)) return nullptr;
    if (count <= 0 || !c) return rec;
    size_t n = (size_t)count < ResultRoom(k) ? (size_t)count : ResultRoom(k);
    char* out = ResultStorage(k);
    memset(out, c, n);
    out[n] = 0;
    return rec;
}

StatementRecord* Keltra::CmdRepeatChar(StatementRecord* rec) {
    if (rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    int32_t count;
    if (!NumberArgument(*this, rec, 0, &count)) return nullptr;
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 1, T_ANYTHING)) return nullptr;
    char c;
    switch (v.type) {
    case T_STRING: c = v.text ? v.text[0] : 0; break;
    case T_CHAR: case T_INT: case T_FLOAT: case T_DOUBLE: c = (char)(v.intValue & 0xFF); break;
    default: return Fail(ERR_TYPE);
    }
    return Repeat(*this, rec, count, c);
}

StatementRecord* Keltra::CmdSpaces(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    int32_t count;
    if (!NumberArgument(*this, rec, 0, &count)) return nullptr;
    return Repeat(*this, rec, count, ' ');
}

StatementRecord* Keltra::CmdTrimLeft(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(*this, rec, 0, nullptr, &text)) return nullptr;
    if (!text) text = "";
    while (*text == ' ' || *text == '\t') text++;
    return StoreTextResult(*this, rec, text, TextLength(text, STRING_RESULT_MAX));
}

StatementRecord* Keltra::CmdTrimRight(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(*this, rec, 0, nullptr, &text)) return nullptr;
    if (!text) text = "";
    size_t n = strlen(text);
    while (n > 0 && IsWhite(text[n - 1])) n--;
    return StoreTextResult(*this, rec, text, n);
}

// Case mapping of the C library in its default locale: a-z and A-Z only.
static StatementRecord* ChangeCase(Keltra& k, StatementRecord* rec, int (*map)(int)) {
    if (rec->argCount != 1) return k.Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(k, rec, 0, nullptr, &text)) return nullptr;
    if (!StoreTextResult(k, rec, text ? text : "", TextLength(text, STRING_RESULT_MAX))) return nullptr;
    for (char* p = ResultStorage(k); *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (c < 128) *p = (char)map(c);
    }
    return rec;
}

StatementRecord* Keltra::CmdUpperCase(StatementRecord* rec) { return ChangeCase(*this, rec, toupper); }
StatementRecord* Keltra::CmdLowerCase(StatementRecord* rec) { return ChangeCase(*this, rec, tolower); }
