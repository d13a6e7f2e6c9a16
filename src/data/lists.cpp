// Walking the variable lists, and the name index that spares long lists
// the walk.
//
// A lookup walks from a start record: the static records (when it starts
// at one of them) and then the current chain, or a head record and its
// list. A list of INDEX_MIN_RECORDS records or more gets a hash index,
// anchored at the record the walk of its list starts from: the nameless
// head of a member, parameter or call list, or the first record of the
// globals chain. The index holds the first record of each name, so the
// result is the walk's. Records keep the index id, never a pointer, so a
// stale id only misses.
#include <cstring>
#include "data/data_state.h"

DataState& Data(Keltra& k) {
    DataState& ds = k.Ext<DataState>(EXT_DATA);
    ds.owner = &k;
    return ds;
}

bool IsStaticRecord(const Keltra& k, const Variable* v) {
    return v == &k.stdoutVar || v == &k.stdinVar || v == &k.decimalVar;
}

static inline unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c + 32) : c;
}

static uint32_t NameHash(const char* key, size_t len) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < len; i++) {
        h ^= Lower((unsigned char)key[i]);
        h *= 16777619u;
    }
    return h;
}

static size_t NameLength(const Variable* r) {
    return strnlen(r->name, NAME_MAX_KEPT);
}

// Names are compared without regard to case; a stored name is at most 30
// characters, so a longer key never matches.
bool NameEquals(const char* stored, const char* key, size_t len) {
    if (len == 0 || len > NAME_MAX_KEPT) return false;
    for (size_t i = 0; i < len; i++) {
        unsigned char a = (unsigned char)stored[i];
        if (!a || Lower(a) != Lower((unsigned char)key[i])) return false;
    }
    return stored[len] == 0;
}

// ---- the hash table ----------------------------------------------------------

Variable* NameIndex::Find(const char* key, size_t len) const {
    if (slots.empty()) return nullptr;
    size_t mask = slots.size() - 1;
    for (size_t i = NameHash(key, len) & mask;; i = (i + 1) & mask) {
        Variable* r = slots[i];
        if (!r) return nullptr;
        if (NameEquals(r->name, key, len)) return r;
    }
}

void NameIndex::Grow() {
    std::vector<Variable*> old;
    old.swap(slots);
    slots.assign(old.empty() ? 32 : old.size() * 2, nullptr);
    size_t mask = slots.size() - 1;
    for (Variable* r : old) {
        if (!r) continue;
        size_t i = NameHash(r->name, NameLength(r)) & mask;
        while (slots[i]) i = (i + 1) & mask;
        slots[i] = r;
    }
}

bool NameIndex::Insert(Variable* r) {
    size_t len = NameLength(r);
    if (!len || Find(r->name, len)) return false;
    if ((used + 1) * 2 > slots.size()) Grow();
    size_t mask = slots.size() - 1;
    size_t i = NameHash(r->name, len) & mask;
    while (slots[i]) i = (i + 1) & mask;
    slots[i] = r;
    used++;
    return true;
}

// Backward-shift deletion keeps every probe chain unbroken.
void NameIndex::Remove(Variable* r) {
    if (slots.empty()) return;
    size_t mask = slots.size() - 1;
    size_t i = NameHash(r->name, NameLength(r)) & mask;
    while (slots[i] != r) {
        if (!slots[i]) return;
        i = (i + 1) & mask;
    }
    slots[i] = nullptr;
    used--;
    for (size_t j = (i + 1) & mask; slots[j]; j = (j + 1) & mask) {
        size_t home = NameHash(slots[j]->name, NameLength(slots[j])) & mask;
        bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
        if (stays) continue;
        slots[i] = slots[j];
        slots[j] = nullptr;
        i = j;
    }
}

// ---- indexes and their anchors ----------------------------------------------------

static NameIndex* IndexById(DataState& ds, uint32_t id) {
    if (!id) return nullptr;
    if (ds.lastIndex && ds.lastIndex->id == id) return ds.lastIndex;
    auto it = ds.indexes.find(id);
    if (it == ds.indexes.end()) return nullptr;
    ds.lastIndex = it->second;
    return it->second;
}

// The index that answers a walk starting at `start`: one anchored at start
// itself, or at the nameless head just before it.
static NameIndex* IndexForStart(DataState& ds, Variable* start) {
    NameIndex* idx = IndexById(ds, start->anchorOf);
    if (idx && idx->anchor == start) return idx;
    Variable* h = start->prev;
    if (h && !h->name[0] && h->anchorOf) {
        idx = IndexById(ds, h->anchorOf);
        if (idx && idx->anchor == h) return idx;
    }
    return nullptr;
}

// Where an index for the list walked from `start` would be anchored; null
// when start lies inside a list (such a walk is not the whole list).
static Variable* AnchorFor(Keltra& k, Variable* start) {
    if (!start->name[0]) return start;
    Variable* p = start->prev;
    if (!p || p == &k.decimalVar) return start;
    if (!p->name[0]) return p;
    return nullptr;
}

static void Enter(NameIndex* idx, Variable* r) {
    idx->Insert(r);
    r->memberOf = idx->id;
    idx->tail = r;
}

// Records appended by hand after the tail are taken in.
static Variable* CatchUp(NameIndex* idx) {
    Variable* t = idx->tail ? idx->tail : idx->anchor;
    while (t->next) {
        t = t->next;
        Enter(idx, t);
    }
    idx->tail = t;
    return t;
}

static void Build(DataState& ds, Variable* anchor) {
    NameIndex* idx = new NameIndex;
    if (!ds.nextIndexId) ds.nextIndexId = 1;
    idx->id = ds.nextIndexId++;
    idx->anchor = anchor;
    idx->tail = anchor;
    ds.indexes[idx->id] = idx;
    anchor->anchorOf = idx->id;
    for (Variable* r = anchor->name[0] ? anchor : anchor->next; r; r = r->next) Enter(idx, r);
}

void IndexDelete(DataState& ds, uint32_t id) {
    auto it = ds.indexes.find(id);
    if (it == ds.indexes.end()) return;
    if (ds.lastIndex == it->second) ds.lastIndex = nullptr;
    delete it->second;
    ds.indexes.erase(it);
}

// The walk over the static records, when `start` is one of them; returns
// where the walk goes on (the current chain).
static Variable* StaticPart(Keltra& k, Variable* start, const char* key, size_t len, Variable** hit) {
    if (!IsStaticRecord(k, start)) return start;
    unsigned char first = Lower((unsigned char)key[0]);
    for (Variable* r = start; r; r = r->next) {
        if (Lower((unsigned char)r->name[0]) == first && NameEquals(r->name, key, len)) {
            *hit = r;
            return nullptr;
        }
        if (r == &k.decimalVar) break;
    }
    return k.decimalVar.next;
}

Variable* MatchName(Keltra& k, Variable* start, const char* key, size_t len) {
    if (!start || len == 0 || len > NAME_MAX_KEPT) return nullptr;
    Variable* hit = nullptr;
    Variable* chain = StaticPart(k, start, key, len, &hit);
    if (!chain) return hit;
    if (NameIndex* idx = IndexForStart(Data(k), chain)) {
        CatchUp(idx);
        return idx->Find(key, len);
    }
    unsigned char first = Lower((unsigned char)key[0]);
    for (Variable* r = chain; r; r = r->next)
        if (Lower((unsigned char)r->name[0]) == first && NameEquals(r->name, key, len)) return r;
    return nullptr;
}

Variable* ScanForCreate(Keltra& k, Variable* start, const char* key, size_t len, Variable** last) {
    Variable* hit = nullptr;
    Variable* chain = StaticPart(k, start, key, len, &hit);
    if (hit) return hit;
    if (!chain) {                       // the current chain is empty
        *last = &k.decimalVar;
        return nullptr;
    }
    if (NameIndex* idx = IndexForStart(Data(k), chain)) {
        *last = CatchUp(idx);
        return idx->Find(key, len);
    }
    Variable* r = chain;
    for (;; r = r->next) {
        if (NameEquals(r->name, key, len)) return r;
        if (!r->next) break;
    }
    *last = r;
    return nullptr;
}

void IndexNewRecord(Keltra& k, Variable* start, Variable* r) {
    DataState& ds = Data(k);
    Variable* chain = IsStaticRecord(k, start) ? k.decimalVar.next : start;
    if (!chain) return;
    if (NameIndex* idx = IndexForStart(ds, chain)) {
        Enter(idx, r);
        return;
    }
    Variable* anchor = AnchorFor(k, chain);
    if (!anchor) return;
    // The globals chain (the only one that begins with a named record
    // after DECIMAL_PREC) is looked up most: it is indexed from its first
    // record on.
    bool globals = anchor->name[0] && anchor->prev == &k.decimalVar;
    size_t enough = globals ? 1 : INDEX_MIN_RECORDS;
    size_t n = 0;
    for (Variable* v = anchor; v && n < enough; v = v->next) n++;
    if (n >= enough) Build(ds, anchor);
}

void IndexForget(DataState& ds, Variable* r) {
    NameIndex* idx = IndexById(ds, r->memberOf);
    if (idx) {
        idx->Remove(r);
        if (idx->tail == r) {
            Variable* p = r->prev;
            idx->tail = (p && (p == idx->anchor || p->memberOf == idx->id)) ? p : nullptr;
        }
    }
    NameIndex* own = IndexById(ds, r->anchorOf);
    if (own && own->anchor == r) {
        Variable* n = r->next;
        if (n && n->memberOf == own->id) {
            own->anchor = n;
            n->anchorOf = own->id;
        } else {
            IndexDelete(ds, own->id);
        }
    }
    r->memberOf = r->anchorOf = 0;
}

void IndexDropFields(DataState& ds, Variable* r, std::vector<uint32_t>& dropped) {
    if (r->anchorOf && IndexById(ds, r->anchorOf)) dropped.push_back(r->anchorOf);
    if (r->memberOf && IndexById(ds, r->memberOf)) dropped.push_back(r->memberOf);
    r->anchorOf = r->memberOf = 0;
}
