// The image cipher: unscrambling undoes scrambling for every byte value at
// every key position, and each byte goes through the bit swap and the
// complement the loader expects.
#include <gtest/gtest.h>
#include <vector>
#include "engine/image_key.h"

TEST(ImageKey, UnscrambleUndoesScramble) {
    std::vector<unsigned char> buf(256 * 16), orig;
    for (size_t i = 0; i < buf.size(); i++) buf[i] = (unsigned char)(i / 16);
    orig = buf;
    ScrambleImage(buf.data(), buf.size());
    EXPECT_NE(buf, orig);
    UnscrambleImage(buf.data(), buf.size());
    EXPECT_EQ(buf, orig);
}

// Two images that differ only in bit 3 of one byte unscramble to bytes that
// differ only in bit 4: the loader swaps bits 3 and 4 before the XOR.
TEST(ImageKey, SwapsBitsThreeAndFour) {
    for (int pos = 0; pos < 16; pos++) {
        unsigned char a[16] = {0}, b[16] = {0};
        b[pos] = 0x08;
        UnscrambleImage(a, 16);
        UnscrambleImage(b, 16);
        EXPECT_EQ(a[pos] ^ b[pos], 0x10);
        b[pos] = 0x10;
        a[pos] = 0;
        UnscrambleImage(b, 16);
        unsigned char z[16] = {0};
        UnscrambleImage(z, 16);
        EXPECT_EQ(z[pos] ^ b[pos], 0x08);
    }
}
