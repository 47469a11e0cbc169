// Test images and helpers shared by the kestrel tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kestrel/core/fax_codec.h"

namespace kestrel::test {

// A bilevel image in the library's row layout: MSB first, `stride` bytes a row, white padding.
struct Bitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;
    bool whiteIsZero = true;
    std::vector<uint8_t> bits;

    Bitmap(uint32_t w, uint32_t h, bool wiz, size_t padBytes = 0);
    RowFormat format() const { return RowFormat{width, stride, whiteIsZero}; }
    ConstByteSpan span() const { return ConstByteSpan{bits.data(), bits.size()}; }
    bool black(uint32_t x, uint32_t y) const;
    void setBlack(uint32_t x, uint32_t y, bool isBlack = true);
    void fillRun(uint32_t y, uint32_t from, uint32_t to);
};

// Rows that exercise the codes: all white, all black, starting black, runs of 63, 64, 2560 and
// 2561, alternating pixels, random runs and noise; `rows` rows, repeating the list.
Bitmap patternImage(uint32_t width, uint32_t rows, bool whiteIsZero, uint32_t seed);

// A page of "text": short black runs in lines, optionally with scanner noise, or a dithered photo.
enum class PageKind { Text, NoisyText, Photo };
Bitmap pageImage(PageKind kind, uint32_t width, uint32_t height, uint32_t seed);

std::vector<uint8_t> encode(CodingMode mode, unsigned k, const Bitmap& image);
// Decodes into a bitmap like `like` (same size and layout).
Bitmap decode(CodingMode mode, const std::vector<uint8_t>& data, const Bitmap& like, DecodeOutcome* outcome = nullptr);

// First differing pixel as text, or "" when equal.
std::string firstDifference(const Bitmap& expected, const Bitmap& actual);

std::string tempPath(const std::string& name);

} // namespace kestrel::test
