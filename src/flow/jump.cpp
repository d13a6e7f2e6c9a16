// Labels, jumps and the end statement.
#include "flow/flow.h"
#include <cstring>

enum { LABEL_TEXT_SIZE = 256 };

StatementRecord* Keltra::CmdEnd(StatementRecord* rec) {
    if (rec->argCount) return Fail(ERR_SYNTAX);
    error = 0;
    return nullptr;
}

// The label pre-pass registers every label before the run, so at run time
// the lookup finds it and nothing happens. The name ends where the pre-pass
// ends it (blank, tab or "("), so a "sub name(...)" line names the label.
StatementRecord* Keltra::CmdDefineLabel(StatementRecord* rec) {
    if (rec->argCount != 1 || !rec->statementText) return Fail(ERR_SYNTAX);
    char name[LABEL_TEXT_SIZE];
    size_t n = strcspn(rec->statementText, " \t(");
    if (n == 0 || n >= sizeof name) return Fail(n ? ERR_TOO_LONG : ERR_SYNTAX);
    memcpy(name, rec->statementText, n);
    name[n] = 0;
    Variable* v = FindVariable(name, nullptr, 0);
    if (v) {
        if (v->type == T_LABEL_0) return rec;
        return Fail(error ? error : (unsigned char)ERR_SYNTAX);
    }
    error = 0;
    v = CreateVariable(name, T_LABEL_0, 0, nullptr);
    if (!v) return nullptr;
    v->auxA = (int32_t)currentLine;
    return rec;
}

// "$name" reads the label name from a STRING variable; the name is copied
// out because the lookups below cut and restore their text.
Variable* ResolveLabel(Keltra& k, StatementRecord* rec) {
    if (rec->argCount == 0) { k.error = ERR_SYNTAX; return nullptr; }
    char* name = rec->argText[0];
    char indirect[LABEL_TEXT_SIZE];
    if (name[0] == '$') {
        Variable* s = k.FindVariable(name + 1, nullptr, 1);
        if (!s) {
            if (!k.error) k.error = ERR_NOT_FOUND;
            return nullptr;
        }
        if (s->type != T_STRING || !s->data) { k.error = ERR_TYPE; return nullptr; }
        size_t cap = s->auxA > 0 ? (size_t)s->auxA : 1;
        size_t n = strnlen(reinterpret_cast<const char*>(s->data), cap);
        if (n >= sizeof indirect) n = sizeof indirect - 1;
        memcpy(indirect, s->data, n);
        indirect[n] = 0;
        name = indirect;
    }
    Variable* label = k.FindVariable(name, nullptr, 1);
    if (!label) { k.error = ERR_NO_LABEL; return nullptr; }
    // A declared library function is a label without a line of its own:
    // jumping to it would restart the program at its first line.
    if (label->type != T_LABEL_0 || label->isDll) { k.error = ERR_TYPE; return nullptr; }
    k.error = 0;
    return label;
}

// A jump leaves loop and call frames alone but drops the selection frames
// on top: a jump out of a case body must not leave its frame behind.
static void DropSelectionFrames(Keltra& k) {
    int32_t v = PopControl(k);
    while (v == MARK_SELECT) {
        PopControl(k);
        v = PopControl(k);
    }
    PushControl(k, v);
}

StatementRecord* Keltra::CmdJump(StatementRecord* rec) {
    Variable* label = ResolveLabel(*this, rec);
    if (!label) return nullptr;
    currentLine = (uint32_t)label->auxA;
    DropSelectionFrames(*this);
    return rec;
}
