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

// Stores 64-pixel words of one row: whole words big-endian, the row's last partial word byte by
// byte, runs of equal words with memset.
class RowWords {
public:
    RowWords(uint8_t* row, size_t stride) : row_(row), stride_(stride), fullWords_(stride / 8) {}

    size_t words() const { return (stride_ + 7) / 8; }

    void store(size_t index, uint64_t word) {
        if (index < fullWords_) {
            storeBigEndian64(row_ + index * 8, word);
            return;
        }
        for (size_t i = 0; index * 8 + i < stride_; ++i) row_[index * 8 + i] = static_cast<uint8_t>(word >> (56 - 8 * i));
    }

    // Words [first, end), every one of them `word` (all zeros or all ones).
    void fill(size_t first, size_t end, uint64_t word) {
        const size_t whole = std::min(end, fullWords_);
        if (first < whole) {
            std::memset(row_ + first * 8, static_cast<uint8_t>(word), (whole - first) * 8);
            first = whole;
        }
        for (; first < end; ++first) store(first, word);
    }

private:
    uint8_t* row_;
    size_t stride_;
    size_t fullWords_;
};

// Every change flips the colour of all pixels from it to the end of the row; within a word that
// is an XOR of a suffix mask, so a row costs one shift and XOR per change plus one store per word.
class FlipPainter {
public:
    FlipPainter(uint8_t* row, size_t stride) : out_(row, stride) {}

    inline void flip(uint64_t position) {
        const size_t index = static_cast<size_t>(position >> 6);
        if (index != current_) {
            out_.store(current_, word_);
            if (index > current_ + 1) out_.fill(current_ + 1, index, colour_);
            current_ = index;
            word_ = colour_;
        }
        word_ ^= ~uint64_t{0} >> (position & 63);
        colour_ = ~colour_;
    }

    void finish() {
        out_.store(current_, word_);
        out_.fill(current_ + 1, out_.words(), colour_);
    }

private:
    RowWords out_;
    uint64_t word_ = 0;   // the word being built
    uint64_t colour_ = 0; // all ones while the pixels reached so far are 1 bits
    size_t current_ = 0;  // the index of word_
};

} // namespace

void paintRow(const Transitions& changes, const RowFormat& format, uint8_t* row) {
    FlipPainter painter(row, format.stride);
    const uint32_t* t = changes.data();
    const size_t n = changes.count();
    for (size_t i = 0; i < n; ++i) painter.flip(t[i]);
    // Pixels beyond the width are white: 0 bits, or 1 bits when white is one.
    if (format.width < uint64_t{format.stride} * 8 && ((n & 1) != 0) == format.whiteIsZero) painter.flip(format.width);
    painter.finish();
}

void paintWhiteRow(const RowFormat& format, uint8_t* row) {
    std::memset(row, format.whiteIsZero ? 0x00 : 0xFF, format.stride);
}

} // namespace kestrel
