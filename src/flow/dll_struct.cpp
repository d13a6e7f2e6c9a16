// Structure buffers: a user-type instance passed to a library function is
// laid out as a packed structure, and what the function wrote into it is
// copied back into the members after the call.
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include "flow/dll_struct.h"
#include "host/dynlib.h"

enum Cell { CELL_ADDRESS, CELL_CHAR, CELL_WORD, CELL_INT32, CELL_MEMORY, CELL_POINTER,
            CELL_WINDOW, CELL_INT64 };

// Element types whose cells hold engine objects: their storage is never
// handed to foreign code.
static bool HoldsObjects(int type) {
    switch (type) {
    case T_FILE: case T_BFILE: case T_WINDOW: case T_DIALOG: case T_USER_0:
    case T_ARRAY_0: case T_SYSTEM_0: case T_LABEL_0:
        return true;
    }
    return false;
}

// How a member is passed, and its size; false for a member type that has
// no place in a structure.
static bool Classify(const Variable* m, int* cell, int* size) {
    if (m->isIndexed) {
        if (HoldsObjects(m->type)) return false;
        *cell = CELL_ADDRESS; *size = sizeof(void*);
        return true;
    }
    switch (m->type) {
    case T_CHAR: *cell = CELL_CHAR; *size = 1; return true;
    case T_WORD: *cell = CELL_WORD; *size = 2; return true;
    case T_INT: case T_UINT: *cell = CELL_INT32; *size = 4; return true;
    case T_MEMORY: *cell = CELL_MEMORY; *size = sizeof(void*); return true;
    case T_POINTER: *cell = CELL_POINTER; *size = sizeof(void*); return true;
    case T_WINDOW: case T_DIALOG: *cell = CELL_WINDOW; *size = sizeof(void*); return true;
    case T_INT64: case T_UINT64: *cell = CELL_INT64; *size = 8; return true;
    }
    return false;   // FLOAT, DOUBLE, FILE, BFILE, a nested user type ...
}

static void StoreMember(Keltra& k, const StructMember& sm, unsigned char* at) {
    const Variable* m = sm.member;
    if (sm.cell == CELL_ADDRESS) {
        void* p = m->base;
        memcpy(at, &p, sizeof p);
        return;
    }
    if (!m->data) return;   // no storage: passes zero
    if (sm.cell == CELL_WINDOW) {
        void* object;
        memcpy(&object, m->data, sizeof object);
        uintptr_t h = object ? HostWindowHandle(k, object, m->type) : 0;
        memcpy(at, &h, sizeof h);
        return;
    }
    memcpy(at, m->data, sm.size);
}

int BuildStructBuffer(Keltra& k, Variable* head, int pack, StructBuffer* out) {
    out->bytes = nullptr;
    out->members.clear();
    size_t offset = 0;
    for (Variable* m = head ? head->next : nullptr; m; m = m->next) {
        StructMember sm{m, 0, 0, 0};
        if (!Classify(m, &sm.cell, &sm.size)) return ERR_DLL_ARG;
        // A packing value below 1 is taken as 1.
        size_t align = (size_t)std::max(1, std::min(pack, sm.size));
        offset = (offset + align - 1) / align * align;
        sm.offset = offset;
        offset += sm.size;
        out->members.push_back(sm);
    }
    // At least 8 bytes per member, as callers expect room for a structure's
    // trailing padding too.
    size_t size = std::max(offset, out->members.size() * 8);
    size = (size + 7) / 8 * 8;
    out->bytes = (unsigned char*)calloc(1, size ? size : 8);
    if (!out->bytes) return ERR_NO_MEMORY;
    for (const StructMember& sm : out->members) StoreMember(k, sm, out->bytes + sm.offset);
    return 0;
}

void ReadStructBack(StructBuffer* b) {
    for (const StructMember& sm : b->members) {
        Variable* m = sm.member;
        const unsigned char* at = b->bytes + sm.offset;
        // Address slots of indexed members and window handles are not taken
        // back: a replaced address would hand foreign memory to the engine.
        if (sm.cell == CELL_ADDRESS || sm.cell == CELL_WINDOW || !m->data) continue;
        if (sm.cell == CELL_MEMORY || sm.cell == CELL_POINTER) {
            if (!memcmp(m->data, at, sm.size)) continue;
            memcpy(m->data, at, sm.size);
            // The new address is none the engine knows: a memory block's
            // recorded size and a pointer's target record no longer apply.
            if (sm.cell == CELL_MEMORY) m->auxC = 0;
            else m->pointee = nullptr;
            continue;
        }
        memcpy(m->data, at, sm.size);
    }
}

void FreeStructBuffer(StructBuffer* b) {
    free(b->bytes);
    b->bytes = nullptr;
    b->members.clear();
}
