// Directory search: one CFileFinder per open search. Programs hold a small
// handle number from the system state's table, never the object's address.
#pragma once
#include <string>
#include "host/fs.h"

class CFileFinder {
public:
    CFileFinder() {}
    ~CFileFinder() { CloseSearch(); }
    CFileFinder(const CFileFinder&) = delete;
    CFileFinder& operator=(const CFileFinder&) = delete;

    // Starts a search ("*.*" for an empty pattern); false when nothing matches.
    bool Open(const char* pattern);
    // The next name; after the last name one empty result, then empty
    // results for good. The search closes itself after its last name.
    const char* Next();
    void CloseSearch();

private:
    HostFindEntry entries[2];           // found data and the entry read ahead
    HostFindEntry* found = nullptr;     // null before the first request
    HostFindEntry* next = nullptr;
    HostSearch* search = nullptr;
    bool ended = false;                 // the last name has been delivered
    std::string root;                   // the pattern made absolute, cut at its last separator
};
