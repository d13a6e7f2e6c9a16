// FormatNumbers: fills the number fields of a picture with the values that
// follow it. "#" is a digit position, "," asks for grouping, "-" for left
// alignment, "." starts the decimals and "0" asks for zero fill; "&" takes
// the next value as text. Every other character is copied.
#include <cctype>
#include <cinttypes>
#include <cstring>
#include <string>
#include "engine/keltra.h"
#include "runtime/strings_result.h"

namespace {

struct Field {
    int before = 0, after = 0;
    bool grouping = false, left = false, decimal = false, zeroFill = false;
    bool Pending() const { return before || after; }
};

// The whole output is built here and stored at the end: evaluating a value
// may itself write SYSTEM_STRING0.
struct Picture {
    Keltra& k;
    StatementRecord* rec;
    std::string& out;
    int next = 1;           // next value argument
};

// Digits of the field's integer part get a "," before every group of three
// that has a digit in front of it; decimals are never grouped.
void Group(std::string& text) {
    size_t dot = text.find('.');
    long p = (long)(dot == std::string::npos ? text.size() : dot) - 1;
    while (p >= 0 && isspace((unsigned char)text[p])) p--;
    int count = 0;
    while (p >= 0 && isdigit((unsigned char)text[p])) {
        if (++count == 3 && p > 0 && isdigit((unsigned char)text[p - 1])) {
            text.insert((size_t)p, 1, ',');
            count = 0;
        }
        p--;
    }
}

template <class... A> std::string Printf(const char* format, A... args) {
    int n = snprintf(nullptr, 0, format, args...);
    if (n <= 0) return std::string();
    std::string text((size_t)n + 1, '\0');
    snprintf(&text[0], text.size(), format, args...);
    text.resize((size_t)n);
    return text;
}

// Width and precision come from the picture, which is at most 255 characters.
std::string FormatField(const Field& f, const ValueRecord& v) {
    std::string format = "%";
    if (f.left) format += '-';
    if (f.zeroFill) format += f.decimal ? "0" : ".";
    if (f.decimal)
        return Printf((format + "*.*f").c_str(), f.before + f.after + 1, f.after, v.doubleValue);
    if (v.type == T_UINT64)
        return Printf((format + "*" PRIu64).c_str(), f.before, (uint64_t)v.int64Value);
    if (v.type != T_INT64 && v.int64Value == (int64_t)v.intValue)
        return Printf((format + "*d").c_str(), f.before, v.intValue);
    return Printf((format + "*" PRId64).c_str(), f.before, v.int64Value);
}

void Append(std::string& out, const char* text, size_t len) {
    size_t room = STRING_RESULT_MAX - out.size();
    out.append(text, len < room ? len : room);
}

bool EmitField(Picture& pic, Field& f) {
    if (!f.Pending()) return true;
    ValueRecord v;
    if (!pic.k.EvaluateArgument(&v, pic.rec, pic.next, T_ANY_NUMBER)) return false;
    std::string text = FormatField(f, v);
    if (f.grouping) Group(text);
    Append(pic.out, text.data(), text.size());
    pic.next++;
    f = Field();
    return true;
}

bool EmitText(Picture& pic) {
    ValueRecord v;
    if (!pic.k.EvaluateArgument(&v, pic.rec, pic.next, T_STRING)) return false;
    if (v.text) Append(pic.out, v.text, strlen(v.text));
    pic.next++;
    return true;
}

bool Fill(Picture& pic, const char* picture) {
    Field f;
    for (const char* p = picture;; p++) {
        switch (*p) {
        case '#': (f.decimal ? f.after : f.before)++; break;
        case ',': f.grouping = true; break;
        case '-': f.left = true; break;
        case '.': f.decimal = true; break;
        case '0': f.zeroFill = true; break;
        case '&': if (!EmitField(pic, f) || !EmitText(pic)) return false; break;
        case 0:   return EmitField(pic, f);
        default:
            if (!EmitField(pic, f)) return false;
            Append(pic.out, p, 1);
        }
    }
}

}  // namespace

StatementRecord* Keltra::CmdFormatNumbers(StatementRecord* rec) {
    if (rec->argCount < 2) return Fail(ERR_ARG_COUNT);
    const char* text;
    if (!StringArgument(*this, rec, 0, nullptr, &text)) return nullptr;
    std::string picture = text ? text : "", out;
    Picture pic{*this, rec, out};
    if (!Fill(pic, picture.c_str())) return nullptr;
    return StoreTextResult(*this, rec, out.data(), out.size());
}
