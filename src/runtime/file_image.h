// Binary images of variables: the raw bytes a binary file or a memory
// record holds for a variable. A user type is its members in order, each
// member's whole storage, nested user types depth-first element by
// element, without padding or length fields.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/keltra.h"

// Where an image goes to (a write) or comes from (a read).
struct ImageChannel {
    virtual ~ImageChannel() {}
    // Moves up to n bytes between p and the channel; returns the count moved.
    virtual size_t Move(unsigned char* p, size_t n) = 0;
};

// How a top-level MEMORY variable is imaged: a file transfers its block,
// a memory record its cell.
enum ImageMode { IMAGE_FILE, IMAGE_RECORD };

// Cells holding engine objects whose bytes must never be read in.
bool IsObjectType(int type);

// Size in bytes of the image of v's current element (the record size).
uint64_t ImageSize(Keltra& k, Variable* v, ImageMode mode);

// Writes v's image to the channel; returns the bytes moved.
uint64_t WriteImage(Keltra& k, Variable* v, ImageChannel& ch, ImageMode mode);

// Reads v's image from the channel; returns the bytes moved. A user type
// stops at the first member that reads nothing. Object cells (file,
// window, dialog) inside a user type are skipped over, never stored.
uint64_t ReadImage(Keltra& k, Variable* v, ImageChannel& ch, ImageMode mode);
