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

// First position at or after `from` whose pixel is black (wantBlack) or white, else `width`.
uint32_t findNext(const uint8_t* row, size_t rowBytes, uint32_t width, uint32_t from, uint64_t blackMask,
                  bool wantBlack) {
    uint32_t pos = from;
    while (pos < width) {
        uint64_t bits = loadPixels(row, rowBytes, pos >> 3) ^ blackMask;
        if (!wantBlack) bits = ~bits;
        const uint32_t skip = pos & 7;
        bits <<= skip;
        if (bits) return std::min<uint32_t>(pos + static_cast<uint32_t>(countLeadingZeros64(bits)), width);
        pos += 64 - skip;
    }
    return width;
}

void setBits(uint8_t* row, uint32_t from, uint32_t to, bool ones) {
    if (from >= to) return;
    uint32_t firstByte = from >> 3;
    const uint32_t lastByte = (to - 1) >> 3;
    const uint8_t headMask = static_cast<uint8_t>(0xFFu >> (from & 7));
    const uint8_t tailMask = static_cast<uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
    if (firstByte == lastByte) {
        const uint8_t mask = headMask & tailMask;
        row[firstByte] = ones ? (row[firstByte] | mask) : (row[firstByte] & ~mask);
        return;
    }
    row[firstByte] = ones ? (row[firstByte] | headMask) : (row[firstByte] & ~headMask);
    ++firstByte;
    if (lastByte > firstByte) std::memset(row + firstByte, ones ? 0xFF : 0x00, lastByte - firstByte);
    row[lastByte] = ones ? (row[lastByte] | tailMask) : (row[lastByte] & ~tailMask);
}

} // namespace

void scanRow(const uint8_t* row, const RowFormat& format, Transitions& out) {
    out.clear();
    const size_t rowBytes = std::min(format.stride, (size_t{format.width} + 7) / 8);
    const uint64_t blackMask = 0; // 1 bits are coded as black runs (see RowFormat)
    uint32_t pos = 0;
    bool lookForBlack = true;
    while (true) {
        pos = findNext(row, rowBytes, format.width, pos, blackMask, lookForBlack);
        if (pos >= format.width) break;
        out.push(pos);
        lookForBlack = !lookForBlack;
    }
    out.terminate();
}

void paintRow(const Transitions& changes, const RowFormat& format, uint8_t* row) {
    std::memset(row, 0x00, format.stride);
    const size_t n = changes.count();
    for (size_t i = 0; i < n; i += 2) {
        const uint32_t end = i + 1 < n ? changes[i + 1] : format.width;
        setBits(row, changes[i], end, true);
    }
    const uint64_t rowBits = uint64_t{format.stride} * 8;
    if (!format.whiteIsZero && rowBits > format.width)
        setBits(row, format.width, static_cast<uint32_t>(std::min<uint64_t>(rowBits, UINT32_MAX)), true);
}

void paintWhiteRow(const RowFormat& format, uint8_t* row) {
    std::memset(row, format.whiteIsZero ? 0x00 : 0xFF, format.stride);
}

} // namespace kestrel
