// Looking a name up: members after '.', elements in brackets, '#' for a
// pointer's target, the event-window name, the globals behind a running
// subroutine's chain, and the call fall-back that runs a name which is no
// variable as a statement and yields its result variable.
//
// The name text is only read, never cut: the parts are kept as pointers
// and lengths.
#include <cstdlib>
#include <cstring>
#include "data/data_state.h"

static Variable* Lookup(Keltra& k, const char* text, Variable* list, int allowCall, bool fallBack);

// Statement records for the call fall-back, one per nesting. Allocated
// here rather than with NewStatementRecord, which resets the interpreter
// when memory runs out.
StatementRecord* NewWorkRecord() {
    StatementRecord* rec = static_cast<StatementRecord*>(calloc(1, sizeof(StatementRecord)));
    char* block = static_cast<char*>(calloc((size_t)MAX_ARGS * ARG_TEXT_SIZE + 1, 1));
    if (!rec || !block) {
        free(rec);
        free(block);
        return nullptr;
    }
    rec->block = block;
    for (int i = 0; i < MAX_ARGS; i++) rec->argText[i] = block + i * ARG_TEXT_SIZE;
    rec->resultType = T_NONE;
    return rec;
}

// The first '.' outside double quotes and brackets (null if none); *end
// becomes the end of the text.
static const char* FindMemberDot(const char* s, const char** end) {
    const char* dot = nullptr;
    bool quoted = false;
    int depth = 0;
    for (; *s; s++) {
        if (dot) continue;
        if (*s == '"') quoted = !quoted;
        if (quoted) continue;
        if (*s == '[') depth++;
        else if (*s == ']' && depth > 0) depth--;
        else if (*s == '.' && depth == 0) dot = s;
    }
    *end = s;
    return dot;
}

static bool HasOperator(const char* s) {
    for (; *s; s++)
        if (strchr("*+-<>|&=~^/(@%", *s) || (unsigned char)*s == 0xFE) return true;
    return false;
}

// One index: an expression, an integer literal, or an INT variable.
static bool IndexValue(Keltra& k, const TextPiece& piece, int64_t* v) {
    char buf[ARG_TEXT_SIZE];
    if (!PieceText(piece, buf, sizeof buf)) { k.error = ERR_TOO_LONG; return false; }
    if (HasOperator(buf)) {
        double d = k.EvaluateExpression(buf);
        if (k.error) return false;
        *v = TruncTo64(d);
        return true;
    }
    if ((buf[0] >= '0' && buf[0] <= '9') || buf[0] == '-') {
        *v = strtoll(buf, nullptr, 0);
        return true;
    }
    Variable* iv = Lookup(k, buf, nullptr, 0, true);
    if (!iv) return false;
    if (iv->type != T_INT || !iv->data) { k.error = ERR_TYPE; return false; }
    int32_t n;
    memcpy(&n, iv->data, sizeof n);
    *v = n;
    return true;
}

// Moves r->data to the element the bracket part selects.
static bool SelectElement(Keltra& k, Variable* r, const char* bracket, const char* end) {
    TextPiece piece[3];
    int n = 0;
    if (!SplitBracket(bracket + 1, end, piece, &n)) { k.error = ERR_SYNTAX; return false; }
    // An index expression may run a subroutine that deletes variables:
    // r stays readable meanwhile (pinned), but if anything was deleted it
    // may be gone, and the lookup fails rather than hand it out.
    PinScope pin(k);
    uint64_t deletions = Data(k).deletions;
    int64_t ix[3] = {0, 0, 0};
    for (int i = 0; i < n; i++) {
        if (!IndexValue(k, piece[i], &ix[i])) return false;
        if (Data(k).deletions != deletions) { k.error = ERR_NOT_FOUND; return false; }
        if (ix[i] < 0 || ix[i] >= r->dims[i]) { k.error = ERR_RANGE; return false; }
    }
    int64_t offset = ix[0] + (ix[2] * r->dims[1] + ix[1]) * (int64_t)r->dims[0];
    bool oneChar = r->type == T_STRING && r->auxB == 1 && n == 1;
    int64_t unit = r->type == T_STRING ? r->auxB : kTypes[r->type].elementSize;
    int64_t storage = (int64_t)r->count * (r->type == T_STRING ? 1 : kTypes[r->type].elementSize);
    int64_t need = oneChar ? 1 : unit;
    // The shape fields may have been set by hand (parameters); an element
    // that lies outside the storage is refused like an index out of range.
    if (!r->base || offset * unit + need > storage) { k.error = ERR_RANGE; return false; }
    r->data = r->base + offset * unit;
    if (oneChar) r->auxA = 1;
    return true;
}

// Steps after a match: capacity, element, member path.
static Variable* Resolve(Keltra& k, Variable* r, const char* bracket, const char* nameEnd, const char* member) {
    if (r->type == T_STRING && r->auxB == 1 && r->dims[0] > 0) r->auxA = r->dims[0];
    if (r->isIndexed) {
        if (!bracket) {
            r->data = r->base;
            return r;
        }
        if (!SelectElement(k, r, bracket, nameEnd)) return nullptr;
    }
    if (!member || r->type != T_USER_0) return r;
    Variable* head = nullptr;
    if (r->data) memcpy(&head, r->data, sizeof head);
    if (!head) { k.error = ERR_NOT_FOUND; return nullptr; }
    return Lookup(k, member, head, 1, false);
}

static uintptr_t EventWindowValue(Keltra& k) {
    DataState& ds = Data(k);
    if (ds.hooks.eventWindow) return ds.hooks.eventWindow(k);
    return (uintptr_t)(uint32_t)k.constants[72];
}

static Variable* FindWindowCell(Keltra& k, Variable* start, uintptr_t target) {
    Variable* r = start;
    while (r) {
        if (r->type == T_WINDOW) {
            uint32_t cells = r->isIndexed ? r->count : 1;
            unsigned char* first = r->isIndexed ? r->base : r->data;
            for (uint32_t i = 0; first && i < cells; i++) {
                uintptr_t v;
                memcpy(&v, first + (size_t)i * sizeof v, sizeof v);
                if (v != target) continue;
                r->data = first + (size_t)i * sizeof v;
                return r;
            }
        }
        r = r->next;
    }
    return nullptr;
}

// The name that begins with constant 72's marker is the WINDOW variable
// holding the current event's window. With no event (the value 0) no
// variable is taken for it, not even an empty one.
static Variable* EventWindowVariable(Keltra& k, Variable* list) {
    uintptr_t target = EventWindowValue(k);
    Variable* r = nullptr;
    if (target) {
        r = FindWindowCell(k, list ? list : &k.stdoutVar, target);
        if (!r && k.scopeList.Count() > 0 && k.scopeList.Head())
            r = FindWindowCell(k, static_cast<Variable*>(k.scopeList.Head()), target);
    }
    if (!r && !k.error) k.error = ERR_NOT_FOUND;
    return r;
}

// Runs the text as a statement; its result variable stands for the name.
static Variable* CallFallBack(Keltra& k, const char* text) {
    k.error = 0;
    DataState& ds = Data(k);
    size_t depth = (size_t)ds.callDepth;
    if (depth >= ds.callRecords.size()) ds.callRecords.resize(depth + 1, nullptr);
    if (!ds.callRecords[depth]) ds.callRecords[depth] = NewWorkRecord();
    StatementRecord* rec = ds.callRecords[depth];
    if (!rec) { k.error = ERR_NO_MEMORY; return nullptr; }
    size_t n = strlen(text);
    char* line = static_cast<char*>(malloc(n + 1));   // the decoder edits its line
    if (!line) { k.error = ERR_NO_MEMORY; return nullptr; }
    memcpy(line, text, n + 1);
    Variable* result = nullptr;
    if (k.DecodeLine(rec, line)) {
        k.error = ERR_NOT_FOUND;
    } else {
        ds.callDepth++;
        StatementRecord* ok = k.Dispatch(rec);
        Data(k).callDepth--;
        if (ok && !k.error) result = k.ResultVariable(rec->resultType);
    }
    free(line);
    return result;
}

static Variable* Lookup(Keltra& k, const char* text, Variable* list, int allowCall, bool fallBack) {
    const char* s = SkipBlanks(text);
    const char* end;
    const char* dot = FindMemberDot(s, &end);
    const char* nameEnd = end;
    const char* member = nullptr;
    if (dot && end - s > 1) {
        nameEnd = dot;
        member = dot + 1;
    }
    const char* p = s;
    bool deref = *p == '#';
    if (deref) p++;
    if (nameEnd - p >= 3 && (unsigned char)p[0] == 0xFE && (unsigned char)p[1] == 0xE4 &&
        (unsigned char)p[2] == 0xE8)
        return EventWindowVariable(k, list);
    const char* bracket = nullptr;
    const char* keyEnd = nameEnd;
    if (nameEnd - p > 1) {
        bracket = static_cast<const char*>(memchr(p, '[', (size_t)(nameEnd - p)));
        if (bracket) keyEnd = bracket;
    }
    const char* q = p;
    while (q < keyEnd && !IsBlank(*q)) q++;

    Variable* r = MatchName(k, list ? list : &k.stdoutVar, p, (size_t)(q - p));
    if (r && deref) r = r->pointee;
    if (r) {
        Variable* found = Resolve(k, r, bracket, nameEnd, member);
        if (found) return found;
    } else if (!list && fallBack && k.scopeList.Count() > 0 && k.scopeList.Head()) {
        Variable* global = Lookup(k, s, static_cast<Variable*>(k.scopeList.Head()), 0, false);
        if (global) return global;
    }
    if (!k.error) k.error = ERR_NOT_FOUND;
    if (allowCall && k.error != ERR_RANGE) return CallFallBack(k, s);
    return nullptr;
}

Variable* Keltra::FindVariable(char* name, Variable* list, int allowCall) {
    if (!name) {
        error = ERR_NOT_FOUND;
        return nullptr;
    }
    return Lookup(*this, name, list, allowCall, true);
}
