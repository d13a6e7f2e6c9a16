// The line table of the program image and the label pre-pass.
//
// The image holds imageSize bytes and its text ends at the first NUL; the
// loader always puts one more NUL at image[imageSize], so a resource
// without a terminator still ends there.
#include "engine/keltra.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum LineKind { LINE_KEPT, LINE_EMPTY, LINE_COMMENT };

// One line of the text: [start, end) without its line end.
struct LineSpan {
    char* start;
    char* end;
    char* lf;        // the line feed that ends it, null for the last line
    bool crlf;
};

LineSpan NextLine(char* p, char* textEnd) {
    LineSpan s;
    s.start = p;
    s.lf = static_cast<char*>(memchr(p, '\n', textEnd - p));
    s.end = s.lf ? s.lf : textEnd;
    s.crlf = s.lf && s.lf > p && s.lf[-1] == '\r';
    if (s.crlf) s.end--;
    return s;
}

LineKind Classify(const LineSpan& s) {
    const char* q = s.start;
    while (q < s.end && IsBlank(*q)) q++;
    if (q == s.end) return LINE_EMPTY;
    if (*q == ';' || *q == '\'') return LINE_COMMENT;
    return LINE_KEPT;
}

}  // namespace

int Keltra::BuildLineTable() {
    free(lines);
    free(lineNumbers);
    lines = nullptr;
    lineNumbers = nullptr;
    lineCount = 0;
    char* textEnd = static_cast<char*>(memchr(image, 0, imageSize));
    if (!textEnd) textEnd = image + imageSize;

    uint32_t count = 0;
    for (char* p = image;;) {
        LineSpan s = NextLine(p, textEnd);
        if (Classify(s) == LINE_KEPT) count++;
        if (!s.lf) break;
        p = s.lf + 1;
    }
    if (count == 0) return 0;
    lines = static_cast<char**>(calloc(count, sizeof(char*)));
    lineNumbers = static_cast<uint16_t*>(malloc(count * sizeof(uint16_t)));
    if (!lines || !lineNumbers) {
        free(lines);
        free(lineNumbers);
        lines = nullptr;
        lineNumbers = nullptr;
        error = ERR_NO_MEMORY;
        return 0;
    }

    uint32_t n = 0;      // 0-based source line; only CR LF and comments advance it
    for (char* p = image;;) {
        LineSpan s = NextLine(p, textEnd);
        *s.end = 0;      // the CR of a CR LF, the bare LF, or the final NUL
        LineKind kind = Classify(s);
        if (kind == LINE_COMMENT) {
            n++;
        } else {
            if (kind == LINE_KEPT && lineCount < count) {
                lines[lineCount] = SkipBlanks(s.start);
                lineNumbers[lineCount++] = (uint16_t)n;
            }
            if (s.crlf) n++;
        }
        if (!s.lf) break;
        p = s.lf + 1;
    }
    return 1;
}

namespace {

// End of the first word of a line for the label test, or null when the
// line has none. *code gets the statement code of a leading marker, -1 for
// none, -2 for a malformed marker.
char* FirstWordEnd(char* line, int* code) {
    *code = -1;
    unsigned char* u = reinterpret_cast<unsigned char*>(line);
    if (u[0] == 0xFF) {
        if (u[1] == 0 || u[2] == 0) return nullptr;
        bool ok = u[1] >= 0xE0 && u[1] <= 0xEF && u[2] >= 0xE0 && u[2] <= 0xEF;
        *code = ok ? ((u[1] - 0xE0) << 4) | (u[2] - 0xE0) : -2;
        return line + 3;
    }
    char* e = strpbrk(line, " \t(");
    if (e) return e;
    e = strchr(line, ':');
    return e ? e + 1 : nullptr;
}

}  // namespace

// Registers every label and subroutine name before the first line runs.
// A colon label longer than the 30 characters a name keeps is registered
// under its first 30 characters, exactly as LABEL and SUB lines are (the
// variable store cuts every name to 30); the line is blanked as usual.
// A lone colon names nothing and is no label line: it runs, and fails, as
// any other line would, instead of ending the pre-pass without a word.
int Keltra::LabelPrePass() {
    StatementRecord* rec = NewStatementRecord(MAX_ARGS);
    if (!rec) return 0;
    for (currentLine = 0; currentLine < lineCount; currentLine++) {
        char* line = lines[currentLine];
        int code;
        char* e = FirstWordEnd(line, &code);
        if (!e) continue;
        char saved = *e;
        *e = 0;
        bool colon = code == -1 && e > line + 1 && e[-1] == ':';   // a name, then the colon
        bool isLabel = code == 23 || code == 56 || CompareNoCase(line, "label") == 0 ||
                       CompareNoCase(line, "sub") == 0 || colon;
        char labelText[37];
        char* name;
        if (isLabel && colon) {
            e[-1] = 0;
            snprintf(labelText, sizeof labelText, "LABEL %.30s", line);
            line[0] = 0;                       // the run loop skips this line
            name = labelText + 6;
        } else {
            *e = saved;
            if (!isLabel) continue;
            name = (code < 0 && saved != 0) ? e + 1 : e;
        }
        name = SkipBlanks(name);
        char* nameEnd = name + strcspn(name, " \t(");
        char endChar = *nameEnd;
        *nameEnd = 0;
        rec->code = (uint16_t)(code == 56 ? 56 : 23);
        rec->argCount = 1;
        rec->statementText = name;
        CopyBounded(rec->argText[0], name, ARG_TEXT_SIZE - 1);
        rec->argClass[0] = AC_NAME;
        rec->resultType = T_NONE;
        rec->redirect = 0;
        StatementRecord* ok = (this->*handlers[23])(rec);
        *nameEnd = endChar;
        if (!ok) {
            currentLine++;
            FreeStatementRecord(rec);
            return 0;
        }
    }
    FreeStatementRecord(rec);
    return 1;
}
