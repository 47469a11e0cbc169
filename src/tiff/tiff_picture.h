// The first image of a TIFF file turned into rows a DIB holds: bottom row first, each row padded
// to 32 bits, with its colour table and resolution. Portable: no windows.h. The DIB itself is
// made by a TiffPictureSink (the program's makes a global memory block; tests and the fuzz target
// use plain memory), and CCITT strips are decoded by a CcittStripDecoder (the program's goes
// through the filter library).
//
// Layouts read: bilevel, 4- and 8-bit grey, 1-, 4- and 8-bit palette colour, and 24-bit RGB
// (three 8-bit samples in one plane), uncompressed or, for bilevel images, CCITT modified
// Huffman, T.4 and T.6, in strips. Everything else is refused with the reason.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tiff/tiff_structure.h"

namespace quill {

// One strip of CCITT coded data to be decoded into `rows` rows of `lineBytes` bytes each. The
// image's resolution and size are those the filter library is told about the whole page.
struct CcittStripJob {
  TiffCoding coding = TiffCoding::kGroup4;
  uint8_t k = 0;               // for the two-dimensional T.4 mode only
  uint16_t xDpi = 0;
  uint16_t yDpi = 0;
  uint32_t width1200 = 0;      // the page's size in 1/1200 inch
  uint32_t length1200 = 0;
  uint8_t bitsPerPixel = 1;
  bool whiteIsZero = false;    // what the decoder paints where it has to invent pixels
  uint32_t pixelWidth = 0;     // pixels in a coded row
  uint32_t lineBytes = 0;      // L: the decoder's row stride, the row's bits rounded up to 32
  uint32_t rows = 0;
  const uint8_t* coded = nullptr;
  uint32_t codedBytes = 0;
  uint8_t* output = nullptr;
  uint32_t capacity = 0;       // at least lineBytes x rows
};

class CcittStripDecoder {
 public:
  virtual ~CcittStripDecoder() = default;
  // Decodes one strip; `produced` gets the bytes written. False when the decoder failed.
  virtual bool Decode(const CcittStripJob& job, uint32_t& produced) = 0;
};

struct TiffPictureFormat {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bitCount = 0;       // 1, 4, 8 or 24
  uint32_t colorCount = 0;     // 2^bitCount entries for 1, 4 and 8 bits; none for 24
  uint8_t colors[256][4] = {};  // blue, green, red, 0: the order of a DIB's colour table
  uint32_t xPelsPerMeter = 0;
  uint32_t yPelsPerMeter = 0;
  uint32_t rowStride = 0;      // bytes from one DIB row to the next
};

class TiffPictureSink {
 public:
  virtual ~TiffPictureSink() = default;
  // Makes room for format.height rows of format.rowStride bytes, zero-filled, and returns their
  // first byte (the bottom row's); none refuses the picture. Called once the directory and the
  // strips have been checked; a read that fails after it leaves a picture to be dropped.
  virtual uint8_t* Begin(const TiffPictureFormat& format) = 0;
};

// Why a file gave no picture.
enum class TiffReadFault {
  kNone,
  kNotTiff,              // no TIFF header
  kNoDirectory,          // the first directory cannot be read at all
  kBadDimensions,        // width or length missing, 0, or beyond 2^31 - 1
  kTiled,                // tiles are not read
  kUnsupportedCompression,
  kUnsupportedLayout,    // samples, bits, planes or photometric interpretation not read
  kNoColorMap,           // a palette image without a colour map of 3 x 2^bits values
  kTooLarge,             // the picture would exceed kMaxTiffPictureBytes
  kBadStrips,            // strips missing, outside the file, or too short for their rows
  kDecoderFailed,        // no decoder, or the decoder failed
  kRefused,              // the sink would not take the picture (out of memory)
};

// The most bytes of rows a picture may have; below what a DIB may hold with its header.
constexpr uint64_t kMaxTiffPictureBytes = 0x7FFF0000u - 40 - 1024;

// Reads the first image of `source`. `decoder` may be none (then CCITT images are refused);
// `kFactor` is handed to the two-dimensional T.4 decoder.
TiffReadFault ReadTiffPicture(TiffSource& source, CcittStripDecoder* decoder, uint8_t kFactor,
                              TiffPictureSink& sink);

// Pixels per metre from a resolution and its unit (centimetres, else inches), truncated; 0 for a
// zero denominator, at most what a DIB's signed field holds.
constexpr uint32_t kMostPelsPerMeter = 0x7FFFFFFF;
uint32_t TiffPelsPerMeter(const TiffRational& resolution, uint32_t unit);

// Dots per inch as the filter library is told them: numerator / denominator, converted from
// centimetres when the unit says so, rounded; 0 when there is no resolution.
uint16_t TiffDotsPerInch(bool present, const TiffRational& resolution, uint32_t unit);

}  // namespace quill
