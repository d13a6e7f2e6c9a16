// The image key is built at start-up from small pieces rather than stored
// as one block, so that it does not show as a plain 16-byte run in the
// executable.
#include "engine/image_key.h"
#include <cstdint>

static void BuildKey(unsigned char key[16]) {
    uint32_t s = 0x4B454C54u;          // seed
    for (int i = 0; i < 16; i++) {
        s = s * 1103515245u + 12345u;
        key[i] = (unsigned char)((s >> 16) ^ (i * 37));
    }
}

static const unsigned char* Key() {
    static unsigned char key[16];
    static bool built = false;
    if (!built) { BuildKey(key); built = true; }
    return key;
}

static inline unsigned char SwapBits34(unsigned char b) {
    return (unsigned char)((b & 0xE7) | ((b & 0x08) << 1) | ((b >> 1) & 0x08));
}

void UnscrambleImage(unsigned char* buf, size_t size) {
    const unsigned char* key = Key();
    for (size_t i = 0; i < size; i++)
        buf[i] = (unsigned char)(~SwapBits34(buf[i]) ^ key[i % 16]);
}

// The inverse: XOR first, complement, then swap the bits back.
void ScrambleImage(unsigned char* buf, size_t size) {
    const unsigned char* key = Key();
    for (size_t i = 0; i < size; i++)
        buf[i] = SwapBits34((unsigned char)~(buf[i] ^ key[i % 16]));
}
