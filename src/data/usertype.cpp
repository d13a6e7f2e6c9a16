// User-type instances: every element of a USER_0 variable gets a member
// list of its own, built by decoding the type's body lines (declarations)
// again for that element. A member of another user type gets its nested
// member lists the same way.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "data/data_state.h"

const TypeDef* FindTypeDef(Keltra& k, const char* name) {
    for (const TypeDef* d = k.typeDefs; d; d = d->next)
        if (CompareNoCase(d->typeName, name) == 0) return d;
    return nullptr;
}

int ResolveTypeName(const char* name) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(name);
    if (u[0] == 0xFF && u[1] == 0xE6 && u[2] == 0xEB && u[3] == 0) return T_INT;
    return TypeByName(name);
}

bool SplitDeclaration(StatementRecord* rec, char* typeName, size_t size) {
    typeName[0] = 0;
    char* colon = nullptr;
    for (int i = 0; i < rec->argCount; i++) {
        colon = strchr(rec->argText[i], ':');
        if (colon) *colon = 0;
    }
    if (!colon) return false;
    const char* t = SkipBlanks(colon + 1);
    size_t n = 0;
    while (t[n] && !IsBlank(t[n])) n++;
    if (n >= size) n = size - 1;
    memcpy(typeName, t, n);
    typeName[n] = 0;
    return true;
}

static int BuildElement(Keltra& k, Variable* head, const TypeDef* def, StatementRecord* rec);

// Gives each element of var its member list. 0 with the error code set.
static int BuildInstance(Keltra& k, Variable* var, const TypeDef* def) {
    DataState& ds = Data(k);
    // A type that contains itself, directly or through another type,
    // would never end.
    if (std::find(ds.building.begin(), ds.building.end(), def) != ds.building.end()) {
        k.error = ERR_TYPE_BLOCK;
        return 0;
    }
    StatementRecord* rec = NewWorkRecord();
    if (!rec) { k.error = ERR_NO_MEMORY; return 0; }
    Data(k).building.push_back(def);
    uint32_t cells = var->isIndexed ? var->count : 1;
    unsigned char* first = var->isIndexed ? var->base : var->data;
    int ok = first != nullptr;
    for (uint32_t e = 0; ok && e < cells; e++) {
        unsigned char* cell = first + (size_t)e * sizeof(Variable*);
        var->data = cell;
        Variable* head = static_cast<Variable*>(calloc(1, sizeof(Variable)));
        if (!head) { k.error = ERR_NO_MEMORY; break; }
        memcpy(cell, &head, sizeof head);
        ok = BuildElement(k, head, def, rec);
    }
    if (var->isIndexed) var->data = var->base;
    Data(k).building.pop_back();
    Keltra::FreeStatementRecord(rec);
    return k.error ? 0 : 1;
}

Variable* CreateInstance(Keltra& k, char* name, const TypeDef* def, Variable* list) {
    Variable* v = k.CreateVariable(name, T_USER_0, 1, list);
    if (!v) return nullptr;
    v->auxC = def->pack;
    BuildInstance(k, v, def);
    return v;
}

// Creates the members of one element from the body lines.
static int BuildElement(Keltra& k, Variable* head, const TypeDef* def, StatementRecord* rec) {
    for (int32_t line = def->firstLine; line <= def->lastLine; line++) {
        if (line < 0 || (uint32_t)line >= k.lineCount || !k.lines) { k.error = ERR_SYNTAX; return 0; }
        char* text = k.lines[line];
        if (!text || !text[0]) continue;            // a blanked label line
        if (k.DecodeLine(rec, text) || rec->code != 21 || rec->argCount < 1) {
            k.error = ERR_SYNTAX;
            return 0;
        }
        char typeName[ARG_TEXT_SIZE];
        if (!SplitDeclaration(rec, typeName, sizeof typeName)) { k.error = ERR_SYNTAX; return 0; }
        int type = ResolveTypeName(typeName);
        const TypeDef* inner = type < 0 ? FindTypeDef(k, typeName) : nullptr;
        if (type < 0 && !inner) { k.error = ERR_NO_TYPE; return 0; }
        for (int i = 0; i < rec->argCount; i++) {
            if (inner) CreateInstance(k, rec->argText[i], inner, head);
            else k.CreateVariable(rec->argText[i], type, 1, head);
            if (k.error) return 0;
        }
    }
    return 1;
}
