// Parameter declarations of subroutines. The templates are built by
// BuildParamTemplates, which the library form of the statement shares.
#include "flow/flow.h"
#include "flow/dll.h"
#include <cstring>

static char* TrimBlanks(char* s) {
    s = SkipBlanks(s);
    size_t n = strlen(s);
    while (n && IsWhite(s[n - 1])) s[--n] = 0;
    return s;
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
    if (label->params) return Fail(ERR_PARAMS_TWICE);
    int made;
    if (BuildParamTemplates(*this, label, open + 1, &made)) return nullptr;
    return rec;
}
