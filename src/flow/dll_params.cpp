// Parameter templates of a library function (or of a label that gets its
// parameters through the library form of the declaration): one record per
// declared parameter behind a nameless head, in declaration order.
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include "flow/dll.h"

// Types bound by value get a one-element template; all others borrow.
// ARRAY_0, SYSTEM_0 and LABEL_0 have no element size, so a template of
// theirs would own a storage of no bytes: it gets none (a call refuses
// them anyway).
static bool HasStorage(int type) {
    switch (type) {
    case T_CHAR: case T_ISTRING: case T_INT: case T_FLOAT: case T_WORD: case T_DOUBLE: case T_INT64:
    case T_UINT64: case T_UINT:
        return true;
    }
    return false;
}

// Reads the type name after ':' (blanks skipped, up to a blank or tab).
static int ParamType(const char* text) {
    text = SkipBlanks(text);
    size_t n = strcspn(text, " \t");
    char name[ARG_TEXT_SIZE];
    n = std::min(n, sizeof name - 1);
    memcpy(name, text, n);
    name[n] = 0;
    if (!strcmp(name, "\xFF\xE6\xEB")) return T_INT;   // INT written as a function token
    return TypeByName(name);
}

static int MakeTemplate(Keltra& k, Variable* head, char* text) {
    char* colon = strchr(text, ':');
    if (!colon) return k.error = ERR_SYNTAX;
    *colon = 0;
    char* name = SkipBlanks(text);
    for (char* end = colon; end > name && IsWhite(end[-1]); ) *--end = 0;
    int type = ParamType(colon + 1);
    bool storage = type >= 0 && HasStorage(type) && !strchr(name, '[');
    if (type < 0) type = T_USER_0;   // a user type: bound by reference
    Variable* t = k.CreateVariable(name, type, storage ? 1 : 0, head);
    if (!t) return k.error ? k.error : (k.error = ERR_NO_MEMORY);
    t->isParam = 1;
    t->borrowsData = !storage;
    return 0;
}

int BuildParamTemplates(Keltra& k, Variable* label, const char* params, int* made) {
    *made = 0;
    // The head is freed by the variable store together with the label.
    Variable* head = (Variable*)calloc(1, sizeof(Variable));
    if (!head) return k.error = ERR_NO_MEMORY;
    head->isParam = 1;
    label->params = head;
    label->isParam = 1;

    // Decoded as the parameter text of a declaration statement, so the
    // parameters split exactly as declarations do.
    char line[ARG_TEXT_SIZE];
    static const char marker[] = "\xFF\xE1\xE5 ";
    strcpy(line, marker);
    CopyBounded(line + 4, params, (int)sizeof line - 5);
    if (!k.recB) return k.error = ERR_NO_MEMORY;
    if (k.DecodeLine(k.recB, line)) return k.error ? k.error : (k.error = ERR_SYNTAX);
    StatementRecord* rec = k.recB;
    for (int i = 0; i < rec->argCount; i++) {
        if (MakeTemplate(k, head, rec->argText[i])) return k.error;
        ++*made;
    }
    return 0;
}
