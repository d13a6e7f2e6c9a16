// Parameter declarations of subroutines (and the templates that library
// function declarations share).
#include "flow/flow.h"
#include "flow/dll.h"
#include <cstdlib>
#include <cstring>

static const char kDeclarePrefix[] = "\xFF\xE1\xE5 ";   // the declaration statement

// Types bound by value own a template cell; the others are bound by
// reference and never own storage. The element-less types (ARRAY_0,
// SYSTEM_0, LABEL_0) get no cell either: they are refused at call time.
static bool TemplateHasStorage(int type) {
    switch (type) {
    case T_CHAR: case T_ISTRING: case T_INT: case T_FLOAT: case T_WORD:
    case T_DOUBLE: case T_INT64: case T_UINT64: case T_UINT:
        return true;
    default:
        return false;
    }
}

static char* TrimBlanks(char* s) {
    s = SkipBlanks(s);
    size_t n = strlen(s);
    while (n && IsWhite(s[n - 1])) s[--n] = 0;
    return s;
}

// One "name : type" text. The type name ends at a blank; a name that is no
// type makes a user-type parameter.
static int MakeTemplate(Keltra& k, char* text, Variable* head) {
    char* colon = strchr(text, ':');
    if (!colon) return ERR_SYNTAX;
    *colon = 0;
    char* name = TrimBlanks(text);
    char* typeName = SkipBlanks(colon + 1);
    typeName[strcspn(typeName, " \t\r\n")] = 0;
    if (!*name) return ERR_SYNTAX;
    int type = TypeByName(typeName);
    if (type < 0) type = T_USER_0;
    bool storage = TemplateHasStorage(type) && !strchr(name, '[');
    Variable* t = k.CreateVariable(name, type, storage ? 1 : 0, head);
    if (!t) return k.error ? k.error : (int)ERR_NO_MEMORY;
    t->isParam = 1;
    if (!storage) t->borrowsData = 1;
    return 0;
}

// The list is decoded as the arguments of a declaration statement, so it
// splits at the commas a declaration line splits at.
int BuildParamTemplates(Keltra& k, Variable* label, const char* params, int* made) {
    if (made) *made = 0;
    if (label->params) return k.error = ERR_PARAMS_TWICE;
    if (!k.recB) return k.error = ERR_NO_MEMORY;
    Variable* head = NewListHead();
    if (!head) return k.error = ERR_NO_MEMORY;
    label->params = head;
    label->isParam = 1;
    size_t n = strlen(params);
    char* line = static_cast<char*>(malloc(sizeof kDeclarePrefix + n));
    if (!line) return k.error = ERR_NO_MEMORY;
    memcpy(line, kDeclarePrefix, sizeof kDeclarePrefix - 1);
    memcpy(line + sizeof kDeclarePrefix - 1, params, n + 1);
    int code = k.DecodeLine(k.recB, line) ? (k.error ? (int)k.error : (int)ERR_SYNTAX) : 0;
    for (int i = 0; !code && i < k.recB->argCount; i++) {
        code = MakeTemplate(k, k.recB->argText[i], head);
        if (!code && made) (*made)++;
    }
    free(line);
    if (code) k.error = (unsigned char)code;
    return code;
}

// One argument: name(parameters) of a subroutine. Two or three: a library
// function (library, name(parameters) [, result type]).
StatementRecord* Keltra::CmdDeclare(StatementRecord* rec) {
    if (rec->argCount == 0) return rec;
    if (rec->argCount >= 2) return DeclareLibraryFunction(rec);
    char* text = rec->argText[0];
    char* open = strchr(text, '(');
    char* close = strrchr(text, ')');
    if (!open || !close || close < open) return Fail(ERR_SYNTAX);
    *open = 0;
    *close = 0;
    Variable* label = FindVariable(TrimBlanks(text), nullptr, 1);
    if (!label) return Fail(error ? error : (unsigned char)ERR_NOT_FOUND);
    if (label->type != T_LABEL_0) return rec;
    int made;
    if (BuildParamTemplates(*this, label, open + 1, &made)) return nullptr;
    return rec;
}
