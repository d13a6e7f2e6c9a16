// Files and directories of the host: opening streams with sharing allowed,
// 64-bit positions, copy, delete, directories and directory search.
// Implemented per platform in host/linux/fs.cpp and host/win/fs.cpp.
// Paths are passed through as the program wrote them (8-bit texts).
#pragma once
#include <cstdint>
#include <cstdio>

#ifdef KELTRA_FUZZ_BUILD
// The fuzzing build keeps programs inside their working folder: every
// host call on a path first asks this, and a path is allowed only as a
// plain name there (not empty, no separator, no "..", not absolute).
bool HostFuzzPathAllowed(const char* path);
#endif

// Opens a stdio stream with the given fopen mode ("r", "w+", "a+", "rb",
// "wb+", "rb+"); other processes may read and write the file meanwhile.
// Returns null when the file cannot be opened.
FILE* HostOpenFile(const char* path, const char* mode);

// Positions a stream at an absolute byte offset; false when the system
// refuses (negative or unreachable offset).
bool HostSeek(FILE* f, int64_t offset);
// The stream's position in bytes from the start, -1 on failure.
int64_t HostTell(FILE* f);

// Copies a file. With failIfExists an existing destination makes it fail;
// copying a file onto itself always fails. True on success.
bool HostCopyFile(const char* from, const char* to, bool failIfExists);
// Deletes a file (not a directory). True on success.
bool HostDeleteFile(const char* path);
// Creates one directory. True on success.
bool HostMakeDir(const char* path);
// Removes an empty directory. True on success.
bool HostRemoveDir(const char* path);

// Makes a path absolute against the working directory into out (cap
// bytes, terminated). False when it does not fit or cannot be made.
bool HostAbsolutePath(const char* path, char* out, int cap);

// One entry of a directory search.
struct HostFindEntry {
    char name[260];            // the entry's name, without its directory
    uint32_t attributes;       // Windows FILE_ATTRIBUTE_* bits (0x10 directory)
    uint64_t size;             // file size in bytes
};

// An open directory search; opaque to the engine.
struct HostSearch;

// Starts a search for a pattern (a directory part, then a name with the
// wildcards * and ?, matched without regard to letter case) and fills the
// first match. Returns null when nothing matches or the directory cannot
// be read. Matches come in the order the platform yields them; the Linux
// search yields them sorted by name, as the usual Windows file systems do.
HostSearch* HostFindFirst(const char* pattern, HostFindEntry* out);
// Fills the next match; false at the end of the search.
bool HostFindNext(HostSearch* search, HostFindEntry* out);
// Ends a search and frees it; null is ignored.
void HostFindClose(HostSearch* search);

// The system's file selection dialog. owner is the engine's window or
// dialog object (0 for none); flags are the common dialog's OFN_* bits.
struct FileDialogRequest {
    const char* title;
    uintptr_t owner;
    bool open;                 // an open dialog; false: a save dialog
    const char* filter;        // the dialog's own pattern syntax, may be ""
    const char* defaultExt;    // may be ""
    uint32_t flags;
    const char* initialDir;    // null when none is given
};
// Shows the dialog modally. Returns 1 when confirmed (the path, or with
// OFN_ALLOWMULTISELECT every path followed by '|', in out, cut to cap
// bytes), 0 when cancelled, -1 when it cannot be shown (always on Linux).
int HostFileDialog(const FileDialogRequest& request, char* out, size_t cap);
