// Library functions: what the engine keeps beyond the function records.
#pragma once
#include <vector>
#include "engine/keltra.h"

struct DllState : SubsystemState {
    // Alias texts; a function record's `data` points at one of them. They
    // live here, not with the record, because a record without storage of
    // its own (count 0) is never freed by the variable store's release.
    std::vector<char*> aliases;
    // Library references taken by declarations, one entry per reference.
    // Releasing a library only ever drops one of these, so a program can
    // never unload a library that it did not load itself.
    std::vector<void*> libraries;

    ~DllState() override;
    void Reset() override;
    char* KeepAlias(const char* text, size_t length);
    bool DropLibrary(void* lib);   // false when no reference of ours is left
};

// Parameter templates of a label from the text between its parentheses.
// Returns 0, or the error code (also stored in k.error).
int BuildParamTemplates(Keltra& k, Variable* label, const char* params, int* made);
