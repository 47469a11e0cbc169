// The numbers a TIFF file codes its fields with: tags, field types and the values of the
// baseline fields. The filter library writes them and the reader reads them; both must agree
// to the number, so they are written down once. Portable: no windows.h.
#pragma once

#include <cstdint>

namespace tiff_codes {

enum TiffTag : uint16_t {
  kTagImageWidth = 256,
  kTagImageLength = 257,
  kTagBitsPerSample = 258,
  kTagCompression = 259,
  kTagPhotometric = 262,
  kTagFillOrder = 266,
  kTagStripOffsets = 273,
  kTagSamplesPerPixel = 277,
  kTagRowsPerStrip = 278,
  kTagStripByteCounts = 279,
  kTagXResolution = 282,
  kTagYResolution = 283,
  kTagPlanarConfiguration = 284,
  kTagT4Options = 292,
  kTagT6Options = 293,
  kTagResolutionUnit = 296,
  kTagColorMap = 320,
  kTagTileWidth = 322,
  kTagTileLength = 323,
  kTagTileOffsets = 324,
  kTagTileByteCounts = 325,
};

enum TiffType : uint16_t {
  kTypeByte = 1,
  kTypeAscii = 2,
  kTypeShort = 3,
  kTypeLong = 4,
  kTypeRational = 5,
  kTypeSByte = 6,
  kTypeUndefined = 7,
  kTypeSShort = 8,
  kTypeSLong = 9,
  kTypeSRational = 10,
  kTypeFloat = 11,
  kTypeDouble = 12,
};

enum TiffCompression : uint16_t {
  kCompressionNone = 1,
  kCompressionModifiedHuffman = 2,
  kCompressionGroup3 = 3,
  kCompressionGroup4 = 4,
};

enum TiffPhotometric : uint16_t {
  kPhotometricWhiteIsZero = 0,
  kPhotometricBlackIsZero = 1,
  kPhotometricRgb = 2,
  kPhotometricPalette = 3,
};

enum : uint16_t {
  kPlanarChunky = 1,
  kFillOrderHighBitFirst = 1,
  kFillOrderLowBitFirst = 2,
  kResolutionUnitNone = 1,
  kResolutionUnitInch = 2,
  kResolutionUnitCentimetre = 3,
};

// The bits of T4Options (one-dimensional coding when none is set) and of T6Options.
enum : uint32_t {
  kT4TwoDimensional = 1,
  kT4Uncompressed = 2,
  kT4FillBits = 4,
  kT6Uncompressed = 2,
};

}  // namespace tiff_codes
