// Creating variable records: the name with its dimensions, the duplicate
// check, the storage shape of each type; and the three static records
// that begin the main list.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "data/data_state.h"

// One variable's storage may not exceed this; a larger declaration fails
// with error 2 before anything is allocated (offsets stay in 32 bits).
#ifdef KELTRA_FUZZ_BUILD
// Fuzzed runs are bounded in lines, so each line's work must stay small:
// creating and releasing a gigabyte array in a loop would take hours.
static const uint64_t STORAGE_LIMIT = 1ull << 24;
#else
static const uint64_t STORAGE_LIMIT = 1ull << 30;
#endif
// Every allocation has at least this many bytes, so a record of a type
// without element size (SYSTEM_0, ARRAY_0) still has a cell to hold the
// 32-bit number an assignment may store.
enum { MIN_STORAGE = 8 };

void Keltra::LinkStaticRecords() {
    Variable* recs[3] = {&stdoutVar, &stdinVar, &decimalVar};
    memset(&stdoutVar, 0, sizeof stdoutVar);
    memset(&stdinVar, 0, sizeof stdinVar);
    memset(&decimalVar, 0, sizeof decimalVar);
    strcpy(stdoutVar.name, "SYSTEM_STDOUT0");
    strcpy(stdinVar.name, "SYSTEM_STDIN0");
    strcpy(decimalVar.name, "DECIMAL_PREC");
    stdoutVar.type = stdinVar.type = T_FILE;
    decimalVar.type = T_SYSTEM_0;
    stdoutVar.data = reinterpret_cast<unsigned char*>(&stdoutCell);
    stdinVar.data = reinterpret_cast<unsigned char*>(&stdinCell);
    decimalVar.data = reinterpret_cast<unsigned char*>(&decimalPrec);
    for (int i = 0; i < 3; i++) {
        recs[i]->isStatic = 1;
        recs[i]->count = 1;
        recs[i]->prev = i ? recs[i - 1] : nullptr;
        recs[i]->next = i < 2 ? recs[i + 1] : nullptr;
    }
}

// The name part of a declaration text: up to the first '[' outside double
// quotes, blanks trimmed. *bracket is that '[' or null.
static size_t DeclaredName(const char* text, const char** start, const char** bracket) {
    bool quoted = false;
    const char* s = text;
    for (; *s; s++) {
        if (*s == '"') quoted = !quoted;
        else if (*s == '[' && !quoted) break;
    }
    *bracket = *s ? s : nullptr;
    const char* p = text;
    while (p < s && IsBlank(*p)) p++;
    while (s > p && IsBlank(s[-1])) s--;
    *start = p;
    return (size_t)(s - p);
}

// One dimension: an expression (text beginning with '(', '@', a letter or
// a statement marker), else an integer literal with automatic base.
// Returns 0 with the error code set on failure.
static int64_t DimensionValue(Keltra& k, const TextPiece& piece) {
    char buf[ARG_TEXT_SIZE];
    if (!PieceText(piece, buf, sizeof buf)) { k.error = ERR_TOO_LONG; return 0; }
    unsigned char c = (unsigned char)buf[0];
    int64_t v;
    if (c == '(' || c == '@' || c == 0xFF || (c < 0x80 && isalpha(c))) {
        double d = k.EvaluateExpression(buf);
        if (k.error) return 0;
        if (std::isnan(d)) { k.error = ERR_ZERO_DIMENSION; return 0; }
        v = d >= 4294967296.0 ? INT64_MAX : TruncTo64(d);
    } else {
        v = strtoll(buf, nullptr, 0);
    }
    // A size of 0 is error 45; a negative size is refused the same way.
    if (v <= 0) { k.error = ERR_ZERO_DIMENSION; return 0; }
    return v;
}

// Reads the dimensions after the '[' and allocates the storage of an
// indexed variable. 0 with the error code set on failure.
static int ShapeIndexed(Keltra& k, Variable* r, const char* open, int type, uint64_t count) {
    TextPiece piece[3];
    int n = 0;
    if (!SplitBracket(open, open + strlen(open), piece, &n)) { k.error = ERR_SYNTAX; return 0; }
    // A sized string has one dimension: its length. Further ones are
    // ignored, so no index can reach past its storage.
    if (type == T_ISTRING && n > 1) n = 1;
    for (int i = 0; i < n; i++) {
        int64_t v = DimensionValue(k, piece[i]);
        if (!v) return 0;
        if ((uint64_t)v > STORAGE_LIMIT) { k.error = ERR_NO_MEMORY; return 0; }
        r->dims[i] = (int32_t)v;
        count *= (uint64_t)v;
        if (count > STORAGE_LIMIT) { k.error = ERR_NO_MEMORY; return 0; }
    }
    if (type == T_ISTRING) {
        r->dims[0] += 1;
        count += 1;
        r->auxB = 1;
        r->auxA = r->dims[0];
    }
    uint64_t bytes = count * kTypes[type].elementSize;
    if (count == 0 || bytes > STORAGE_LIMIT) { k.error = ERR_NO_MEMORY; return 0; }
    unsigned char* p = static_cast<unsigned char*>(calloc(bytes < MIN_STORAGE ? (uint64_t)MIN_STORAGE : bytes, 1));
    if (!p) { k.error = ERR_NO_MEMORY; return 0; }
    r->base = r->data = p;
    r->isIndexed = 1;
    r->count = (uint32_t)count;
    return 1;
}

static int ShapeScalar(Keltra& k, Variable* r, int type, uint64_t count) {
    uint64_t bytes = count * kTypes[type].elementSize;
    unsigned char* p = static_cast<unsigned char*>(calloc(bytes < MIN_STORAGE ? (uint64_t)MIN_STORAGE : bytes, 1));
    if (!p) { k.error = ERR_NO_MEMORY; return 0; }
    r->data = p;
    r->count = (uint32_t)count;
    if (type == T_STRING) {
        r->auxB = 1;
        r->dims[0] = (int32_t)count;
        r->base = r->data;
        r->isIndexed = 1;
    }
    return 1;
}

static Variable* Refuse(Keltra& k, unsigned char code) {
    k.error = code;
    return nullptr;
}

static void Link(Variable* last, Variable* r) {
    r->prev = last;
    r->next = last->next;
    if (r->next) r->next->prev = r;   // never for a true last record
    last->next = r;
}

// A record whose storage could not be made is taken out again, so that no
// record without storage is left behind for later statements to find.
static Variable* Undo(Keltra& k, Variable* r) {
    IndexForget(Data(k), r);
    if (r->prev && r->prev->next == r) r->prev->next = r->next;
    if (r->next) r->next->prev = r->prev;
    Data(k).pointers.erase(r);
    free(r);
    return nullptr;
}

Variable* Keltra::CreateVariable(char* name, int type, uint32_t count, Variable* list) {
    if (!name || type < 0 || type >= T_COUNT) return Refuse(*this, ERR_SYNTAX);
    Variable* start = (!list || IsStaticRecord(*this, list)) ? &stdinVar : list;
    const char* key;
    const char* bracket;
    size_t len = DeclaredName(name, &key, &bracket);
    if (len > NAME_MAX_KEPT) len = NAME_MAX_KEPT;
    if (len == 0) return Refuse(*this, ERR_SYNTAX);   // a nameless record would pass for a list head
    if (type == T_ISTRING && !bracket) return Refuse(*this, ERR_STRING_NO_SIZE);
    Variable* last = nullptr;
    if (ScanForCreate(*this, start, key, len, &last)) return Refuse(*this, ERR_DUPLICATE);

    Variable* r = static_cast<Variable*>(calloc(1, sizeof(Variable)));
    if (!r) return Refuse(*this, ERR_NO_MEMORY);
    Link(last, r);
    memcpy(r->name, key, len);
    r->type = (unsigned char)type;
    IndexNewRecord(*this, start, r);
    if (type == T_POINTER) Data(*this).pointers.insert(r);

    if (type == T_STRING) {
        r->auxA = r->auxB = 255;
        if (count) count = 255;
    }
    if (count == 0) {
        if (bracket || type == T_STRING) r->isIndexed = 1;
        return r;
    }
    int ok = bracket ? ShapeIndexed(*this, r, bracket + 1, type, count)
                     : ShapeScalar(*this, r, type, count);
    if (!ok) return Undo(*this, r);
    if (type == T_ISTRING) r->type = T_STRING;
    return r;
}
