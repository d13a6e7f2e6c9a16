// The per-line memos of line_cache.h.
//
// A decoded line is kept as the record's pristine state right after
// DecodeLine: code, argument count, where the statement text begins, and
// the used bytes of each argument text with its class. Handlers edit
// their record in place (a text literal's closing quote becomes NUL, a
// one-line conditional decodes its then-part into it), so every run of
// the line copies the kept state into the record afresh.
// DecodeLine may edit the line itself on its first decode (a parenthesis
// pair blanked, the line cut at a 26th argument); the kept copy of the
// line is its text after that edit, and a line whose text no longer
// matches the copy is decoded again.
// The parts of a one-line conditional are decoded from a copy of the
// part's text; such a part keeps that copy, and its records' statement
// text points into it. Nothing writes through a record's statement text.
#include "engine/line_cache.h"
#include <cstdlib>
#include <cstring>
#include <string>

struct DecodedLine {
    const char* line;        // the line table entry it was decoded from (null for a part)
    DecodedLine* parts[2];   // a conditional's else-part and then-part
    uint32_t textSize;       // bytes of the kept text before its final NUL
    uint32_t textOffset;     // where the statement text begins in it
    uint16_t code;
    uint16_t argCount;
    // followed by: uint16_t argLen[argCount], unsigned char argClass[argCount],
    // the kept text and a NUL, and each argument text and its NUL
};

static uint16_t* ArgLengths(DecodedLine* d) {
    return reinterpret_cast<uint16_t*>(d + 1);
}

static unsigned char* ArgClasses(DecodedLine* d) {
    return reinterpret_cast<unsigned char*>(ArgLengths(d) + d->argCount);
}

static char* KeptText(DecodedLine* d) {
    return reinterpret_cast<char*>(ArgClasses(d) + d->argCount);
}

static char* ArgBytes(DecodedLine* d) {
    return KeptText(d) + d->textSize + 1;
}

static void FreeEntry(DecodedLine* d) {
    if (!d) return;
    FreeEntry(d->parts[0]);
    FreeEntry(d->parts[1]);
    free(d);
}

LineCache::~LineCache() {
    Reset();
}

void LineCache::Reset() {
    for (DecodedLine* d : decoded) FreeEntry(d);
    for (DecodedLine* d : retired) FreeEntry(d);
    decoded.clear();
    retired.clear();
    ForgetPartners();
}

void LineCache::ForgetPartners() {
    for (std::vector<int64_t>& v : partners) v.clear();
}

// The kept state of rec, whose statement text lies in text[0..size].
// Null when rec cannot be kept (or memory runs out: the line is then
// decoded each time).
static DecodedLine* MakeEntry(const StatementRecord* rec, const char* text, size_t size) {
    const char* st = rec->statementText;
    if (rec->rewrite || !st || st < text || st > text + size || rec->argCount > MAX_ARGS ||
        size > UINT32_MAX - 1)
        return nullptr;
    size_t argBytes = 0;
    for (int a = 0; a < rec->argCount; a++) {
        size_t n = strnlen(rec->argText[a], ARG_TEXT_SIZE);
        if (n >= ARG_TEXT_SIZE || rec->argClass[a] < 0 || rec->argClass[a] > 255) return nullptr;
        argBytes += n + 1;
    }
    size_t bytes = sizeof(DecodedLine) + rec->argCount * (sizeof(uint16_t) + 1) + size + 1 + argBytes;
    DecodedLine* d = static_cast<DecodedLine*>(malloc(bytes));
    if (!d) return nullptr;
    d->line = nullptr;
    d->parts[0] = d->parts[1] = nullptr;
    d->textSize = (uint32_t)size;
    d->textOffset = (uint32_t)(st - text);
    d->code = rec->code;
    d->argCount = rec->argCount;
    uint16_t* len = ArgLengths(d);
    unsigned char* cls = ArgClasses(d);
    memcpy(KeptText(d), text, size);
    KeptText(d)[size] = 0;
    char* out = ArgBytes(d);
    for (int a = 0; a < rec->argCount; a++) {
        len[a] = (uint16_t)strlen(rec->argText[a]);
        cls[a] = (unsigned char)rec->argClass[a];
        memcpy(out, rec->argText[a], (size_t)len[a] + 1);
        out += len[a] + 1;
    }
    return d;
}

// Equality of n bytes, word by word: lines are short and checked on
// every run, so this stays inline.
static bool SameBytes(const char* a, const char* b, size_t n) {
    if (n < 8) {
        for (size_t i = 0; i < n; i++)
            if (a[i] != b[i]) return false;
        return true;
    }
    uint64_t x, y;
    for (size_t i = 0; i + 8 <= n; i += 8) {
        memcpy(&x, a + i, 8);
        memcpy(&y, b + i, 8);
        if (x != y) return false;
    }
    memcpy(&x, a + n - 8, 8);      // the tail, overlapping the last word
    memcpy(&y, b + n - 8, 8);
    return x == y;
}

// The record as DecodeLine left it, its statement text in `base`.
static void Restore(DecodedLine* d, StatementRecord* rec, char* base) {
    rec->resultType = T_NONE;
    rec->redirect = 0;
    if (rec->rewrite) {            // as DecodeLine drops an earlier call's rewrite
        free(rec->rewrite);
        rec->rewrite = nullptr;
    }
    rec->code = d->code;
    rec->argCount = d->argCount;
    rec->statementText = base + d->textOffset;
    const uint16_t* len = ArgLengths(d);
    const unsigned char* cls = ArgClasses(d);
    const char* src = ArgBytes(d);
    for (int a = 0; a < d->argCount; a++) {
        memcpy(rec->argText[a], src, (size_t)len[a] + 1);
        rec->argClass[a] = cls[a];
        src += len[a] + 1;
    }
}

bool RestoreDecoded(Keltra& k, StatementRecord* rec, uint32_t i) {
    LineCache& lc = Lines(k);
    if (i >= lc.decoded.size() || !lc.decoded[i]) return false;
    DecodedLine* d = lc.decoded[i];
    char* line = k.lines[i];
    // The kept text was the line's, NUL included, so these bytes are the line's own.
    if (d->line != line || !SameBytes(line, KeptText(d), (size_t)d->textSize + 1)) return false;
    Restore(d, rec, line);
    return true;
}

int DecodeAndKeep(Keltra& k, StatementRecord* rec, uint32_t i) {
    char* line = k.lines[i];
    std::string before(line);
    int rc = k.DecodeLine(rec, line);
    LineCache& lc = Lines(k);
    if (before != line) {
        // A conditional line cut at its 26th argument may have lost its
        // then-token, which decides whether it opens a block: the scans
        // are done again.
        lc.ForgetPartners();
        return rc;
    }
    if (rc) return rc;
    DecodedLine* d = MakeEntry(rec, line, before.size());
    if (!d) return 0;
    d->line = line;
    if (lc.decoded.size() < k.lineCount) lc.decoded.resize(k.lineCount, nullptr);
    // A replaced entry may still be running (a part of it deeper on the
    // stack): it is freed with the rest at the end of the run.
    if (lc.decoded[i]) lc.retired.push_back(lc.decoded[i]);
    lc.decoded[i] = d;
    return 0;
}

DecodedLine* InlineOwner(Keltra& k, const StatementRecord* rec) {
    LineCache& lc = Lines(k);
    uint32_t i = k.currentLine;
    if (!k.lines || i >= k.lineCount || i >= lc.decoded.size() || !lc.decoded[i]) return nullptr;
    DecodedLine* d = lc.decoded[i];
    if (d->line != k.lines[i] || rec->statementText != k.lines[i] + d->textOffset) return nullptr;
    return d;
}

bool RestoreInline(Keltra& k, StatementRecord* rec, DecodedLine* owner, int part) {
    (void)k;
    if (!owner || part < 0 || part > 1 || !owner->parts[part]) return false;
    DecodedLine* d = owner->parts[part];
    Restore(d, rec, KeptText(d));
    return true;
}

void KeepInline(Keltra& k, const StatementRecord* rec, DecodedLine* owner, int part,
                const char* copy, size_t size) {
    (void)k;
    if (!owner || part < 0 || part > 1 || owner->parts[part]) return;
    owner->parts[part] = MakeEntry(rec, copy, size);
}

int64_t* PartnerMemo(Keltra& k, PartnerKind kind, uint32_t from) {
    if (!k.lines || from >= k.lineCount) return nullptr;
    std::vector<int64_t>& v = Lines(k).partners[kind];
    if (v.size() < k.lineCount) v.resize(k.lineCount, PARTNER_UNKNOWN);
    return &v[from];
}
