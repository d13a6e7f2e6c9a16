// The cipher of the stored program image. The front end scrambles the
// token text with it and the engine unscrambles the resource at start-up.
#pragma once
#include <cstddef>

// Each byte: bits 3 and 4 swapped, all bits complemented, then XOR with the
// key byte at (position mod 16).
void ScrambleImage(unsigned char* buf, size_t size);
void UnscrambleImage(unsigned char* buf, size_t size);
