// Inspection functions: the size of a value, the type a pointer refers to,
// whether a variable is indexed.
#include <cstdio>
#include <cstring>
#include "engine/keltra.h"
#include "runtime/files.h"
#include "runtime/strings_result.h"

// Deep enough for any real nesting of user types; a deeper chain (which
// only a damaged member list could form) stops counting there.
enum { USER_TYPE_DEPTH_MAX = 64 };

static int64_t InstanceSize(Variable* head, int depth);

// All element instances of a user-type field, measured from its first.
static int64_t UserFieldSize(Variable* field, int depth) {
    if (field->isIndexed && field->base) field->data = field->base;
    unsigned char* cells = field->isIndexed && field->base ? field->base : field->data;
    if (!cells) return 0;
    int64_t size = 0;
    for (uint32_t i = 0; i < field->count; i++) {
        Variable* head;
        memcpy(&head, cells + (size_t)i * sizeof(Variable*), sizeof head);
        size += InstanceSize(head, depth + 1);
    }
    return size;
}

static int64_t InstanceSize(Variable* head, int depth) {
    if (!head || depth > USER_TYPE_DEPTH_MAX) return 0;
    int64_t size = 0;
    for (Variable* m = head->next; m; m = m->next) {
        if (m->type == T_USER_0) size += UserFieldSize(m, depth);
        else if (m->type < T_COUNT) size += (int64_t)kTypes[m->type].elementSize * m->count;
    }
    return size;
}

// Length of an open stream; the read or write position is kept. A stream
// that cannot seek (a pipe) counts as 0.
static int64_t StreamLength(FILE* f) {
    fflush(f);
    long pos = ftell(f);
    if (pos < 0 || fseek(f, 0, SEEK_END) != 0) return 0;
    long end = ftell(f);
    fseek(f, pos, SEEK_SET);
    return end < 0 ? 0 : end;
}

static int32_t Clamp32(int64_t v) { return v > INT32_MAX ? INT32_MAX : (int32_t)v; }

StatementRecord* Keltra::CmdSizeOf(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
    int64_t size = 0;
    Variable* var = v.variable;
    switch (v.type) {
    case T_STRING: size = (int64_t)TextLength(v.text); break;
    case T_MEMORY: size = var ? var->auxC : 0; break;
    case T_FILE:
    case T_BFILE: {
        FILE* f = var ? CellStream(*this, var) : nullptr;
        if (!f) return Fail(ERR_FILE_NOT_OPEN);
        size = StreamLength(f);
        break;
    }
    case T_USER_0: {
        if (!var) break;
        if (var->isIndexed && var->base) var->data = var->base;
        Variable* head = nullptr;
        if (var->data) memcpy(&head, var->data, sizeof head);
        size = InstanceSize(head, 0);
        break;
    }
    default: {
        Variable* named = FindVariable(rec->argText[0], nullptr, 0);
        if (!named) return error ? nullptr : Fail(ERR_NOT_FOUND);
        if (named->type < T_COUNT) size = (int64_t)kTypes[named->type].elementSize * named->count;
    }
    }
    SetResultInt(rec, Clamp32(size));
    return rec;
}

StatementRecord* Keltra::CmdPointerTargetType(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_POINTER)) return nullptr;
    int32_t type = v.variable && v.variable->pointee ? v.variable->pointee->type : -1;
    SetResultInt(rec, type);
    return rec;
}

StatementRecord* Keltra::CmdIsIndexed(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
    Variable* var = v.variable;
    int32_t indexed = 0;
    if (var) {
        if (var->type == T_POINTER && var->pointee) var = var->pointee;
        indexed = var->isIndexed;
    }
    SetResultInt(rec, indexed);
    return rec;
}
