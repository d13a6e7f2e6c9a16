// The predefined-constant table: 498 signed 32-bit entries that programs
// read through the constant marker. Most never change; the event entries
// (0-4, 47, 55, 63, 72) and the I/O status (70) are written at run time.
#pragma once
#include <cstdint>

// Fills table[0..497] with the starting values.
void FillConstants(int32_t* table);

// Index of the constant marker bytes b1 b2 (the two bytes after 0xFE), or
// -1 when they name no entry. The marker can spell 498..511 (and bytes
// below 0xE0 in a damaged image); those read as a bad constant.
int ConstantIndex(unsigned char b1, unsigned char b2);
