// The bracket part of a name: dimensions of a declaration, indices of a
// lookup. Commas and the closing bracket count only outside quotes and
// outside nested brackets and parentheses, so a[b[1]] and m[f(1,2),0]
// split where they should.
#include <cmath>
#include <cstring>
#include "data/data_state.h"

static TextPiece Trimmed(const char* p, const char* q) {
    while (p < q && IsBlank(*p)) p++;
    while (q > p && IsBlank(q[-1])) q--;
    return TextPiece{p, (size_t)(q - p)};
}

bool SplitBracket(const char* open, const char* end, TextPiece piece[3], int* count) {
    bool quoted = false;
    int depth = 0;
    int n = 0;
    const char* from = open;
    for (const char* s = open; s < end && *s; s++) {
        char c = *s;
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '[' || c == '(') depth++;
        else if (c == ')' && depth > 0) depth--;
        else if (c == ']' && depth > 0) depth--;
        else if ((c == ']' || c == ',') && depth == 0) {
            if (n < 3) piece[n] = Trimmed(from, s);
            n++;
            from = s + 1;
            if (c == ']') {
                *count = n < 3 ? n : 3;
                return true;
            }
        }
    }
    return false;
}

bool PieceText(const TextPiece& piece, char* buf, size_t size) {
    if (piece.n >= size) return false;
    memcpy(buf, piece.p, piece.n);
    buf[piece.n] = 0;
    return true;
}

int64_t TruncTo64(double d) {
    if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0)) return INT64_MIN;
    return (int64_t)d;
}
