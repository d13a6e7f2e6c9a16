// Conversions between numbers, characters and text.
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "engine/keltra.h"
#include "runtime/strings_result.h"

double TextToNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (IsWhite(*p)) p++;
    const char* start = p;
    if (*p == '+' || *p == '-') p++;
    const char* digits = p;
    while (isdigit((unsigned char)*p)) p++;
    if (*p == '.') p++;
    while (isdigit((unsigned char)*p)) p++;
    if (p == digits || (p == digits + 1 && *digits == '.')) return 0.0;   // no digits at all
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') e++;
        if (isdigit((unsigned char)*e)) {
            while (isdigit((unsigned char)*e)) e++;
            p = e;
        }
    }
    std::string number(start, (size_t)(p - start));   // only the accepted form reaches strtod
    return strtod(number.c_str(), nullptr);
}

static bool Number(Keltra& k, StatementRecord* rec, ValueRecord* v) {
    if (rec->argCount != 1) { k.Fail(ERR_ARG_COUNT); return false; }
    return k.EvaluateArgument(v, rec, 0, T_ANY_NUMBER) != nullptr;
}

static StatementRecord* StoreFormatted(Keltra& k, StatementRecord* rec, const char* text) {
    return StoreTextResult(k, rec, text, strlen(text));
}

StatementRecord* Keltra::CmdHexText(StatementRecord* rec) {
    ValueRecord v;
    if (!Number(*this, rec, &v)) return nullptr;
    char text[24];
    snprintf(text, sizeof text, "%" PRIX64, (uint64_t)v.int64Value);
    return StoreFormatted(*this, rec, text);
}

// Always a leading blank: whole numbers as integers, others with the
// decimal precision. 64-bit integers and whole numbers beyond the 32-bit
// range print all their digits (rather than a cut 32-bit value).
StatementRecord* Keltra::CmdNumberToText(StatementRecord* rec) {
    ValueRecord v;
    if (!Number(*this, rec, &v)) return nullptr;
    char small[48];
    if (v.type == T_INT64 || v.type == T_UINT64) {
        snprintf(small, sizeof small, v.type == T_INT64 ? " %" PRId64 : " %" PRIu64, v.int64Value);
        return StoreFormatted(*this, rec, small);
    }
    float f = v.floatValue;
    if (f == std::trunc(f)) {
        if (v.doubleValue >= INT32_MIN && v.doubleValue <= INT32_MAX)
            snprintf(small, sizeof small, " %d", v.intValue);
        else
            snprintf(small, sizeof small, " %.0f", v.doubleValue);
        return StoreFormatted(*this, rec, small);
    }
    int n = snprintf(nullptr, 0, " %.*f", decimalPrec, (double)f);
    std::string text;
    text.resize(n > 0 ? (size_t)n + 1 : 1);
    snprintf(&text[0], text.size(), " %.*f", decimalPrec, (double)f);
    return StoreTextResult(*this, rec, text.data(), n > 0 ? (size_t)n : 0);
}

StatementRecord* Keltra::CmdTextToDouble(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(*this, rec, 0, nullptr, &text)) return nullptr;
    SetResultDouble(rec, TextToNumber(text));
    return rec;
}

StatementRecord* Keltra::CmdCharCode(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(*this, rec, 0, nullptr, &text)) return nullptr;
    SetResultInt(rec, text ? (unsigned char)text[0] : 0);
    return rec;
}

StatementRecord* Keltra::CmdCodeToChar(StatementRecord* rec) {
    ValueRecord v;
    if (!Number(*this, rec, &v)) return nullptr;
    char c = (char)(v.intValue & 0xFF);
    return StoreTextResult(*this, rec, &c, c ? 1 : 0);
}
