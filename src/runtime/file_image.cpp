// Binary images of variables (see file_image.h).
#include "runtime/file_image.h"
#include <cstring>
#include "runtime/files.h"

bool IsObjectType(int type) {
    return type == T_FILE || type == T_BFILE || type == T_WINDOW || type == T_DIALOG;
}

static size_t ElementSize(const Variable* v) {
    return v->type < T_COUNT ? kTypes[v->type].elementSize : 0;
}

// The bytes of a variable's storage an image covers. A top-level variable
// starts at its selected element and is cut at the end of its storage; a
// member always covers its whole storage.
struct Span { unsigned char* p; uint64_t n; };

static Span StorageSpan(Variable* v, bool whole) {
    uint64_t total = (uint64_t)v->count * ElementSize(v);
    if (!v->data && !v->base) return {nullptr, 0};
    if (whole || !v->isIndexed || !v->base) return {v->isIndexed && v->base ? v->base : v->data, total};
    if (v->data < v->base || v->data > v->base + total) return {nullptr, 0};
    return {v->data, total - (uint64_t)(v->data - v->base)};
}

// The member-list head stored in element e of a user-type variable.
static Variable* MemberHead(Variable* v, uint32_t e, bool whole) {
    unsigned char* cells = whole && v->isIndexed && v->base ? v->base : v->data;
    if (!cells) return nullptr;
    Variable* head = nullptr;
    memcpy(&head, cells + (size_t)e * ElementSize(v), sizeof head);
    return head;
}

// The block of a top-level MEMORY variable: its recorded size, or the
// allocated size when none is recorded, never more than was allocated.
static Span BlockSpan(Keltra& k, Variable* v) {
    unsigned char* p = MemoryCell(v);
    uint64_t alloc = BlockSize(k, p);
    uint64_t n = v->auxC > 0 ? (uint64_t)v->auxC : alloc;
    if (n > alloc) n = alloc;
    return {p, n};
}

static uint64_t MembersSize(Keltra& k, Variable* head);

static uint64_t MemberSize(Keltra& k, Variable* m) {
    if (m->type != T_USER_0) return StorageSpan(m, true).n;
    uint64_t sum = 0;
    for (uint32_t e = 0; e < m->count; e++) sum += MembersSize(k, MemberHead(m, e, true));
    return sum;
}

static uint64_t MembersSize(Keltra& k, Variable* head) {
    uint64_t sum = 0;
    for (Variable* m = head ? head->next : nullptr; m; m = m->next) sum += MemberSize(k, m);
    return sum;
}

uint64_t ImageSize(Keltra& k, Variable* v, ImageMode mode) {
    if (v->type == T_USER_0) return MembersSize(k, MemberHead(v, 0, false));
    if (v->type == T_MEMORY && mode == IMAGE_FILE) return BlockSpan(k, v).n;
    return StorageSpan(v, false).n;
}

// ---- transfer -------------------------------------------------------------

// Moves a span; with skip the bytes are read into scratch and dropped.
static uint64_t MoveSpan(ImageChannel& ch, Span s, bool skip) {
    if (!skip) return s.n ? ch.Move(s.p, (size_t)s.n) : 0;
    unsigned char scratch[256];
    uint64_t moved = 0;
    while (moved < s.n) {
        size_t want = s.n - moved < sizeof scratch ? (size_t)(s.n - moved) : sizeof scratch;
        size_t got = ch.Move(scratch, want);
        moved += got;
        if (got < want) break;
    }
    return moved;
}

static uint64_t TransferMembers(Keltra& k, Variable* head, ImageChannel& ch, bool reading);

// A raw read may fill a string's storage up to its last byte. Everything
// that reads strings stops at a NUL, so the last byte of every row stays
// one: a row holds capacity - 1 characters, as it does when assigned.
static void TerminateStrings(Variable* v) {
    if (v->type != T_STRING || !v->count) return;
    unsigned char* p = v->base ? v->base : v->data;
    if (!p) return;
    uint32_t row = v->auxB > 1 ? (uint32_t)v->auxB : v->count;   // a single string is one row
    for (uint32_t end = row; end <= v->count; end += row) p[end - 1] = 0;
    p[v->count - 1] = 0;
}

static uint64_t TransferMember(Keltra& k, Variable* m, ImageChannel& ch, bool reading) {
    if (m->type != T_USER_0) {
        uint64_t got = MoveSpan(ch, StorageSpan(m, true), reading && IsObjectType(m->type));
        if (reading) TerminateStrings(m);
        return got;
    }
    uint64_t moved = 0;
    for (uint32_t e = 0; e < m->count; e++) {
        Variable* head = MemberHead(m, e, true);
        uint64_t want = MembersSize(k, head);
        uint64_t got = TransferMembers(k, head, ch, reading);
        moved += got;
        if (reading && got < want) break;
    }
    return moved;
}

static uint64_t TransferMembers(Keltra& k, Variable* head, ImageChannel& ch, bool reading) {
    uint64_t moved = 0;
    for (Variable* m = head ? head->next : nullptr; m; m = m->next) {
        uint64_t want = MemberSize(k, m);
        uint64_t got = TransferMember(k, m, ch, reading);
        moved += got;
        if (reading && want > 0 && got == 0) break;   // the first member that reads nothing
    }
    return moved;
}

static uint64_t Transfer(Keltra& k, Variable* v, ImageChannel& ch, ImageMode mode, bool reading) {
    if (v->type == T_USER_0) return TransferMembers(k, MemberHead(v, 0, false), ch, reading);
    if (v->type == T_MEMORY && mode == IMAGE_FILE) return MoveSpan(ch, BlockSpan(k, v), false);
    uint64_t got = MoveSpan(ch, StorageSpan(v, false), reading && IsObjectType(v->type));
    if (reading) TerminateStrings(v);
    return got;
}

uint64_t WriteImage(Keltra& k, Variable* v, ImageChannel& ch, ImageMode mode) {
    return Transfer(k, v, ch, mode, false);
}

uint64_t ReadImage(Keltra& k, Variable* v, ImageChannel& ch, ImageMode mode) {
    return Transfer(k, v, ch, mode, true);
}
