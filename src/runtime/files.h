// Files and memory blocks: the streams and blocks the program statements
// created. A FILE/BFILE or MEMORY cell is only ever used through these
// tables, so a number a program stored in such a cell is never dereferenced.
#pragma once
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>
#include "engine/keltra.h"

// I/O status values (constant 70).
enum { IO_OK = 0, IO_OPEN_READ = 205, IO_OPEN_WRITE = 206, IO_OPEN_APPEND = 207,
       IO_NOTHING = 999 };
enum { CONST_IO_STATUS = 70 };

struct FilesState : SubsystemState {
    struct Stream {
        FILE* f;
        bool writing;          // last transfer was a write (a switch needs a seek)
    };
    std::vector<Stream> streams;                         // open streams (few)
    std::unordered_map<unsigned char*, size_t> blocks;   // memory blocks and their allocated sizes
    ~FilesState() override { Reset(); }
    void Reset() override;     // closes every stream, frees every block
};

FilesState& Files(Keltra& k);

// ---- streams (file.cpp) -------------------------------------------------
// The stream in a FILE/BFILE variable's current cell when it is one the
// file statements opened (or a standard stream of a static variable), else null.
FILE* CellStream(Keltra& k, Variable* v);
// Closes the stream in a FILE/BFILE variable's cell if it is ours and
// clears the cell; anything else in the cell is only cleared. Static
// variables are left alone. For the variable store's release as well.
void CloseFileCell(Keltra& k, Variable* v);
// Prepares a stream for a read (writing false) or a write: switching
// direction on an update stream needs a seek in between.
void StreamTurn(Keltra& k, FILE* f, bool writing);

// ---- memory blocks (memory.cpp) -----------------------------------------
// Allocated size of a block from the table, 0 for an address that is not
// a live block (a number, a freed block, foreign memory).
size_t BlockSize(Keltra& k, const unsigned char* p);
// Allocates a zero-filled block of n bytes and records it; null on failure.
unsigned char* BlockAlloc(Keltra& k, size_t n);
// Address in a MEMORY variable's cell.
unsigned char* MemoryCell(Variable* v);
void SetMemoryCell(Variable* v, unsigned char* p);
