// Private state of the variable store: the name indexes of long lists,
// the pointer records (so a freed record never stays a pointee), the
// anonymous variables of slot 216, and the hooks through which the window
// parts release the objects held in WINDOW and DIALOG cells.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include "engine/keltra.h"

// Objects in WINDOW and DIALOG cells belong to the window parts, which set
// these hooks in their Bind function (they survive Reset). Without a hook
// a cell is only cleared. A hook must check the value against its live
// objects: a cell may hold bytes a program copied into it.
struct ObjectHooks {
    // Takes a window object out of the window list, destroys its window and deletes it.
    void (*releaseWindow)(Keltra& k, void* object) = nullptr;
    // Deletes a dialog object together with what it owns.
    void (*releaseDialog)(Keltra& k, void* object) = nullptr;
    // System window handle of a stored window or dialog object (INT = WINDOW).
    uintptr_t (*windowHandle)(Keltra& k, void* object) = nullptr;
    // What WINDOW cells are compared with for the event-window name;
    // without a hook, the value of constant 72.
    uintptr_t (*eventWindow)(Keltra& k) = nullptr;
};

// Hash index of the names of one long list: name -> first record with it.
// Short lists are walked; a list gets an index once it holds
// INDEX_MIN_RECORDS records. Open addressing, linear probing.
enum { INDEX_MIN_RECORDS = 12 };
struct NameIndex {
    uint32_t id = 0;
    Variable* anchor = nullptr;   // the list's nameless head, or its first record
    Variable* tail = nullptr;     // the list's last record (the head when empty)
    std::vector<Variable*> slots;
    size_t used = 0;
    Variable* Find(const char* key, size_t len) const;
    bool Insert(Variable* r);     // false when the name is there already (first wins)
    void Remove(Variable* r);     // only when r itself is the entry
private:
    void Grow();
};

struct DataState : SubsystemState {
    Keltra* owner = nullptr;
    ObjectHooks hooks;
    std::unordered_map<uint32_t, NameIndex*> indexes;
    uint32_t nextIndexId = 1;
    NameIndex* lastIndex = nullptr;            // the one found last (a cache)
    std::unordered_set<Variable*> pointers;    // live POINTER records
    std::unordered_set<Variable*> anonymous;   // slot 216 variables not freed yet
    std::vector<const TypeDef*> building;      // user types being instantiated
    std::vector<StatementRecord*> callRecords; // one per nesting of the call fall-back
    int pins = 0;                              // statements holding on to an element
    std::vector<Variable*> graveyard;          // deleted while pinned, freed after
    uint64_t deletions = 0;                    // DeleteVariable calls so far
    int callDepth = 0;
    ~DataState() override;
    void Reset() override;
};

DataState& Data(Keltra& k);

// ---- lists and name index (lists.cpp) -------------------------------------
bool IsStaticRecord(const Keltra& k, const Variable* v);
bool NameEquals(const char* stored, const char* key, size_t len);
// First record named key in the walk that starts at `start` (the static
// records, when start is one, and then the current chain).
Variable* MatchName(Keltra& k, Variable* start, const char* key, size_t len);
// For a record about to be appended to the list walked from `start`: the
// first record already named key (null if none) and the list's last record.
Variable* ScanForCreate(Keltra& k, Variable* start, const char* key, size_t len, Variable** last);
// Index upkeep after r was linked at the end of the list walked from `start`.
void IndexNewRecord(Keltra& k, Variable* start, Variable* r);
// Takes r out of its index before it is unlinked and freed.
void IndexForget(DataState& ds, Variable* r);
// Drops the indexes of records that are about to be freed together.
void IndexDropFields(DataState& ds, Variable* r, std::vector<uint32_t>& dropped);
void IndexDelete(DataState& ds, uint32_t id);

// ---- releasing (release.cpp) ----------------------------------------------
// Releases the objects held in r's cells (windows, dialogs, files,
// user-type member lists) and a label's parameter templates.
void ReleaseObjects(Keltra& k, Variable* r);
// Frees r's storage and r itself, with the bookkeeping; r is unlinked already.
void FreeRecord(Keltra& k, Variable* r);
// The slot 216 variables still alive (teardown).
void ReleaseAnonymous(Keltra& k);
// Clears the pointees that refer to any of the (sorted) records.
void ClearPointees(DataState& ds, std::vector<Variable*>& freed);
// A statement that keeps an element's address while it evaluates further
// text (which may run a subroutine that deletes variables) pins for that
// time: deleted records are then unlinked at once but freed only when the
// last pin goes.
struct PinScope {
    explicit PinScope(Keltra& k);
    ~PinScope();
    PinScope(const PinScope&) = delete;
    PinScope& operator=(const PinScope&) = delete;
    Keltra& k;
};
void FlushGraveyard(Keltra& k);

// ---- lookups (find.cpp) ------------------------------------------------------
// A statement record of 25 arguments; null when memory runs out (unlike
// NewStatementRecord, it leaves the interpreter alone then).
StatementRecord* NewWorkRecord();

// ---- brackets (brackets.cpp) ----------------------------------------------
struct TextPiece { const char* p; size_t n; };
// Splits the bracket part that starts after the '[' at `open`, up to its
// matching ']' before `end`: at most three pieces at top-level commas,
// blanks trimmed; *count is the number of pieces found (up to 3). False
// when the ']' is missing.
bool SplitBracket(const char* open, const char* end, TextPiece piece[3], int* count);
// Copies a piece into a NUL-terminated buffer; false when it does not fit.
bool PieceText(const TextPiece& piece, char* buf, size_t size);
// Truncation toward zero as the x86 conversion does it: NaN and values
// outside the 64-bit range give the lowest value.
int64_t TruncTo64(double d);

// ---- user types (usertype.cpp) ---------------------------------------------
const TypeDef* FindTypeDef(Keltra& k, const char* name);
// Type code of a declared type name, -1 if it is none of the twenty; the
// tokenised function name INT counts as "INT".
int ResolveTypeName(const char* name);
// Cuts every argument at its first ':' and copies the type name after the
// last one into typeName. False when the last argument has no ':'.
bool SplitDeclaration(StatementRecord* rec, char* typeName, size_t size);
// Creates a user-type variable in list (null: main list) with the member
// lists of all its elements. Null when the variable could not be created.
Variable* CreateInstance(Keltra& k, char* name, const TypeDef* def, Variable* list);
