// Declarations (slot 21), user-type definitions (slot 74), constants
// (slot 123) and deletion (slot 25).
#include <cstring>
#include "data/data_state.h"

// Type names are kept up to the width of the definition's name field.
enum { TYPE_NAME_KEPT = sizeof(((TypeDef*)nullptr)->typeName) - 1 };

StatementRecord* Keltra::CmdDeclareVars(StatementRecord* rec) {
    if (rec->argCount == 0) return Fail(ERR_SYNTAX);
    char typeName[ARG_TEXT_SIZE];
    if (!SplitDeclaration(rec, typeName, sizeof typeName)) return Fail(ERR_SYNTAX);
    int type = ResolveTypeName(typeName);
    if (type >= 0) {
        // Every name is tried; a failure's code ends the run after the line.
        for (int i = 0; i < rec->argCount; i++) CreateVariable(rec->argText[i], type, 1, nullptr);
        return rec;
    }
    const TypeDef* def = FindTypeDef(*this, typeName);
    if (!def) return Fail(ERR_NO_TYPE);
    for (int i = 0; i < rec->argCount; i++) CreateInstance(*this, rec->argText[i], def, nullptr);
    return rec;
}

// The word a line begins with for the type-block scan: its statement code,
// or -1 and the text up to a blank, '=', '(', '"' or tab.
static int LineWord(const char* line, char* word, size_t size) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(line);
    word[0] = 0;
    if (u[0] == 0xFF && u[1] >= 0xE0 && u[1] <= 0xEF && u[2] >= 0xE0 && u[2] <= 0xEF)
        return ((u[1] - 0xE0) << 4) | (u[2] - 0xE0);
    size_t n = strcspn(line, " =(\"\t");
    if (n >= size) n = size - 1;
    memcpy(word, line, n);
    word[n] = 0;
    return -1;
}

static TypeDef* AppendTypeDef(Keltra& k, const char* name, int32_t first, int32_t last) {
    TypeDef** tail = &k.typeDefs;
    TypeDef* prev = nullptr;
    for (; *tail; tail = &(*tail)->next) {
        // The same type statement run again (in a loop or a subroutine)
        // keeps its one definition.
        if ((*tail)->firstLine == first && CompareNoCase((*tail)->typeName, name) == 0) return *tail;
        prev = *tail;
    }
    TypeDef* d = new TypeDef();    // freed with delete by the teardown
    size_t n = strlen(name);
    if (n > TYPE_NAME_KEPT) n = TYPE_NAME_KEPT;
    memcpy(d->typeName, name, n);
    d->firstLine = first;
    d->lastLine = last;
    d->pack = 8;
    d->prev = prev;
    *tail = d;
    return d;
}

StatementRecord* Keltra::CmdDefineType(StatementRecord* rec) {
    if (rec->argCount < 1 || rec->argCount > 2) return Fail(ERR_SYNTAX);
    for (uint32_t i = currentLine + 1; lines && i < lineCount; i++) {
        char word[16];
        int code = LineWord(lines[i] ? lines[i] : "", word, sizeof word);
        if (code == 74 || (code < 0 && CompareNoCase(word, "TYPE") == 0)) return Fail(ERR_TYPE_BLOCK);
        if (code != 75 && !(code < 0 && CompareNoCase(word, "ENDTYPE") == 0)) continue;
        char name[ARG_TEXT_SIZE];
        const char* s = SkipBlanks(rec->argText[0]);
        size_t n = strlen(s);
        while (n && IsBlank(s[n - 1])) n--;
        memcpy(name, s, n);
        name[n] = 0;
        TypeDef* d = AppendTypeDef(*this, name, (int32_t)currentLine + 1, (int32_t)i - 1);
        if (rec->argCount == 2) {
            ValueRecord v;
            if (!EvaluateArgument(&v, rec, 1, T_INT)) return nullptr;
            d->pack = v.intValue;
        }
        currentLine = i;
        return rec;
    }
    return Fail(ERR_TYPE_BLOCK);
}

// Each argument is an assignment run by slot 20; its target is then
// marked constant.
StatementRecord* Keltra::CmdConst(StatementRecord* rec) {
    if (rec->argCount == 0) {
        error = ERR_ARG_COUNT;
        return rec;
    }
    StatementRecord* work = NewWorkRecord();
    if (!work) return Fail(ERR_NO_MEMORY);
    for (int i = 0; i < rec->argCount && !error; i++) {
        char line[ARG_TEXT_SIZE];
        const char* a = SkipBlanks(rec->argText[i]);
        if (!strchr(a, '=') || (unsigned char)a[0] == 0xFF) {
            error = ERR_SYNTAX;
            break;
        }
        memcpy(line, a, strlen(a) + 1);
        if (DecodeLine(work, line) || !CmdAssign(work)) break;
        Variable* v = FindVariable(work->argText[0], nullptr, 0);
        if (v) v->isConst = 1;
    }
    FreeStatementRecord(work);
    return error ? nullptr : rec;
}

StatementRecord* Keltra::CmdDeleteVars(StatementRecord* rec) {
    for (int i = 0; i < rec->argCount; i++) {
        DeleteVariable(rec->argText[i], nullptr);
        if (error) return nullptr;
    }
    return rec;
}
