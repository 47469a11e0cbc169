#include "kestrel/core/row_transitions.h"

#include <algorithm>
#include <cstring>

#include "kestrel/core/bit_io.h"

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

} // namespace

RowPainter::RowPainter(const RowFormat& format)
    : format_(format), words_((format.stride + 7) / 8), sums_(words_ + 1), touched_(words_ + 1) {}

// A word's pixels, with the row white where the word starts, are the XOR of the ones from each of
// its changes to the word's end. Across the row that XOR is kept as one running sum, so that a
// change costs one XOR on the chain from change to change; each change stores the sum in its
// word's slot, the last store winning, and marks the word with the row's number. A word's own
// part is then its sum with the sum of the word with changes before it taken out, flipped when
// the changes before it are odd in number. Nothing here branches on where the changes fall: in
// rows of noise or a dithered picture the processor could not foresee it.
void RowPainter::paint(const Transitions& changes, uint8_t* row) {
    const uint32_t* t = changes.data();
    size_t n = changes.count();
    // Pixels beyond the width are white: 0 bits, or 1 bits when white is one. Where the row would
    // otherwise leave them black, one more change at the width (the first end marker) makes them so.
    if (format_.width < uint64_t{format_.stride} * 8 && ((n & 1) != 0) == format_.whiteIsZero) ++n;
    uint64_t* const sums = sums_.data();
    // A word has changes in this row when it is marked with the row's number, so that the marks
    // need no clearing; at the rare wrap of the number they are cleared.
    uint32_t* const touched = touched_.data();
    if (++row_ == 0) {
        std::fill(touched_.begin(), touched_.end(), 0u);
        row_ = 1;
    }
    const uint32_t mark = row_;
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t index = t[i] >> 6;
        sum ^= onesFrom(t[i]);
        sums[index] = sum;
        touched[index] = mark;
    }
    const size_t fullWords = format_.stride / 8;
    uint64_t before = 0; // the sum at the end of the last word with changes
    for (size_t i = 0; i < words_; ++i) {
        const uint64_t through = touched[i] == mark ? sums[i] : before;
        // Every change's ones reach the last bit of its word, so the sum's last bit is the parity
        // of the changes so far: whether the words before end black.
        const uint64_t word = through ^ before ^ (0 - (before & 1));
        before = through;
        if (i < fullWords) {
            storeBigEndian64(row + i * 8, word);
        } else {
            for (size_t b = 0; i * 8 + b < format_.stride; ++b)
                row[i * 8 + b] = static_cast<uint8_t>(word >> (56 - 8 * b));
        }
    }
}

void paintWhiteRow(const RowFormat& format, uint8_t* row) {
    std::memset(row, format.whiteIsZero ? 0x00 : 0xFF, format.stride);
}

} // namespace kestrel
