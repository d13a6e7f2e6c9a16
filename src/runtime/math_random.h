// The random generator of the math functions: the linear congruential
// generator of the reference platform's C library (s = s * 214013 + 2531011,
// values (s >> 16) & 0x7FFF), the same sequence on every platform. Like the
// C library's it is one state for the process.
#pragma once
#include <cstdint>

// Seeds the generator; preparing the interpreter seeds it with
// time(nullptr) / 2 and draws one value.
void SeedRandom(uint32_t seed);
// The next value, 0 to 32767. Seeds from the clock first if nobody has.
int NextRandom();
