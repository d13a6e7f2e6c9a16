// Readable source to token text (see source.h for the rules).
#include "source.h"
#include "keywords.h"
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

bool IsWordChar(unsigned char c) { return isalnum(c) || c == '_'; }
bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

void PutMarker(std::string& out, unsigned char lead, int n) {
    out.push_back((char)lead);
    out.push_back((char)(0xE0 + (n >> 4)));
    out.push_back((char)(0xE0 + (n & 15)));
}

// One escape at s[i] == '{'. Returns the characters it takes (0 when the
// text is no escape and the brace is plain text), or -1 with an error.
int Escape(const std::string& s, size_t i, std::string& out, std::string* err) {
    if (i + 3 >= s.size()) return 0;
    char kind = (char)toupper((unsigned char)s[i + 1]);
    if (kind != 'S' && kind != 'C' && kind != 'X') return 0;
    size_t close = s.find('}', i + 2);
    if (close == std::string::npos || close == i + 2) return 0;
    std::string digits = s.substr(i + 2, close - i - 2);
    bool hex = kind == 'X';
    for (char c : digits)
        if (hex ? !isxdigit((unsigned char)c) : !isdigit((unsigned char)c)) return 0;
    if (digits.size() > 4) {
        *err = "escape number too long";
        return -1;
    }
    long n = strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    if (kind == 'S' && n > 255) { *err = "statement code beyond 255"; return -1; }
    if (kind == 'C' && n > 511) { *err = "constant index beyond 511"; return -1; }
    if (kind == 'X' && (digits.size() != 2 || n == 0)) {
        *err = "a raw byte is {X} and two hex digits, not 00";
        return -1;
    }
    if (kind == 'S') PutMarker(out, 0xFF, (int)n);
    else if (kind == 'C') PutMarker(out, 0xFE, (int)n);
    else out.push_back((char)n);
    return (int)(close - i + 1);
}

struct LineState {
    bool quoted = false;
    int paren = 0, bracket = 0;
    size_t rawBlanks = 0;      // trailing bytes of out that are source blanks
    bool TopLevel() const { return !quoted && paren == 0 && bracket == 0; }
};

// Tokenises one non-comment line into out; false on a fault.
bool TokeniseLine(const std::string& s, int lineNo, std::string& out,
                  std::vector<SourceError>* errors) {
    LineState st;
    size_t quoteCol = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = (unsigned char)s[i];
        if (c == 0) {
            errors->push_back({lineNo, (int)i + 1, "NUL byte in the source"});
            return false;
        }
        if (st.quoted) {
            out.push_back((char)c);
            if (c == '"') st.quoted = false;
            st.rawBlanks = 0;
            i++;
            continue;
        }
        if (c == '{') {
            std::string err;
            int n = Escape(s, i, out, &err);
            if (n < 0) {
                errors->push_back({lineNo, (int)i + 1, err});
                return false;
            }
            if (n > 0) {
                st.rawBlanks = 0;
                i += n;
                continue;
            }
        }
        if (IsWordChar(c)) {
            size_t j = i;
            while (j < s.size() && IsWordChar((unsigned char)s[j])) j++;
            int code = -1, index = -1;
            if (isalpha(c) && (i == 0 || s[i - 1] != '.')) {
                code = FindSlotKeyword(s.data() + i, j - i);
                if (code < 0) index = FindConstantName(s.data() + i, j - i);
            }
            if (code >= 0) PutMarker(out, 0xFF, code);
            else if (index >= 0) PutMarker(out, 0xFE, index);
            else out.append(s, i, j - i);
            st.rawBlanks = 0;
            i = j;
            continue;
        }
        if (c == ',' && st.TopLevel()) {
            out.resize(out.size() - st.rawBlanks);
            out.push_back(',');
            st.rawBlanks = 0;
            i++;
            while (i < s.size() && IsBlankChar(s[i])) i++;
            continue;
        }
        switch (c) {
        case '"': st.quoted = true; quoteCol = i + 1; break;
        case '(': st.paren++; break;
        case ')': st.paren--; break;
        case '[': st.bracket++; break;
        case ']': st.bracket--; break;
        }
        out.push_back((char)c);
        st.rawBlanks = IsBlankChar((char)c) ? st.rawBlanks + 1 : 0;
        i++;
    }
    if (st.quoted) {
        errors->push_back({lineNo, (int)quoteCol, "text literal without its closing quote"});
        return false;
    }
    return true;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

void TrimRightBlanks(std::string& s) {
    while (!s.empty() && IsBlankChar(s.back())) s.pop_back();
}

}  // namespace

bool TokeniseSource(const std::string& source, std::string* tokens,
                    std::vector<SourceError>* errors) {
    std::string& out = *tokens;
    out.clear();
    bool ok = true;
    size_t pos = 0;
    for (int lineNo = 1; pos < source.size(); lineNo++) {
        size_t lf = source.find('\n', pos);
        size_t end = lf == std::string::npos ? source.size() : lf;
        std::string line = source.substr(pos, end - pos);
        pos = lf == std::string::npos ? source.size() : lf + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        TrimRightBlanks(line);
        const char* ending = "\r\n";
        if (EndsWith(line, "{LF}")) ending = "\n";
        else if (EndsWith(line, "{NOEOL}")) ending = "";
        if (ending[0] != '\r') {
            line.resize(line.size() - (ending[0] ? 4 : 7));
            TrimRightBlanks(line);
        }
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && (line[first] == '\'' || line[first] == ';')) {
            if (line.find('\0') != std::string::npos) {
                errors->push_back({lineNo, (int)line.find('\0') + 1, "NUL byte in the source"});
                ok = false;
            }
            out += line;
        } else if (!TokeniseLine(line, lineNo, out, errors)) {
            ok = false;
        }
        out += ending;
    }
    out.push_back('\0');
    return ok;
}
