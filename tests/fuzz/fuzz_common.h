// Shared set-up of the fuzz targets: an interpreter over a copy of the
// input bytes, with the loader's extra NUL after them.
#pragma once
#include "engine/keltra.h"
#include <cstdlib>
#include <cstring>
#include <cstdio>

// Quiet standard streams: the programs print and read, the fuzzer must not
// block on input or drown in output.
inline void FuzzQuietStreams() {
    if (!freopen("/dev/null", "r", stdin)) abort();
    if (!freopen("/dev/null", "w", stdout)) abort();
}

struct FuzzImage {
    char* bytes;
    explicit FuzzImage(const uint8_t* data, size_t size) {
        bytes = static_cast<char*>(malloc(size + 1));
        memcpy(bytes, data, size);
        bytes[size] = 0;
    }
    ~FuzzImage() { free(bytes); }
};
