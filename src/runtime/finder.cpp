// Directory search (CFileFinder). The end of a search is kept in the
// object itself rather than in a thread-wide error value, so two searches
// never disturb each other and no statement in between can reset it.
#include "runtime/finder.h"
#include <cstring>

bool CFileFinder::Open(const char* pattern) {
    CloseSearch();
    ended = false;
    if (!pattern || !*pattern) pattern = "*.*";
    next = &entries[1];
    search = HostFindFirst(pattern, next);
    if (!search) { CloseSearch(); return false; }
    char absolute[260];
    if (!HostAbsolutePath(pattern, absolute, sizeof absolute)) { CloseSearch(); return false; }
    root = absolute;
    size_t cut = root.find_last_of("\\/");
    if (cut != std::string::npos) root.resize(cut);
    return true;
}

const char* CFileFinder::Next() {
    if (!search || ended) return "";
    if (!found) found = &entries[0];
    HostFindEntry* t = found;           // the entry read ahead becomes the answer
    found = next;
    next = t;
    if (!HostFindNext(search, next)) {
        // The last name: deliver it and close the search behind it.
        ended = true;
        HostFindClose(search);
        search = nullptr;
    }
    return found->name;
}

void CFileFinder::CloseSearch() {
    HostFindClose(search);
    search = nullptr;
    found = next = nullptr;
}
