// The per-line memos of line_cache.h.
//
// A decoded line is kept as the record's pristine state right after
// DecodeLine: code, argument count, where the statement text begins in
// the line, and the used bytes of each argument text with its class.
// Handlers edit their record in place (a text literal's closing quote
// becomes NUL, a one-line conditional decodes its then-part into it), so
// every run of the line copies the kept state into the record afresh.
// DecodeLine may edit the line itself on its first decode (a parenthesis
// pair blanked, the line cut at a 26th argument); the kept copy of the
// line is its text after that edit, and a line whose text no longer
// matches the copy is decoded again.
#include "engine/line_cache.h"
#include <cstdlib>
#include <cstring>

struct DecodedLine {
    const char* line;        // the line table entry it was decoded from
    uint32_t lineLen;
    uint32_t textOffset;     // statementText - line
    uint16_t code;
    uint16_t argCount;
    // followed by: uint16_t argLen[argCount], unsigned char argClass[argCount],
    // the line's text and NUL, and each argument text and its NUL
};

static uint16_t* ArgLengths(DecodedLine* d) {
    return reinterpret_cast<uint16_t*>(d + 1);
}

static unsigned char* ArgClasses(DecodedLine* d) {
    return reinterpret_cast<unsigned char*>(ArgLengths(d) + d->argCount);
}

static char* LineCopy(DecodedLine* d) {
    return reinterpret_cast<char*>(ArgClasses(d) + d->argCount);
}

static char* ArgBytes(DecodedLine* d) {
    return LineCopy(d) + d->lineLen + 1;
}

LineCache::~LineCache() {
    Reset();
}

void LineCache::Reset() {
    for (DecodedLine* d : decoded) free(d);
    decoded.clear();
    ForgetPartners();
}

void LineCache::ForgetPartners() {
    for (std::vector<int64_t>& v : partners) v.clear();
}

bool RestoreDecoded(Keltra& k, StatementRecord* rec, uint32_t i) {
    LineCache& lc = Lines(k);
    if (i >= lc.decoded.size() || !lc.decoded[i]) return false;
    DecodedLine* d = lc.decoded[i];
    char* line = k.lines[i];
    if (d->line != line || strcmp(line, LineCopy(d)) != 0) return false;
    rec->resultType = T_NONE;
    rec->redirect = 0;
    free(rec->rewrite);            // as DecodeLine drops an earlier call's rewrite
    rec->rewrite = nullptr;
    rec->code = d->code;
    rec->argCount = d->argCount;
    rec->statementText = line + d->textOffset;
    const uint16_t* len = ArgLengths(d);
    const unsigned char* cls = ArgClasses(d);
    const char* src = ArgBytes(d);
    for (int a = 0; a < d->argCount; a++) {
        memcpy(rec->argText[a], src, (size_t)len[a] + 1);
        rec->argClass[a] = cls[a];
        src += len[a] + 1;
    }
    return true;
}

void KeepDecoded(Keltra& k, const StatementRecord* rec, uint32_t i) {
    if (rec->rewrite || !k.lines || i >= k.lineCount) return;
    const char* line = k.lines[i];
    size_t lineLen = strlen(line);
    const char* text = rec->statementText;
    if (!text || text < line || text > line + lineLen || rec->argCount > MAX_ARGS) return;
    size_t argBytes = 0;
    for (int a = 0; a < rec->argCount; a++) {
        size_t n = strnlen(rec->argText[a], ARG_TEXT_SIZE);
        if (n >= ARG_TEXT_SIZE || rec->argClass[a] < 0 || rec->argClass[a] > 255) return;
        argBytes += n + 1;
    }
    size_t size = sizeof(DecodedLine) + rec->argCount * (sizeof(uint16_t) + 1) + lineLen + 1 + argBytes;
    DecodedLine* d = static_cast<DecodedLine*>(malloc(size));
    if (!d) return;                // not kept: the line is decoded each time
    d->line = line;
    d->lineLen = (uint32_t)lineLen;
    d->textOffset = (uint32_t)(text - line);
    d->code = rec->code;
    d->argCount = rec->argCount;
    uint16_t* len = ArgLengths(d);
    unsigned char* cls = ArgClasses(d);
    memcpy(LineCopy(d), line, lineLen + 1);
    char* out = ArgBytes(d);
    for (int a = 0; a < rec->argCount; a++) {
        len[a] = (uint16_t)strlen(rec->argText[a]);
        cls[a] = (unsigned char)rec->argClass[a];
        memcpy(out, rec->argText[a], (size_t)len[a] + 1);
        out += len[a] + 1;
    }
    LineCache& lc = Lines(k);
    if (lc.decoded.size() < k.lineCount) lc.decoded.resize(k.lineCount, nullptr);
    free(lc.decoded[i]);
    lc.decoded[i] = d;
    // A conditional line cut at its 26th argument may have lost its
    // then-token, which decides whether it opens a block: the scans that
    // counted it are done again.
    if (rec->code == 6 && rec->argCount == MAX_ARGS) lc.ForgetPartners();
}

int64_t* PartnerMemo(Keltra& k, PartnerKind kind, uint32_t from) {
    if (!k.lines || from >= k.lineCount) return nullptr;
    std::vector<int64_t>& v = Lines(k).partners[kind];
    if (v.size() < k.lineCount) v.resize(k.lineCount, PARTNER_UNKNOWN);
    return &v[from];
}
