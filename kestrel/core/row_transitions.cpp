#include "row_transitions.h"

#include <algorithm>
#include <cstring>

#include "bit_io.h"

namespace kestrel {
namespace {

// 64 pixels starting at byte `index`, with bytes past the row's end read as zero.
uint64_t loadPixels(const uint8_t* row, size_t rowBytes, size_t index) {
    if (index + 8 <= rowBytes) return loadBigEndian64(row + index);
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = (v << 8) | (index + i < rowBytes ? row[index + i] : 0);
    return v;
}

} // namespace

// A change is where a pixel differs from the one before it (the one before the row is white, a
// 0 bit): XOR each 64-pixel word with itself shifted by one pixel, then take the set bits in order.
void scanRow(const uint8_t* row, const RowFormat& format, Transitions& out) {
    const uint32_t width = format.width;
    const size_t rowBytes = std::min(format.stride, (size_t{width} + 7) / 8);
    uint32_t* changes = out.begin();
    size_t n = 0;
    uint64_t before = 0; // the pixel left of the word
    for (uint32_t base = 0; base < width; base += 64) {
        const uint64_t pixels = loadPixels(row, rowBytes, base >> 3);
        uint64_t flips = pixels ^ ((pixels >> 1) | (before << 63));
        before = pixels & 1;
        if (width - base < 64) flips &= ~(~uint64_t{0} >> (width - base)); // nothing at or past the width
        while (flips) {
            const int z = countLeadingZeros64(flips);
            changes[n++] = base + static_cast<uint32_t>(z);
            flips &= ~(uint64_t{1} << 63 >> z);
        }
    }
    out.finish(n);
}

namespace {

// Ones from a pixel to the end of its 64-pixel word.
KESTREL_INLINE uint64_t onesFrom(uint32_t position) { return ~uint64_t{0} >> (position & 63); }

// XORs ones from each change to the end of its word into the word, which starts at 0 bits:
// afterwards a word holds its pixels as if the row were white where it starts, and its last bit
// says whether it flips the colour of the rest. Every change stores its word, whether or not the
// next one lies in it: no branch depends on where the changes fall, which in rows of noise or a
// dithered picture the processor cannot foresee. `words` holds the words from `first` on, zero
// where changes fall.
KESTREL_INLINE void xorChanges(const uint32_t* changes, size_t count, uint8_t* words, size_t first) {
    uint64_t word = 0;
    size_t current = first;
    for (size_t i = 0; i < count; ++i) {
        const size_t index = changes[i] >> 6;
        word = index == current ? word : 0;
        current = index;
        word ^= onesFrom(changes[i]);
        std::memcpy(words + (index - first) * 8, &word, sizeof word);
    }
}

} // namespace

void paintRow(const Transitions& changes, const RowFormat& format, uint8_t* row) {
    const size_t n = changes.count();
    const uint32_t* t = changes.data();
    const size_t fullWords = format.stride / 8;
    // The changes in whole words are painted in the row; those in its last partial word, if any,
    // in a word of their own.
    size_t inFull = n;
    while (inFull > 0 && t[inFull - 1] >> 6 >= fullWords) --inFull;
    uint8_t tail[8] = {};
    std::memset(row, 0, fullWords * 8);
    xorChanges(t, inFull, row, 0);
    xorChanges(t + inFull, n - inFull, tail, fullWords);
    // Pixels beyond the width are white: 0 bits, or 1 bits when white is one.
    if (format.width < uint64_t{format.stride} * 8 && ((n & 1) != 0) == format.whiteIsZero) {
        const size_t index = format.width >> 6;
        uint8_t* word = index < fullWords ? row + index * 8 : tail;
        uint64_t bits;
        std::memcpy(&bits, word, sizeof bits);
        bits ^= onesFrom(format.width);
        std::memcpy(word, &bits, sizeof bits);
    }
    // Each word, flipped where the words before it end in 1 bits.
    uint64_t flip = 0;
    for (size_t i = 0; i < fullWords; ++i) {
        uint64_t word;
        std::memcpy(&word, row + i * 8, sizeof word);
        word ^= flip;
        storeBigEndian64(row + i * 8, word);
        flip = 0 - (word & 1);
    }
    uint64_t last;
    std::memcpy(&last, tail, sizeof last);
    last ^= flip;
    for (size_t i = 0; fullWords * 8 + i < format.stride; ++i) row[fullWords * 8 + i] = static_cast<uint8_t>(last >> (56 - 8 * i));
}

void paintWhiteRow(const RowFormat& format, uint8_t* row) {
    std::memset(row, format.whiteIsZero ? 0x00 : 0xFF, format.stride);
}

} // namespace kestrel
