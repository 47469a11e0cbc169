// A baseline little-endian TIFF file of one image in one strip.
#pragma once

#include <cstdint>
#include <vector>

#include "kestrel/core/byte_span.h"
#include "kestrel/core/fax_codec.h"
#include "kestrel/core/file_output.h"

namespace kestrel {

struct Rgb {
    uint8_t red, green, blue;
};

struct TiffImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitsPerPixel = 1;              // 1, 4, 8 or 24
    CodingMode coding = CodingMode::None;  // CCITT modes need 1 bit per pixel
    bool whiteIsZero = true;               // value 0 is white (bilevel and grey); CCITT codes
                                           // describe bit values, so this holds for them too
    uint16_t xDpi = 0;                     // 0: no absolute resolution known
    uint16_t yDpi = 0;
    std::vector<Rgb> palette;              // 4- and 8-bit palette images; empty for grey
};

// Bytes of one uncompressed row as the file stores it.
size_t tiffRowBytes(uint32_t width, uint8_t bitsPerPixel);

// What surrounds the strip in the file: the 8-byte header before it, the directory (with its
// values and a pad byte to reach a word boundary) after it.
struct TiffFrame {
    std::vector<uint8_t> header;
    std::vector<uint8_t> directory;
};
TiffFrame tiffFrame(const TiffImage& image, uint32_t stripBytes);

// `strip` holds the rows exactly as the file stores them (packed rows, RGB order) or the coded data.
bool writeTiff(OutputFile& file, const TiffImage& image, ConstByteSpan strip);

} // namespace kestrel
