// The keyword table of the readable source language (see keywords.cpp).
#pragma once
#include <cstddef>
#include <string>

struct SlotKeyword {
    int slot;              // statement code 0..248
    const char* names;     // blank-separated; the first is the canonical one
};
struct ConstantName {
    int index;             // predefined-constant index 0..497
    const char* name;
    const char* meaning;
};

extern const SlotKeyword kSlotKeywords[];
extern const int kSlotKeywordCount;
extern const ConstantName kConstantNames[];
extern const int kConstantNameCount;

// Statement code or constant index for a word (any letter case), -1 if none.
int FindSlotKeyword(const char* word, size_t len);
int FindConstantName(const char* word, size_t len);
// Canonical name, or "" when the slot or index has none.
std::string SlotKeywordName(int slot);
std::string ConstantNameOf(int index);
