// Token text back to readable source: the exact inverse of TokeniseSource.
// Whatever the tokeniser would read differently is written as an escape:
// markers next to word characters, plain words that are keywords, blanks
// next to top-level commas or at the line end, unpaired quotes, braces and
// bytes that are not printable.
#include "source.h"
#include "keywords.h"
#include <cctype>
#include <cstdio>

namespace {

bool IsWordByte(unsigned char c) { return isalnum(c) || c == '_'; }
bool IsMarkerByte(unsigned char c) { return c >= 0xE0 && c <= 0xEF; }

void PutEscape(std::string& out, char kind, int n) {
    char buf[16];
    if (kind == 'X') snprintf(buf, sizeof buf, "{X%02X}", n);
    else snprintf(buf, sizeof buf, "{%c%d}", kind, n);
    out += buf;
}

bool IsCommentLine(const std::string& s) {
    size_t first = s.find_first_not_of(" \t");
    return first != std::string::npos && (s[first] == '\'' || s[first] == ';');
}

// A marker may be written as its name only where the tokeniser reads it
// back as one word: not after a word character or ".", not before a word
// character or another marker.
bool NameFits(const std::string& s, size_t at, size_t len, const std::string& out) {
    if (!out.empty() && (IsWordByte((unsigned char)out.back()) || out.back() == '.')) return false;
    if (at + len < s.size()) {
        unsigned char next = (unsigned char)s[at + len];
        if (IsWordByte(next) || next == 0xFE || next == 0xFF) return false;
    }
    return true;
}

void DumpLine(const std::string& s, std::string& out) {
    size_t quotes = 0;
    for (char c : s) quotes += c == '"';
    size_t lastQuote = s.rfind('"');
    bool quoted = false;
    int paren = 0, bracket = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = (unsigned char)s[i];
        if (quoted) {
            out.push_back((char)c);
            if (c == '"') quoted = false;
            i++;
            continue;
        }
        if (c == '"') {
            if (quotes % 2 == 1 && i == lastQuote) PutEscape(out, 'X', c);
            else { out.push_back('"'); quoted = true; }
            i++;
            continue;
        }
        if ((c == 0xFF || c == 0xFE) && i + 2 < s.size() &&
            IsMarkerByte((unsigned char)s[i + 2]) &&
            (c == 0xFE ? (unsigned char)s[i + 1] >= 0xE0 : IsMarkerByte((unsigned char)s[i + 1]))) {
            int n = (((unsigned char)s[i + 1] & 0x1F) << 4) | ((unsigned char)s[i + 2] - 0xE0);
            std::string name = c == 0xFF ? SlotKeywordName(n) : ConstantNameOf(n);
            if (!name.empty() && NameFits(s, i, 3, out)) out += name;
            else PutEscape(out, c == 0xFF ? 'S' : 'C', n);
            i += 3;
            continue;
        }
        if (IsWordByte(c)) {
            size_t j = i;
            while (j < s.size() && IsWordByte((unsigned char)s[j])) j++;
            bool afterDot = i > 0 && s[i - 1] == '.';
            bool reserved = isalpha(c) && !afterDot &&
                            (FindSlotKeyword(s.data() + i, j - i) >= 0 ||
                             FindConstantName(s.data() + i, j - i) >= 0);
            for (; i < j; i++) {
                if (reserved) PutEscape(out, 'X', (unsigned char)s[i]);
                else out.push_back(s[i]);
            }
            continue;
        }
        if (c == ' ' || c == '\t') {
            size_t j = i;
            while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) j++;
            bool top = paren == 0 && bracket == 0;
            bool keep = !(j == s.size() || (top && s[j] == ',') || (top && i > 0 && s[i - 1] == ','));
            for (; i < j; i++) {
                if (keep) out.push_back(s[i]);
                else PutEscape(out, 'X', (unsigned char)s[i]);
            }
            continue;
        }
        switch (c) {
        case '(': paren++; break;
        case ')': paren--; break;
        case '[': bracket++; break;
        case ']': bracket--; break;
        }
        if (c < 0x20 || c >= 0x7F || c == '{') PutEscape(out, 'X', c);
        else out.push_back((char)c);
        i++;
    }
}

}  // namespace

std::string DumpTokens(const std::string& tokens) {
    std::string text = tokens.substr(0, tokens.find('\0'));
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        std::string line = text.substr(pos, (lf == std::string::npos ? text.size() : lf) - pos);
        const char* ending = "";
        if (lf == std::string::npos) ending = "{NOEOL}";
        else if (!line.empty() && line.back() == '\r') line.pop_back();
        else ending = "{LF}";
        pos = lf == std::string::npos ? text.size() : lf + 1;
        if (IsCommentLine(line)) out += line;
        else DumpLine(line, out);
        out += ending;
        out += '\n';
    }
    return out;
}
