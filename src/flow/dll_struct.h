// Structure buffers for user-type arguments of library functions.
#pragma once
#include <cstddef>
#include <vector>
#include "engine/keltra.h"

struct StructMember {
    Variable* member;
    size_t offset;
    int size;
    int cell;          // how the member is passed (dll_struct.cpp)
};

struct StructBuffer {
    unsigned char* bytes = nullptr;
    std::vector<StructMember> members;
};

// Lays out the member list behind head with packing value pack and fills
// the buffer. Returns 0, ERR_DLL_ARG for a member type that cannot be
// passed, or ERR_NO_MEMORY. The caller frees the buffer in every case.
int BuildStructBuffer(Keltra& k, Variable* head, int pack, StructBuffer* out);
// Copies what the function wrote back into the members.
void ReadStructBack(StructBuffer* b);
void FreeStructBuffer(StructBuffer* b);
