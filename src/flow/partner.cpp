// Partner lines of the block statements. Each scan walks forward from the
// line after the block statement, counting nesting by statement code; only
// the first three bytes of a line (and, for conditionals, the then-token)
// are looked at. Lines that do not begin with the statement marker
// (assignments, calls by name, blanked labels) never count.
#include "flow/flow.h"
#include "engine/line_cache.h"
#include <cstring>

static const char kThenToken[] = "\xFF\xED\xEA";   // code 218
static const char kElseToken[] = "\xFF\xE3\xE7";   // code 55

static bool IsMarkerByte(unsigned char c) {
    return c >= 0xE0 && c <= 0xEF;
}

int LineCode(Keltra& k, uint32_t i) {
    if (!k.lines || i >= k.lineCount) return -1;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(k.lines[i]);
    if (!s || s[0] != 0xFF || !IsMarkerByte(s[1]) || !IsMarkerByte(s[2])) return -1;
    return ((s[1] - 0xE0) << 4) | (s[2] - 0xE0);
}

// A token begins with the only 0xFF its bytes have; looking for that byte
// first is cheaper than a general substring search on these short texts.
static const char* FindToken(const char* text, const char* token) {
    if (!text) return nullptr;
    for (const char* p = strchr(text, token[0]); p; p = strchr(p + 1, token[0]))
        if (p[1] == token[1] && p[2] == token[2]) return p;
    return nullptr;
}

const char* FindThenToken(const char* text) {
    return FindToken(text, kThenToken);
}

const char* FindElseToken(const char* text) {
    return FindToken(text, kElseToken);
}

bool HasThenToken(const char* text) {
    return FindThenToken(text) != nullptr;
}

// A conditional line opens a block only without the then-token.
static bool OpensIfBlock(Keltra& k, uint32_t i, int code) {
    return code == CODE_IF && !HasThenToken(k.lines[i] + 3);
}

// The line table never changes during a run, so each scan is done once
// per line and kept (engine/line_cache.h).
template <class Scan>
static int64_t Remembered(Keltra& k, PartnerKind kind, uint32_t from, Scan scan) {
    int64_t* memo = PartnerMemo(k, kind, from);
    if (!memo) return scan();
    if (*memo == PARTNER_UNKNOWN) *memo = scan();
    return *memo;
}

static int64_t FindIfFalse(Keltra& k, uint32_t from) {
    int depth = 1;
    for (uint32_t i = from + 1; i < k.lineCount; i++) {
        int code = LineCode(k, i);
        if (OpensIfBlock(k, i, code)) depth++;
        else if (code == CODE_ENDIF) depth--;
        else if (code == CODE_ELSE && depth == 1) depth = 0;
        if (depth == 0) return i;
    }
    return -1;
}

static int64_t FindElseEnd(Keltra& k, uint32_t from) {
    int depth = 1;
    for (uint32_t i = from + 1; i < k.lineCount; i++) {
        int code = LineCode(k, i);
        if (OpensIfBlock(k, i, code)) depth++;
        else if (code == CODE_ENDIF) depth--;
        if (depth == 0) return i;
    }
    return -1;
}

// The loops and the selection nest by a pair of codes.
static int64_t ScanPair(Keltra& k, uint32_t from, int open, int close) {
    int depth = 1;
    for (uint32_t i = from + 1; i < k.lineCount; i++) {
        int code = LineCode(k, i);
        if (code == open) depth++;
        else if (code == close && --depth == 0) return i;
    }
    return -1;
}

int64_t ScanIfFalse(Keltra& k, uint32_t from) {
    return Remembered(k, PARTNER_IF_FALSE, from, [&] { return FindIfFalse(k, from); });
}

int64_t ScanElseEnd(Keltra& k, uint32_t from) {
    return Remembered(k, PARTNER_ELSE_END, from, [&] { return FindElseEnd(k, from); });
}

int64_t ScanSelectEnd(Keltra& k, uint32_t from) {
    return Remembered(k, PARTNER_SELECT_END, from,
                      [&] { return ScanPair(k, from, CODE_SELECT, CODE_ENDSELECT); });
}

int64_t ScanWhileEnd(Keltra& k, uint32_t from) {
    return Remembered(k, PARTNER_WHILE_END, from,
                      [&] { return ScanPair(k, from, CODE_WHILE, CODE_WEND); });
}

int64_t ScanRepeatEnd(Keltra& k, uint32_t from) {
    return Remembered(k, PARTNER_REPEAT_END, from,
                      [&] { return ScanPair(k, from, CODE_REPEAT, CODE_UNTIL); });
}
