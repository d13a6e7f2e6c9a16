// Anonymous variables: slot 216 makes a variable of any type that belongs
// to no list and hands out a pointer to it; slot 217 frees it through the
// pointer. Those never freed are released at teardown.
#include <cstdio>
#include <cstring>
#include "data/data_state.h"

StatementRecord* Keltra::CmdAllocVariable(StatementRecord* rec) {
    if (rec->argCount != 2) return Fail(ERR_ARG_COUNT);
    char typeName[ARG_TEXT_SIZE];
    const char* t = SkipBlanks(rec->argText[0]);
    size_t len = 0;
    while (t[len] && !IsBlank(t[len])) len++;
    memcpy(typeName, t, len);
    typeName[len] = 0;
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    int64_t n = (v.type == T_FLOAT || v.type == T_DOUBLE) ? TruncTo64(v.doubleValue) : v.int64Value;
    if (n > INT32_MAX) return Fail(ERR_NO_MEMORY);

    char name[32];
    if (n <= 1) snprintf(name, sizeof name, "temp");
    else snprintf(name, sizeof name, "temp[%d]", (int)n);
    Variable head;
    memset(&head, 0, sizeof head);
    Variable* var = nullptr;
    int type = ResolveTypeName(typeName);
    if (type >= 0) {
        var = CreateVariable(name, type, 1, &head);
    } else if (const TypeDef* def = FindTypeDef(*this, typeName)) {
        var = CreateInstance(*this, name, def, &head);
    }
    if (var) {
        var->prev = var->next = nullptr;
        Data(*this).anonymous.insert(var);
    }
    if (sysPointer && sysPointer->data) {
        void* address = var ? var->data : nullptr;
        memcpy(sysPointer->data, &address, sizeof address);
        sysPointer->pointee = var;
    }
    rec->resultType = T_POINTER;
    return error ? nullptr : rec;
}

StatementRecord* Keltra::CmdFreeVariable(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_POINTER)) return nullptr;
    Variable* p = v.variable;
    if (!p) return Fail(ERR_TYPE);
    if (p->pointee) {
        DeleteVariable(nullptr, p->pointee);
        if (error) return nullptr;
    }
    p->pointee = nullptr;
    if (p->data) memset(p->data, 0, sizeof(void*));
    return rec;
}
