#include "tiff/tiff_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#endif

namespace quill {
namespace {

constexpr uint32_t kLargestDimension = 0x7FFFFFFFu;

uint8_t ReverseBits(uint8_t byte) {
  byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
  byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
  return static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
}

// The image's size in 1/1200 inch at `dpi`, as the filter library is told it; 0 without one.
uint32_t SizeIn1200ths(uint32_t pixels, uint16_t dpi) {
  if (dpi == 0) return 0;
  const double size = std::floor(static_cast<double>(pixels) / dpi * 1200.0);
  return size >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
}

struct Layout {
  uint16_t bitCount = 0;
  uint32_t photometric = 0;
};

TiffReadFault ChooseLayout(const TiffFields& fields, Layout& layout) {
  // Without PhotometricInterpretation libtiff's image reader takes one sample as black-is-zero
  // grey and three as RGB; so does this reader.
  layout.photometric = fields.hasPhotometric         ? fields.photometric
                       : fields.samplesPerPixel == 3 ? uint32_t{kPhotometricRgb}
                                                     : uint32_t{kPhotometricBlackIsZero};
  switch (layout.photometric) {
    case kPhotometricRgb:
      // Planes, a fourth sample or other depths would need rows a DIB does not hold.
      if (fields.samplesPerPixel != 3 || fields.bitsPerSample != 8 ||
          fields.planarConfiguration != kPlanarChunky) {
        return TiffReadFault::kUnsupportedLayout;
      }
      layout.bitCount = 24;
      return TiffReadFault::kNone;
    case kPhotometricWhiteIsZero:
    case kPhotometricBlackIsZero:
    case kPhotometricPalette:
      if (fields.samplesPerPixel != 1) return TiffReadFault::kUnsupportedLayout;
      if (fields.bitsPerSample != 1 && fields.bitsPerSample != 4 && fields.bitsPerSample != 8) {
        return TiffReadFault::kUnsupportedLayout;
      }
      layout.bitCount = static_cast<uint16_t>(fields.bitsPerSample);
      return TiffReadFault::kNone;
    default:
      return TiffReadFault::kUnsupportedLayout;
  }
}

void SetGreyColors(const Layout& layout, TiffPictureFormat& format) {
  const uint32_t n = format.colorCount;
  const float step = n > 2 ? 256.0f / static_cast<float>(n) : 255.0f;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t level = layout.photometric == kPhotometricWhiteIsZero ? n - 1 - i : i;
    const auto grey = static_cast<uint8_t>(step * static_cast<float>(level));
    format.colors[i][0] = format.colors[i][1] = format.colors[i][2] = grey;
  }
}

TiffReadFault SetPaletteColors(const TiffDirectory& directory, TiffPictureFormat& format) {
  const uint32_t n = format.colorCount;
  uint16_t rgb[256][3];
  bool sixteenBits = false;
  for (uint32_t i = 0; i < n; ++i) {
    if (directory.GetColorMapEntry(i, rgb[i][0], rgb[i][1], rgb[i][2]) != TiffResult::kOk) {
      return TiffReadFault::kNoColorMap;
    }
    sixteenBits |= rgb[i][0] > 255 || rgb[i][1] > 255 || rgb[i][2] > 255;
  }
  // Maps of 8-bit values written as 16-bit numbers are still met: they are taken as they are.
  for (uint32_t i = 0; i < n; ++i) {
    for (int c = 0; c < 3; ++c) {
      const uint32_t value = sixteenBits ? rgb[i][c] * 255u / 65535u : (rgb[i][c] & 0xFFu);
      format.colors[i][2 - c] = static_cast<uint8_t>(value);
    }
  }
  return TiffReadFault::kNone;
}

struct Strip {
  uint32_t offset = 0;
  uint32_t bytes = 0;  // as many as are read
  uint32_t rows = 0;
};

// Every strip must lie inside the file and, when its rows are stored as they are, hold them all.
TiffReadFault CollectStrips(const TiffDirectory& directory, uint64_t fileSize, bool copied,
                            uint64_t rowBytes, std::vector<Strip>& strips) {
  const uint32_t count = directory.StripCount();
  // Each strip takes at least a byte of an offset entry: a count beyond the file is a lie.
  if (count == 0 || count > fileSize) return TiffReadFault::kBadStrips;
  try {
    strips.resize(count);
  } catch (const std::bad_alloc&) {
    return TiffReadFault::kRefused;
  }
  for (uint32_t i = 0; i < count; ++i) {
    Strip& strip = strips[i];
    uint32_t stored = 0;
    if (directory.GetStripOffset(i, strip.offset) != TiffResult::kOk ||
        directory.GetStripByteCount(i, stored) != TiffResult::kOk) {
      return TiffReadFault::kBadStrips;
    }
    strip.rows = directory.RowsInStrip(i);
    const uint64_t needed = copied ? rowBytes * strip.rows : stored;
    if (stored == 0 || stored < needed) return TiffReadFault::kBadStrips;
    if (strip.offset > fileSize || needed > fileSize - strip.offset) return TiffReadFault::kBadStrips;
    strip.bytes = static_cast<uint32_t>(needed);
  }
  return TiffReadFault::kNone;
}

// TIFF stores red, green, blue; a DIB blue, green, red. Byte by byte this pass costs more than
// reading the file: where the processor can shuffle bytes (SSSE3), sixteen pixels are turned in
// three registers; elsewhere, and for the ends of a row, a pixel moves as one 32-bit word on
// little-endian machines (its fourth byte, the next pixel's first, is written over by the next step).
void CopySwappingRedAndBlueByWords(const uint8_t* __restrict from, uint8_t* __restrict to, uint32_t width,
                                   uint32_t x) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  for (; x + 1 < width; ++x) {
    uint32_t word;
    std::memcpy(&word, from + 3 * size_t{x}, 4);
    word = (word & 0xFF00FF00u) | (word >> 16 & 0xFFu) | (word & 0xFFu) << 16;
    std::memcpy(to + 3 * size_t{x}, &word, 4);
  }
#endif
  for (; x < width; ++x) {
    to[3 * size_t{x}] = from[3 * size_t{x} + 2];
    to[3 * size_t{x} + 1] = from[3 * size_t{x} + 1];
    to[3 * size_t{x} + 2] = from[3 * size_t{x}];
  }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// Sixteen pixels (48 bytes, three registers) a step, each output register gathered from the input
// registers its bytes come from. The stores bypass the cache: a page's rows are written once and
// are far larger than the cache, so reading the lines in before overwriting them is wasted time.
__attribute__((target("ssse3"))) void CopySwappingRedAndBlueByShuffles(const uint8_t* from, uint8_t* to,
                                                                        uint32_t width) {
  constexpr char z = -128;  // a shuffle index that gives 0
  const __m128i m00 = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, z);
  const __m128i m01 = _mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, 1);
  const __m128i m10 = _mm_setr_epi8(z, 15, z, z, z, z, z, z, z, z, z, z, z, z, z, z);
  const __m128i m11 = _mm_setr_epi8(0, z, 4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11, z, 15);
  const __m128i m12 = _mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, z, z, 0, z);
  const __m128i m21 = _mm_setr_epi8(14, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z);
  const __m128i m22 = _mm_setr_epi8(z, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13);

  // Whole pixels first until the output is aligned for the streaming stores: 3 x 11 = 1 (mod 16).
  const uint32_t misaligned = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(to) & 15u);
  const uint32_t head = std::min(width, (16u - misaligned) * 11u % 16u);
  CopySwappingRedAndBlueByWords(from, to, head, 0);
  uint32_t x = head;
  for (; width - x >= 16; x += 16) {
    const __m128i* in = reinterpret_cast<const __m128i*>(from + 3 * size_t{x});
    const __m128i a0 = _mm_loadu_si128(in);
    const __m128i a1 = _mm_loadu_si128(in + 1);
    const __m128i a2 = _mm_loadu_si128(in + 2);
    __m128i* out = reinterpret_cast<__m128i*>(to + 3 * size_t{x});
    _mm_stream_si128(out, _mm_or_si128(_mm_shuffle_epi8(a0, m00), _mm_shuffle_epi8(a1, m01)));
    _mm_stream_si128(out + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a0, m10), _mm_shuffle_epi8(a1, m11)),
                                           _mm_shuffle_epi8(a2, m12)));
    _mm_stream_si128(out + 2, _mm_or_si128(_mm_shuffle_epi8(a1, m21), _mm_shuffle_epi8(a2, m22)));
  }
  _mm_sfence();
  CopySwappingRedAndBlueByWords(from, to, width, x);
}

bool CanShuffleBytes() {
  static const bool can = __builtin_cpu_supports("ssse3");
  return can;
}
#endif

void CopySwappingRedAndBlue(const uint8_t* __restrict from, uint8_t* __restrict to, uint32_t width) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (CanShuffleBytes()) {
    CopySwappingRedAndBlueByShuffles(from, to, width);
    return;
  }
#endif
  CopySwappingRedAndBlueByWords(from, to, width, 0);
}

}  // namespace

uint32_t TiffPelsPerMeter(const TiffRational& resolution, uint32_t unit) {
  if (resolution.denominator == 0) return 0;
  // Exact integer arithmetic, truncated like the conversion of a scanner's resolution: 300 per
  // inch gives 11811, 118 per centimetre 11800.
  const uint64_t perMetre = unit == kResolutionUnitCentimetre
                                ? uint64_t{resolution.numerator} * 100u / resolution.denominator
                                : uint64_t{resolution.numerator} * 10000u / (uint64_t{254} * resolution.denominator);
  return perMetre > kMostPelsPerMeter ? kMostPelsPerMeter : static_cast<uint32_t>(perMetre);
}

uint16_t TiffDotsPerInch(bool present, const TiffRational& resolution, uint32_t unit) {
  if (!present || resolution.denominator == 0) return 0;
  double dpi = static_cast<double>(resolution.numerator) / resolution.denominator;
  if (unit == kResolutionUnitCentimetre) dpi = std::floor(dpi * 2.54 + 0.5);
  dpi = std::floor(dpi + 0.5);
  return dpi >= 65535.0 ? uint16_t{65535} : static_cast<uint16_t>(dpi);
}

TiffReadFault ReadTiffPicture(TiffSource& source, CcittStripDecoder* decoder, uint8_t kFactor,
                              TiffPictureSink& sink) {
  TiffStream stream(source);
  const TiffResult header = stream.ReadHeader();
  if (header == TiffResult::kSeekFailed) return TiffReadFault::kNoDirectory;
  if (header != TiffResult::kOk) return TiffReadFault::kNotTiff;
  TiffDirectory directory(stream);
  // A directory that fails part-way is used as far as it was read; its strips are checked below.
  if (directory.Read(stream.FirstDirectory()) != TiffResult::kOk && directory.Entries().empty()) {
    return TiffReadFault::kNoDirectory;
  }
  const TiffFields& fields = directory.Fields();
  if (fields.imageWidth == 0 || fields.imageWidth > kLargestDimension || fields.imageLength == 0 ||
      fields.imageLength > kLargestDimension) {
    return TiffReadFault::kBadDimensions;
  }
  if (directory.IsTiled()) return TiffReadFault::kTiled;
  TiffCoding coding = TiffCoding::kCopy;
  if (directory.SelectDecoder(coding) != TiffResult::kOk) return TiffReadFault::kUnsupportedCompression;
  Layout layout;
  if (TiffReadFault fault = ChooseLayout(fields, layout); fault != TiffReadFault::kNone) return fault;
  const bool copied = coding == TiffCoding::kCopy;
  if (!copied && layout.bitCount != 1) return TiffReadFault::kUnsupportedLayout;

  const uint32_t width = fields.imageWidth;
  const uint32_t height = fields.imageLength;
  const uint64_t rowBytes = directory.RowBytes();
  const uint64_t stride = (uint64_t{width} * layout.bitCount + 31) / 32 * 4;
  if (rowBytes == 0 || stride * height > kMaxTiffPictureBytes) return TiffReadFault::kTooLarge;

  TiffPictureFormat format;
  format.width = width;
  format.height = height;
  format.bitCount = layout.bitCount;
  format.rowStride = static_cast<uint32_t>(stride);
  format.colorCount = layout.bitCount <= 8 ? 1u << layout.bitCount : 0;
  if (layout.photometric == kPhotometricPalette) {
    if (TiffReadFault fault = SetPaletteColors(directory, format); fault != TiffReadFault::kNone) return fault;
  } else if (layout.photometric != kPhotometricRgb) {
    SetGreyColors(layout, format);
  }
  if (fields.hasXResolution) format.xPelsPerMeter = TiffPelsPerMeter(fields.xResolution, fields.resolutionUnit);
  if (fields.hasYResolution) format.yPelsPerMeter = TiffPelsPerMeter(fields.yResolution, fields.resolutionUnit);

  std::vector<Strip> strips;
  if (TiffReadFault fault = CollectStrips(directory, source.Size(), copied, rowBytes, strips);
      fault != TiffReadFault::kNone) {
    return fault;
  }
  if (!copied && !decoder) return TiffReadFault::kDecoderFailed;

  // The picture first: the sink decides how large a picture may be before any buffer is made.
  uint8_t* pixels = sink.Begin(format);
  if (!pixels) return TiffReadFault::kRefused;

  // One strip at a time: each CCITT strip is a coding of its own, starting from a white row. The
  // strip buffer holds the largest coded strip, which lies inside the file.
  // Rows of RGB stored as they are pass through it one at a time, to be turned on their way.
  uint32_t largestStrip = copied && layout.bitCount == 24 ? static_cast<uint32_t>(rowBytes) : 0;
  if (!copied) {
    for (const Strip& strip : strips) largestStrip = std::max(largestStrip, strip.bytes);
  }
  const uint32_t lineBytes = format.rowStride;  // for one bit per pixel, L and the DIB's stride agree
  std::vector<uint8_t> stripBuffer;
  std::vector<uint8_t> decoded;
  try {
    stripBuffer.resize(largestStrip);
    if (!copied) decoded.resize(size_t{lineBytes} * directory.RowsPerStrip());
  } catch (const std::bad_alloc&) {
    return TiffReadFault::kRefused;
  }

  CcittStripJob job;
  if (!copied) {
    job.coding = coding;
    job.k = coding == TiffCoding::kGroup3TwoDim ? kFactor : 0;
    job.xDpi = TiffDotsPerInch(fields.hasXResolution, fields.xResolution, fields.resolutionUnit);
    job.yDpi = TiffDotsPerInch(fields.hasYResolution, fields.yResolution, fields.resolutionUnit);
    job.width1200 = SizeIn1200ths(width, job.xDpi);
    job.length1200 = SizeIn1200ths(height, job.yDpi);
    job.bitsPerPixel = 1;
    job.whiteIsZero = layout.photometric == kPhotometricWhiteIsZero;
    job.pixelWidth = width;
    job.lineBytes = lineBytes;
  }

  const bool reversed = fields.fillOrder == kFillOrderLowBitFirst;
  const bool rgb = layout.bitCount == 24;
  uint32_t row = 0;
  for (size_t i = 0; i < strips.size(); ++i) {
    const Strip& strip = strips[i];
    if (copied) {
      // Rows stored as they are go straight into their DIB rows and are turned there.
      for (uint32_t r = 0; r < strip.rows; ++r, ++row) {
        uint8_t* destination = pixels + uint64_t{format.rowStride} * (height - 1 - row);
        const uint64_t at = strip.offset + rowBytes * r;
        const size_t bytes = static_cast<size_t>(rowBytes);
        if (rgb) {
          const uint8_t* from = source.View(at, bytes);
          if (!from) {
            if (!source.ReadAt(at, stripBuffer.data(), bytes)) return TiffReadFault::kBadStrips;
            from = stripBuffer.data();
          }
          CopySwappingRedAndBlue(from, destination, width);
        } else if (!source.ReadAt(at, destination, bytes)) {
          return TiffReadFault::kBadStrips;
        }
        if (reversed) {
          for (size_t b = 0; b < bytes; ++b) destination[b] = ReverseBits(destination[b]);
        }
      }
      continue;
    }
    if (directory.ReadStrip(static_cast<uint32_t>(i), strip.bytes, stripBuffer.data()) != TiffResult::kOk) {
      return TiffReadFault::kBadStrips;
    }
    if (reversed) {
      for (uint32_t b = 0; b < strip.bytes; ++b) stripBuffer[b] = ReverseBits(stripBuffer[b]);
    }
    job.rows = strip.rows;
    job.coded = stripBuffer.data();
    job.codedBytes = strip.bytes;
    job.output = decoded.data();
    job.capacity = lineBytes * strip.rows;
    std::fill(decoded.begin(), decoded.begin() + job.capacity, uint8_t{0});
    uint32_t produced = 0;
    if (!decoder->Decode(job, produced)) return TiffReadFault::kDecoderFailed;
    for (uint32_t r = 0; r < strip.rows; ++r, ++row) {
      uint8_t* destination = pixels + uint64_t{format.rowStride} * (height - 1 - row);
      std::memcpy(destination, decoded.data() + size_t{lineBytes} * r, static_cast<size_t>(rowBytes));
    }
  }
  return TiffReadFault::kNone;
}

}  // namespace quill
