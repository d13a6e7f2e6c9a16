// System services on files: copy, delete, directories, directory search,
// and resources of the engine's own executable.
#include <cstdlib>
#include <cstring>
#include <string>
#include "host/fs.h"
#include "host/process.h"
#include "runtime/files.h"
#include "runtime/system_state.h"

static SystemState& System(Keltra& k) { return k.Ext<SystemState>(EXT_SYSTEM); }

// Evaluates argument i as a text and copies it (the next argument may
// reuse SYSTEM_STRING0). False on failure, with the error code set.
static bool TextArg(Keltra& k, StatementRecord* rec, int i, std::string* out) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, i, T_STRING)) return false;
    out->assign(v.text ? v.text : "");
    return true;
}

// Slot 199: copy a file; non-zero on success.
StatementRecord* Keltra::CmdCopyFile(StatementRecord* rec) {
    if (rec->argCount != 3) return Fail(ERR_ARG_COUNT);
    std::string from, to;
    if (!TextArg(*this, rec, 0, &from) || !TextArg(*this, rec, 1, &to)) return nullptr;
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 2, T_ANY_NUMBER)) return nullptr;
    SetResultInt(rec, HostCopyFile(from.c_str(), to.c_str(), v.doubleValue != 0) ? 1 : 0);
    return rec;
}

// Slots 200 to 202: one path, a boolean result.
static StatementRecord* PathCall(Keltra& k, StatementRecord* rec, bool (*call)(const char*)) {
    if (rec->argCount != 1) return k.Fail(ERR_ARG_COUNT);
    std::string path;
    if (!TextArg(k, rec, 0, &path)) return nullptr;
    k.SetResultInt(rec, call(path.c_str()) ? 1 : 0);
    return rec;
}

StatementRecord* Keltra::CmdDeleteFile(StatementRecord* rec) { return PathCall(*this, rec, HostDeleteFile); }
StatementRecord* Keltra::CmdMakeDir(StatementRecord* rec) { return PathCall(*this, rec, HostMakeDir); }
StatementRecord* Keltra::CmdRemoveDir(StatementRecord* rec) { return PathCall(*this, rec, HostRemoveDir); }

// Slot 205: start a directory search; the result is its handle, or 0.
StatementRecord* Keltra::CmdFindOpen(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    std::string pattern;
    if (!TextArg(*this, rec, 0, &pattern)) return nullptr;
    CFileFinder* finder = new CFileFinder;
    if (!finder->Open(pattern.c_str())) {
        delete finder;
        SetResultInt(rec, 0);
        return rec;
    }
    SystemState& s = System(*this);
    // Handles count up and skip any still in use after a wrap-around.
    while (s.finders.count(s.nextHandle) || s.nextHandle <= 0)
        s.nextHandle = s.nextHandle <= 0 || s.nextHandle == INT32_MAX ? 1 : s.nextHandle + 1;
    int32_t handle = s.nextHandle;
    s.nextHandle = handle == INT32_MAX ? 1 : handle + 1;
    s.finders[handle] = finder;
    SetResultInt(rec, handle);
    return rec;
}

// The search with the handle in argument 0, or null for 0, an unknown or
// a closed handle.
static CFileFinder* FinderArg(Keltra& k, StatementRecord* rec, bool* ok) {
    *ok = false;
    if (rec->argCount != 1) { k.error = ERR_ARG_COUNT; return nullptr; }
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, 0, T_ANY_NUMBER)) return nullptr;
    *ok = true;
    auto& finders = System(k).finders;
    auto it = finders.find(v.intValue);
    return it == finders.end() ? nullptr : it->second;
}

// Slot 206: the next name of a search, "" at its end. A handle that names
// no open search gives "" as well.
StatementRecord* Keltra::CmdFindNext(StatementRecord* rec) {
    bool ok;
    CFileFinder* finder = FinderArg(*this, rec, &ok);
    if (!ok) return nullptr;
    SetResultText(rec, finder ? finder->Next() : "");
    return rec;
}

// Slot 207: end a search and free it.
StatementRecord* Keltra::CmdFindClose(StatementRecord* rec) {
    bool ok;
    CFileFinder* finder = FinderArg(*this, rec, &ok);
    if (!ok) return nullptr;
    if (finder) {
        auto& finders = System(*this).finders;
        for (auto it = finders.begin(); it != finders.end(); ++it)
            if (it->second == finder) { finders.erase(it); break; }
        delete finder;
    }
    return rec;
}

// A resource name or type: a text, or a number's low 16 bits.
// A text's pointer is set once both arguments are evaluated (*isText).
static bool ResourceArg(Keltra& k, StatementRecord* rec, int i, std::string* text, ResourceName* out,
                        bool* isText) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, i, T_ANYTHING)) return false;
    switch (v.type) {
    case T_STRING:
        text->assign(v.text ? v.text : "");
        *isText = true;
        return true;
    case T_INT: case T_FLOAT: case T_WORD: case T_DOUBLE: case T_INT64: case T_UINT64: case T_UINT:
        *isText = false;
        *out = ResNumber((uint32_t)v.intValue & 0xFFFF);
        return true;
    default:
        k.error = ERR_TYPE;
        return false;
    }
}

// Copies a resource into a string: at most capacity - 2 bytes, terminated,
// never beyond the storage. A target of capacity below 2 gets an empty text.
static void ResourceToString(Variable* t, const unsigned char* data, uint32_t size) {
    size_t room = (size_t)t->count;                      // strings: one byte per unit
    if (t->isIndexed && t->base) {
        if (t->data < t->base || t->data >= t->base + room) return;
        room -= (size_t)(t->data - t->base);
    }
    size_t cap = t->auxA > 0 ? (size_t)t->auxA : 0;
    if (cap > room) cap = room;
    if (cap == 0) return;
    size_t n = cap >= 2 ? cap - 2 : 0;
    if (n > size) n = size;
    memcpy(t->data, data, n);
    t->data[n] = 0;
}

// Slot 240: load a resource of the executable into a variable.
StatementRecord* Keltra::CmdLoadResource(StatementRecord* rec) {
    if (rec->argCount != 3) return Fail(ERR_ARG_COUNT);
    std::string nameText, typeText;
    ResourceName name, type;
    bool nameIsText, typeIsText;
    if (!ResourceArg(*this, rec, 0, &nameText, &name, &nameIsText)) return nullptr;
    if (!ResourceArg(*this, rec, 1, &typeText, &type, &typeIsText)) return nullptr;
    if (nameIsText) name = ResText(nameText.c_str());
    if (typeIsText) type = ResText(typeText.c_str());
    uint32_t size = 0;
    unsigned char* data = HostLoadResource(type, name, &size);
    if (!data) { SetResultInt(rec, 0); return rec; }
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 2, T_ANYTHING)) { free(data); return nullptr; }
    Variable* t = v.variable;
    int32_t result = 0;
    if (v.type == T_STRING || v.type == T_INT || v.type == T_MEMORY) {
        if (!t || !t->data) { free(data); return Fail(ERR_SYNTAX); }
        result = 1;
        if (v.type == T_STRING) {
            ResourceToString(t, data, size);
        } else if (v.type == T_MEMORY) {
            unsigned char* block = BlockAlloc(*this, (size_t)size + 1);
            if (block) {
                memcpy(block, data, size);
                SetMemoryCell(t, block);
                t->auxC = size > INT32_MAX ? INT32_MAX : (int32_t)size;
            } else {
                result = 0;
            }
        } else {
            // A 32-bit INT cannot hold the 64-bit address of the data:
            // nothing is stored and the result is 0.
            result = 0;
        }
    }
    free(data);
    SetResultInt(rec, result);
    return rec;
}
