// Releasing variables: the objects their cells hold (windows, dialogs,
// files, user-type member lists, a label's parameter templates), their
// storage and the records; and the deletion of one variable.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "data/data_state.h"
#include "runtime/files.h"

static void* ReadCell(const unsigned char* cell) {
    void* p;
    memcpy(&p, cell, sizeof p);
    return p;
}

static void ClearCell(unsigned char* cell) {
    memset(cell, 0, sizeof(void*));
}

// Calls f on every pointer-sized cell of r: all elements of an indexed
// variable, or its one cell.
template <class F> static void EachCell(Variable* r, F f) {
    if (r->isIndexed) {
        if (!r->base) return;
        for (uint32_t i = 0; i < r->count; i++) f(r->base + (size_t)i * sizeof(void*));
    } else if (r->data) {
        f(r->data);
    }
}

void ReleaseObjects(Keltra& k, Variable* r) {
    if (r->type == T_LABEL_0 && r->params) {
        Variable* templates = r->params;
        r->params = nullptr;
        k.ReleaseVariables(templates, 0);
    }
    // Parameters and records that borrow another variable's cells own
    // nothing; static records are the interpreter's.
    if (r->isParam || r->borrowsData || r->isStatic) return;
    DataState& ds = Data(k);
    switch (r->type) {
    case T_WINDOW:
        EachCell(r, [&](unsigned char* cell) {
            void* obj = ReadCell(cell);
            if (!obj) return;
            ClearCell(cell);
            k.constants[72] = 0;
            if (ds.hooks.releaseWindow) ds.hooks.releaseWindow(k, obj);
        });
        break;
    case T_DIALOG:
        EachCell(r, [&](unsigned char* cell) {
            void* obj = ReadCell(cell);
            if (!obj) return;
            ClearCell(cell);
            if (ds.hooks.releaseDialog) ds.hooks.releaseDialog(k, obj);
        });
        break;
    case T_FILE:
    case T_BFILE: {
        unsigned char* keep = r->data;
        EachCell(r, [&](unsigned char* cell) {
            r->data = cell;
            CloseFileCell(k, r);
        });
        r->data = keep;
        break;
    }
    case T_USER_0:
        EachCell(r, [&](unsigned char* cell) {
            Variable* head = static_cast<Variable*>(ReadCell(cell));
            if (!head) return;
            ClearCell(cell);
            k.ReleaseVariables(head, 0);
        });
        break;
    default:
        break;
    }
}

static void ForgetSystemVariable(Keltra& k, Variable* r) {
    Variable** sys[6] = {&k.sysString, &k.sysInt, &k.sysFloat, &k.sysDouble, &k.sysPointer, &k.sysInt64};
    for (Variable** s : sys)
        if (*s == r) *s = nullptr;
}

static void FreeStorage(Variable* r) {
    if (r->count && r->isIndexed) r->data = r->base;
    if (r->count && !r->borrowsData) free(r->isIndexed ? r->base : r->data);
    r->data = r->base = nullptr;
}

void ClearPointees(DataState& ds, std::vector<Variable*>& freed) {
    if (freed.empty() || ds.pointers.empty()) return;
    std::sort(freed.begin(), freed.end());
    for (Variable* p : ds.pointers)
        if (p->pointee && std::binary_search(freed.begin(), freed.end(), p->pointee)) p->pointee = nullptr;
}

void FreeRecord(Keltra& k, Variable* r) {
    DataState& ds = Data(k);
    IndexForget(ds, r);
    ds.pointers.erase(r);
    ds.anonymous.erase(r);
    ForgetSystemVariable(k, r);
    FreeStorage(r);
    std::vector<Variable*> one(1, r);
    ClearPointees(ds, one);
    free(r);
}

void ReleaseAnonymous(Keltra& k) {
    DataState& ds = Data(k);
    while (!ds.anonymous.empty()) {
        Variable* r = *ds.anonymous.begin();
        ds.anonymous.erase(ds.anonymous.begin());
        ReleaseObjects(k, r);
        FreeRecord(k, r);
    }
}

// The list `first` belongs to is walked from its last record back to its
// first, twice: objects, then storage and records. With stopAtParam the
// second walk stops at the last parameter record.
void Keltra::ReleaseVariables(Variable* first, int stopAtParam) {
    if (!first) return;
    DataState& ds = Data(*this);
    if (first == &stdoutVar) {
        FlushGraveyard(*this);
        ReleaseAnonymous(*this);
    }
    Variable* last = first;
    while (last->next) last = last->next;

    // The list is freed whole (or down to its parameters): its index goes.
    std::vector<uint32_t> dropped;
    for (Variable* r = last; r; r = r->prev) {
        IndexDropFields(ds, r, dropped);
        ReleaseObjects(*this, r);
    }
    for (uint32_t id : dropped) IndexDelete(ds, id);

    // Pointers that refer to a record freed here are cleared afterwards.
    bool pointees = false;
    for (Variable* p : ds.pointers) pointees = pointees || p->pointee;
    std::vector<Variable*> freed;
    Variable* after = nullptr;       // the record after r, when it was freed
    for (Variable* r = last, *prev; r; r = prev) {
        prev = r->prev;
        if (stopAtParam && r->isParam) {
            r->next = nullptr;
            break;
        }
        if (r->isStatic) {
            if (r->count && r->isIndexed) r->data = r->base;
            if (after && r->next == after) r->next = nullptr;
            after = nullptr;
            continue;
        }
        if (r->type == T_POINTER) ds.pointers.erase(r);
        if (!ds.anonymous.empty()) ds.anonymous.erase(r);
        ForgetSystemVariable(*this, r);
        FreeStorage(r);
        if (pointees) freed.push_back(r);
        after = r;
        free(r);
    }
    ClearPointees(ds, freed);
}

// Frees an unlinked record with the member lists, templates and storage
// it owns.
static void Dispose(Keltra& k, Variable* r) {
    if (r->type == T_USER_0 || r->type == T_LABEL_0) ReleaseObjects(k, r);
    FreeRecord(k, r);
}

void FlushGraveyard(Keltra& k) {
    DataState& ds = Data(k);
    while (!ds.graveyard.empty()) {
        Variable* r = ds.graveyard.back();
        ds.graveyard.pop_back();
        Dispose(k, r);
    }
}

PinScope::PinScope(Keltra& k) : k(k) {
    Data(k).pins++;
}

PinScope::~PinScope() {
    DataState& ds = Data(k);
    if (--ds.pins <= 0) {
        ds.pins = 0;
        FlushGraveyard(k);
    }
}

// Unlinks r. A chain that began with r (the current one after
// DECIMAL_PREC, or one waiting in the scope list) begins with its
// successor afterwards; nothing else is touched.
static void Unlink(Keltra& k, Variable* r) {
    IndexForget(Data(k), r);
    if (r->prev && r->prev->next == r) r->prev->next = r->next;
    if (r->next) r->next->prev = r->prev;
    if (k.decimalVar.next == r) k.decimalVar.next = r->next;
    for (PtrList::Node* n = k.scopeList.head; n; n = n->next)
        if (n->p == r) n->p = r->next;
    r->prev = r->next = nullptr;
}

// Parameters that borrow r's storage (by reference) lose it, so that none
// is left holding freed storage once r is deleted.
static void DetachBorrowers(Keltra& k, Variable* r) {
    unsigned char* from = r->isIndexed ? r->base : r->data;
    if (!r->count || r->borrowsData || !from) return;
    size_t size = (size_t)r->count * (r->type == T_STRING ? 1 : kTypes[r->type].elementSize);
    unsigned char* to = from + (size < sizeof(void*) ? sizeof(void*) : size);
    auto inside = [&](unsigned char* p) { return p && p >= from && p < to; };
    auto detach = [&](Variable* chain) {
        for (Variable* v = chain; v; v = v->next)
            if (v != r && v->borrowsData && (inside(v->data) || inside(v->base))) {
                v->data = v->base = nullptr;
                v->count = 0;
            }
    };
    detach(k.decimalVar.next);
    for (PtrList::Node* n = k.scopeList.head; n; n = n->next) detach(static_cast<Variable*>(n->p));
}

static bool IsSystemVariable(const Keltra& k, const Variable* r) {
    return r == k.sysString || r == k.sysInt || r == k.sysFloat || r == k.sysDouble ||
           r == k.sysPointer || r == k.sysInt64;
}

// Returns the record that preceded the deleted one, or null when it had
// none; failures are told by the error code.
Variable* Keltra::DeleteVariable(char* name, Variable* record) {
    if (!record) {
        record = FindVariable(name, nullptr, 1);
        if (!record) {
            if (!error) error = ERR_NOT_FOUND;
            return nullptr;
        }
    }
    // The six result variables are kept like the static records: the
    // engine holds them and would be left with freed ones.
    if (record->isStatic || IsSystemVariable(*this, record)) {
        error = ERR_DELETE_STATIC;
        return nullptr;
    }
    if ((record->type == T_WINDOW || record->type == T_DIALOG) && record->data) {
        error = ERR_DELETE_OPEN;
        return nullptr;
    }
    DataState& ds = Data(*this);
    ds.deletions++;
    Variable* prev = record->prev;
    Unlink(*this, record);
    DetachBorrowers(*this, record);
    if (record->type == T_POINTER) ds.pointers.erase(record);
    ds.anonymous.erase(record);
    std::vector<Variable*> one(1, record);
    ClearPointees(ds, one);
    // While a statement holds on to an element (pinned), the record and
    // what it owns are freed only when the statement lets go.
    if (ds.pins > 0) ds.graveyard.push_back(record);
    else Dispose(*this, record);
    return prev;
}

DataState::~DataState() {
    for (auto& e : indexes) delete e.second;
    for (StatementRecord* rec : callRecords) Keltra::FreeStatementRecord(rec);
}

// Teardown: what the release of the main list left (the anonymous
// variables when the main list was not released from its head).
void DataState::Reset() {
    pins = 0;
    if (owner) FlushGraveyard(*owner);
    if (owner) ReleaseAnonymous(*owner);
    for (auto& e : indexes) delete e.second;
    indexes.clear();
    lastIndex = nullptr;
    pointers.clear();
    building.clear();
    for (StatementRecord* rec : callRecords) Keltra::FreeStatementRecord(rec);
    callRecords.clear();
    callDepth = 0;
}
