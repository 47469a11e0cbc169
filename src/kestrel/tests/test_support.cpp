#include "kestrel/tests/test_support.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace kestrel::test {

Bitmap::Bitmap(uint32_t w, uint32_t h, bool wiz, size_t padBytes)
    : width(w), height(h), stride((size_t{w} + 7) / 8 + padBytes), whiteIsZero(wiz),
      bits(stride * h, wiz ? 0x00 : 0xFF) {}

bool Bitmap::black(uint32_t x, uint32_t y) const {
    const bool one = (bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
    return one == whiteIsZero;
}

void Bitmap::setBlack(uint32_t x, uint32_t y, bool isBlack) {
    uint8_t& byte = bits[y * stride + x / 8];
    const uint8_t mask = static_cast<uint8_t>(0x80u >> (x % 8));
    if (isBlack == whiteIsZero) {
        byte |= mask;
    } else {
        byte &= static_cast<uint8_t>(~mask);
    }
}

void Bitmap::fillRun(uint32_t y, uint32_t from, uint32_t to) {
    for (uint32_t x = from; x < to && x < width; ++x) setBlack(x, y);
}

Bitmap patternImage(uint32_t width, uint32_t rows, bool whiteIsZero, uint32_t seed) {
    Bitmap image(width, rows, whiteIsZero);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < rows; ++y) {
        switch (y % 10) {
        case 0: break; // all white
        case 1: image.fillRun(y, 0, width); break;
        case 2: image.fillRun(y, 0, 1 + width / 3); break; // starts black
        case 3:                                           // black runs of 63 and 64, white between
            for (uint32_t x = 0; x < width; x += 63 + 5 + 64 + 7) {
                image.fillRun(y, x + 5, x + 5 + 63);
                image.fillRun(y, x + 5 + 63 + 7, x + 5 + 63 + 7 + 64);
            }
            break;
        case 4: image.fillRun(y, 1, 1 + 2560); break;         // black 2560 after one white
        case 5: image.fillRun(y, 2561, width); break;         // white 2561 then black
        case 6:
            for (uint32_t x = 0; x < width; x += 2) image.setBlack(x, y); // alternating
            break;
        case 7:
            for (uint32_t x = 1; x < width; x += 2) image.setBlack(x, y);
            break;
        case 8:
            for (uint32_t x = 0; x < width;) {
                const uint32_t run = 1 + random() % 300;
                if (random() & 1) image.fillRun(y, x, x + run);
                x += run;
            }
            break;
        default:
            for (uint32_t x = 0; x < width; ++x) image.setBlack(x, y, random() & 1);
            break;
        }
    }
    return image;
}

Bitmap pageImage(PageKind kind, uint32_t width, uint32_t height, uint32_t seed) {
    Bitmap page(width, height, true);
    std::mt19937 random(seed);
    const uint32_t margin = width / 12;
    const uint32_t lineHeight = width / 70 + 2;
    if (kind == PageKind::Photo) {
        // Ordered dither of a smooth picture in the middle third, text around it.
        static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        for (uint32_t y = height / 3; y < 2 * height / 3; ++y)
            for (uint32_t x = margin; x < width - margin; ++x) {
                const double v = 0.5 + 0.25 * std::sin(x * 0.011) + 0.25 * std::cos(y * 0.007 + x * 0.003);
                page.setBlack(x, y, v * 16 > bayer[y % 4][x % 4]);
            }
    }
    for (uint32_t top = margin; top + lineHeight < height - margin; top += lineHeight * 2) {
        if (kind == PageKind::Photo && top > height / 3 - lineHeight && top < 2 * height / 3) continue;
        // Glyphs: a few strokes per character cell, the same cell shape down its rows.
        for (uint32_t x = margin; x + lineHeight < width - margin;) {
            const uint32_t cell = lineHeight * 3 / 5;
            if (random() % 7 == 0) {
                x += cell; // a space
                continue;
            }
            const uint32_t shape = random();
            for (uint32_t y = top; y < top + lineHeight; ++y) {
                const uint32_t row = (y - top) * 8 / lineHeight;
                const uint32_t strokes = (shape >> (row * 3)) & 7;
                for (uint32_t s = 0; s < 3; ++s)
                    if (strokes & (1u << s)) page.fillRun(y, x + s * cell / 3, x + s * cell / 3 + cell / 4 + 1);
            }
            x += cell + 2;
        }
    }
    if (kind == PageKind::NoisyText) {
        for (uint32_t i = 0; i < width * height / 400; ++i) page.setBlack(random() % width, random() % height);
    }
    return page;
}

std::vector<uint8_t> encode(CodingMode mode, unsigned k, const Bitmap& image) {
    std::vector<uint8_t> out(image.bits.size() * 6 + 1024);
    const EncodeOutcome o = encodeRows(mode, k, image.format(), image.span(), image.height, ByteSpan{out.data(), out.size()});
    out.resize(o.fits ? o.bytes : 0);
    return out;
}

Bitmap decode(CodingMode mode, const std::vector<uint8_t>& data, const Bitmap& like, DecodeOutcome* outcome) {
    Bitmap out(like.width, like.height, like.whiteIsZero, like.stride - (like.width + 7) / 8);
    const DecodeOutcome o = decodeRows(mode, like.format(), ConstByteSpan{data.data(), data.size()}, like.height,
                                       ByteSpan{out.bits.data(), out.bits.size()});
    if (outcome) *outcome = o;
    return out;
}

std::string firstDifference(const Bitmap& expected, const Bitmap& actual) {
    if (expected.width != actual.width || expected.height != actual.height) return "size differs";
    for (uint32_t y = 0; y < expected.height; ++y)
        for (uint32_t x = 0; x < expected.width; ++x)
            if (expected.black(x, y) != actual.black(x, y))
                return "row " + std::to_string(y) + " pixel " + std::to_string(x) +
                       (expected.black(x, y) ? " should be black" : " should be white");
    return "";
}

std::string tempPath(const std::string& name) {
    return "/tmp/kestrel_test_" + std::to_string(getpid()) + "_" + name;
}

} // namespace kestrel::test
