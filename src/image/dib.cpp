#include "image/dib.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "base/byte_order.h"

namespace quill {
namespace {

// Header fields are read byte-wise: a DIB inside a file buffer need not be aligned.
DWORD ReadU32(const void* base, size_t offset) {
  return byte_order::ReadLittle32(static_cast<const uint8_t*>(base) + offset);
}
LONG ReadI32(const void* base, size_t offset) { return static_cast<LONG>(ReadU32(base, offset)); }
WORD ReadU16(const void* base, size_t offset) {
  return byte_order::ReadLittle16(static_cast<const uint8_t*>(base) + offset);
}

// Offsets of the fields in both header forms.
constexpr size_t kInfoWidth = offsetof(BITMAPINFOHEADER, biWidth);
constexpr size_t kInfoHeight = offsetof(BITMAPINFOHEADER, biHeight);
constexpr size_t kInfoBitCount = offsetof(BITMAPINFOHEADER, biBitCount);
constexpr size_t kInfoCompression = offsetof(BITMAPINFOHEADER, biCompression);
constexpr size_t kInfoSizeImage = offsetof(BITMAPINFOHEADER, biSizeImage);
constexpr size_t kInfoClrUsed = offsetof(BITMAPINFOHEADER, biClrUsed);
constexpr size_t kCoreWidth = offsetof(BITMAPCOREHEADER, bcWidth);
constexpr size_t kCoreHeight = offsetof(BITMAPCOREHEADER, bcHeight);
constexpr size_t kCoreBitCount = offsetof(BITMAPCOREHEADER, bcBitCount);

constexpr DWORD kMaxColorCount = 256;

bool IsInfoForm(const void* dib) { return ReadU32(dib, 0) == kDibInfoHeaderSize; }

DWORD ColorCountForBitCount(WORD bits) {
  switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

uint64_t RowStride(uint64_t width, WORD bits) { return (width * bits + 31) / 32 * 4; }

uint64_t AbsoluteHeight(LONG height) {
  return height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height))
                    : static_cast<uint64_t>(height);
}

bool IsSupportedInfoBitCount(WORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}
bool IsSupportedCoreBitCount(WORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

bool IsRunLengthCompression(DWORD compression) {
  return compression == BI_RLE8 || compression == BI_RLE4;
}

bool IsSupportedCompression(DWORD compression, WORD bits, LONG height, DWORD sizeImage) {
  if (compression == BI_RGB) return true;
  // Run-length data is only defined bottom-up, and only its stored length bounds it.
  if (height < 0 || sizeImage == 0) return false;
  return (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
}

// The header fields of either form, not yet checked against anything.
struct RawHeader {
  DibForm form;
  DWORD headerSize;
  LONG width;
  LONG height;
  WORD bitCount;
  DWORD compression;
  DWORD sizeImage;
  DWORD clrUsed;
};

DibFault ReadHeader(const void* data, size_t blockSize, RawHeader* header) {
  if (blockSize < sizeof(DWORD)) return DibFault::kHeaderOutsideBlock;
  header->headerSize = ReadU32(data, 0);
  if (header->headerSize == kDibInfoHeaderSize) {
    if (blockSize < kDibInfoHeaderSize) return DibFault::kHeaderOutsideBlock;
    header->form = DibForm::kInfo;
    header->width = ReadI32(data, kInfoWidth);
    header->height = ReadI32(data, kInfoHeight);
    header->bitCount = ReadU16(data, kInfoBitCount);
    header->compression = ReadU32(data, kInfoCompression);
    header->sizeImage = ReadU32(data, kInfoSizeImage);
    header->clrUsed = ReadU32(data, kInfoClrUsed);
    return DibFault::kNone;
  }
  if (header->headerSize < kDibCoreHeaderSize) return DibFault::kHeaderTooShort;
  if (blockSize < header->headerSize) return DibFault::kHeaderOutsideBlock;
  header->form = DibForm::kCore;
  header->width = ReadU16(data, kCoreWidth);
  header->height = ReadU16(data, kCoreHeight);
  header->bitCount = ReadU16(data, kCoreBitCount);
  header->compression = BI_RGB;
  header->sizeImage = 0;
  header->clrUsed = 0;
  return DibFault::kNone;
}

DibFault CheckFields(const RawHeader& header) {
  if (header.width < 0) return DibFault::kBadWidth;
  if (header.height == LONG_MIN) return DibFault::kBadHeight;
  bool supported = header.form == DibForm::kInfo ? IsSupportedInfoBitCount(header.bitCount)
                                                 : IsSupportedCoreBitCount(header.bitCount);
  if (!supported) return DibFault::kUnsupportedBitCount;
  if (!IsSupportedCompression(header.compression, header.bitCount, header.height,
                              header.sizeImage)) {
    return DibFault::kUnsupportedCompression;
  }
  if (header.clrUsed > kMaxColorCount) return DibFault::kTooManyColors;
  if (header.bitCount <= 8 && header.clrUsed > (DWORD{1} << header.bitCount)) {
    return DibFault::kTooManyColors;
  }
  return DibFault::kNone;
}

DibFault Measure(const RawHeader& header, size_t blockSize, DibLayout* layout) {
  layout->form = header.form;
  layout->headerSize = header.headerSize;
  layout->width = header.width;
  layout->height = header.height;
  layout->rowCount = static_cast<DWORD>(AbsoluteHeight(header.height));
  layout->bitCount = header.bitCount;
  layout->compression = header.compression;
  layout->colorCount =
      header.clrUsed != 0 ? header.clrUsed : ColorCountForBitCount(header.bitCount);
  layout->colorEntrySize = header.form == DibForm::kInfo ? sizeof(RGBQUAD) : sizeof(RGBTRIPLE);
  layout->colorTableSize = layout->colorCount * layout->colorEntrySize;

  const uint64_t pixelOffset = uint64_t{header.headerSize} + layout->colorTableSize;
  if (pixelOffset > blockSize) return DibFault::kColorTableOutsideBlock;

  // The stride is bounded before it is multiplied, so that no product can wrap.
  const uint64_t stride = RowStride(static_cast<uint64_t>(header.width), header.bitCount);
  if (stride > kMaxDibBytes) return DibFault::kTooLarge;
  const uint64_t pixelData = IsRunLengthCompression(header.compression)
                                 ? uint64_t{header.sizeImage}
                                 : stride * layout->rowCount;
  const uint64_t total = pixelOffset + pixelData;
  if (pixelData > kMaxDibBytes || total > kMaxDibBytes) return DibFault::kTooLarge;
  if (total > blockSize) return DibFault::kPixelsOutsideBlock;

  layout->rowStride = static_cast<DWORD>(stride);
  layout->pixelOffset = static_cast<DWORD>(pixelOffset);
  layout->pixelDataSize = static_cast<DWORD>(pixelData);
  layout->totalSize = static_cast<DWORD>(total);
  return DibFault::kNone;
}

WORD RoundUpBitCount(WORD bits) {
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  if (bits <= 24) return 24;
  return 4;
}

// A rectangle's extent as StretchDIBits takes it, without overflowing on extreme coordinates.
int Extent(LONG from, LONG to) {
  const int64_t extent = int64_t{to} - from;
  return static_cast<int>(std::clamp<int64_t>(extent, INT_MIN, INT_MAX));
}

// An info-form header with an RGBQUAD table: what GDI is given for a core-form DIB, so that GDI
// reads exactly the header form and the colour table that were checked, whatever the first word
// of the DIB says.
struct InfoWithColorTable {
  BITMAPINFOHEADER header;
  RGBQUAD colors[kMaxColorCount];
};

void ConvertCoreToInfo(const LockedDib& dib, InfoWithColorTable* info) {
  const DibLayout& layout = dib.layout();
  *info = InfoWithColorTable{};
  info->header.biSize = sizeof(BITMAPINFOHEADER);
  info->header.biWidth = layout.width;
  info->header.biHeight = layout.height;
  info->header.biPlanes = 1;
  info->header.biBitCount = layout.bitCount;
  info->header.biCompression = BI_RGB;
  info->header.biClrUsed = layout.colorCount;
  const BYTE* triples = dib.colorTable();
  for (DWORD i = 0; i < layout.colorCount; ++i) {
    const BYTE* triple = triples + i * sizeof(RGBTRIPLE);
    info->colors[i].rgbBlue = triple[0];
    info->colors[i].rgbGreen = triple[1];
    info->colors[i].rgbRed = triple[2];
  }
}

// A LOGPALETTE with room for `count` entries, zero-filled.
class LogPaletteBuffer {
 public:
  explicit LogPaletteBuffer(WORD count)
      : bytes_(offsetof(LOGPALETTE, palPalEntry) + size_t{count} * sizeof(PALETTEENTRY)) {
    LOGPALETTE* palette = get();
    palette->palVersion = 0x300;
    palette->palNumEntries = count;
  }
  LOGPALETTE* get() { return reinterpret_cast<LOGPALETTE*>(bytes_.data()); }
  PALETTEENTRY* entries() {
    return reinterpret_cast<PALETTEENTRY*>(bytes_.data() + offsetof(LOGPALETTE, palPalEntry));
  }

 private:
  // PALETTEENTRY and LOGPALETTE need no more than WORD alignment, which operator new exceeds.
  std::vector<BYTE> bytes_;
};

}  // namespace

LONG GetDibWidth(const void* dib) {
  return IsInfoForm(dib) ? ReadI32(dib, kInfoWidth) : LONG{ReadU16(dib, kCoreWidth)};
}

LONG GetDibHeight(const void* dib) {
  return IsInfoForm(dib) ? ReadI32(dib, kInfoHeight) : LONG{ReadU16(dib, kCoreHeight)};
}

DWORD GetDibColorCount(const void* dib) {
  if (IsInfoForm(dib)) {
    const DWORD clrUsed = ReadU32(dib, kInfoClrUsed);
    return clrUsed != 0 ? clrUsed : ColorCountForBitCount(ReadU16(dib, kInfoBitCount));
  }
  return ColorCountForBitCount(ReadU16(dib, kCoreBitCount));
}

WORD GetDibColorTableSize(const void* dib) {
  const DWORD entrySize = IsInfoForm(dib) ? sizeof(RGBQUAD) : sizeof(RGBTRIPLE);
  return static_cast<WORD>(GetDibColorCount(dib) * entrySize);
}

BYTE* GetDibPixels(void* dib) {
  return static_cast<BYTE*>(dib) + ReadU32(dib, 0) + GetDibColorTableSize(dib);
}

const BYTE* GetDibPixels(const void* dib) {
  return static_cast<const BYTE*>(dib) + ReadU32(dib, 0) + GetDibColorTableSize(dib);
}

DWORD GetDibTotalSize(void* dib) {
  uint64_t total = uint64_t{ReadU32(dib, 0)} + GetDibColorTableSize(dib);
  const DWORD compression = ReadU32(dib, kInfoCompression);
  if (IsRunLengthCompression(compression)) {
    total += ReadU32(dib, kInfoSizeImage);
  } else {
    const LONG width = ReadI32(dib, kInfoWidth);
    if (width < 0) return 0;
    const uint64_t stride = RowStride(static_cast<uint64_t>(width), ReadU16(dib, kInfoBitCount));
    if (stride > UINT32_MAX) return 0;
    const uint64_t pixelData = stride * AbsoluteHeight(ReadI32(dib, kInfoHeight));
    if (pixelData > UINT32_MAX) return 0;
    total += pixelData;
    if (total > UINT32_MAX) return 0;
    const DWORD sizeImage = static_cast<DWORD>(pixelData);
    std::memcpy(static_cast<BYTE*>(dib) + kInfoSizeImage, &sizeImage, sizeof sizeImage);
  }
  return total > UINT32_MAX ? 0 : static_cast<DWORD>(total);
}

DibFault ValidateDib(const void* data, size_t blockSize, DibLayout* out) {
  if (!data) return DibFault::kNoBlock;
  RawHeader header;
  DibFault fault = ReadHeader(data, blockSize, &header);
  if (fault == DibFault::kNone) fault = CheckFields(header);
  DibLayout layout;
  if (fault == DibFault::kNone) fault = Measure(header, blockSize, &layout);
  if (fault == DibFault::kNone && out) *out = layout;
  return fault;
}

DibFault GetDibTotalSizeChecked(void* dib, size_t blockSize, DWORD* total) {
  DibLayout layout;
  const DibFault fault = ValidateDib(dib, blockSize, &layout);
  if (fault != DibFault::kNone) return fault;
  if (layout.form == DibForm::kInfo && !IsRunLengthCompression(layout.compression)) {
    std::memcpy(static_cast<BYTE*>(dib) + kInfoSizeImage, &layout.pixelDataSize,
                sizeof layout.pixelDataSize);
  }
  if (total) *total = layout.totalSize;
  return DibFault::kNone;
}

LockedDib::LockedDib(HGLOBAL dib) : lock_(dib) {
  if (lock_) fault_ = ValidateDib(lock_.data(), lock_.size(), &layout_);
}

LONG DpiToPixelsPerMeter(LONG dpi) {
  const int64_t ppm = int64_t{dpi} * 10000 / 254;
  return static_cast<LONG>(std::clamp<int64_t>(ppm, LONG_MIN, LONG_MAX));
}

LONG PixelsPerMeterToDpi(LONG ppm) {
  const int64_t dpi = (int64_t{ppm} * 254 + 5000) / 10000;
  return static_cast<LONG>(std::clamp<int64_t>(dpi, LONG_MIN, LONG_MAX));
}

GlobalBlock CreateBlankDib(DWORD width, DWORD height, WORD bits) {
  // The header stores both dimensions as signed 32-bit values.
  if (width > LONG_MAX || height > LONG_MAX) return {};
  const WORD rounded = RoundUpBitCount(bits);
  const uint64_t stride = RowStride(width, rounded);
  if (stride > kMaxDibBytes) return {};
  const uint64_t colorTable = uint64_t{ColorCountForBitCount(rounded)} * sizeof(RGBQUAD);
  const uint64_t total = kDibInfoHeaderSize + colorTable + stride * height;
  if (total > kMaxDibBytes) return {};

  GlobalBlock block = GlobalBlock::AllocateMovable(static_cast<SIZE_T>(total));
  if (!block) return {};
  GlobalLockGuard lock(block.get());
  if (!lock) return {};
  BITMAPINFOHEADER header{};
  header.biSize = kDibInfoHeaderSize;
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(height);
  header.biPlanes = 1;
  header.biBitCount = rounded;
  header.biCompression = BI_RGB;
  // Without row padding, as the BMP and TIFF code expect; cannot wrap, as the padded image fits.
  header.biSizeImage = static_cast<DWORD>(uint64_t{width} * height * rounded / 8);
  std::memcpy(lock.data(), &header, sizeof header);
  return block;
}

int DrawDib(HDC dc, const RECT& dst, HGLOBAL dib, const RECT& src, HPALETTE palette) {
  if (!dib) return 0;
  LockedDib locked(dib);
  if (!locked) return 0;

  InfoWithColorTable converted;
  const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(locked.bytes());
  if (locked.layout().form == DibForm::kCore) {
    ConvertCoreToInfo(locked, &converted);
    info = reinterpret_cast<const BITMAPINFO*>(&converted);
  }

  ScopedPaletteSelection selection(dc, palette, true);
  SetStretchBltMode(dc, COLORONCOLOR);
  return StretchDIBits(dc, dst.left, dst.top, Extent(dst.left, dst.right),
                       Extent(dst.top, dst.bottom), src.left, src.top,
                       Extent(src.left, src.right), Extent(src.top, src.bottom), locked.pixels(),
                       info, DIB_RGB_COLORS, SRCCOPY);
}

int CreatePaletteFromDib(HGLOBAL dib, ScopedPalette& palette) {
  if (!dib) return 0;
  LockedDib locked(dib);
  if (!locked) return 0;
  const DibLayout& layout = locked.layout();
  if (layout.colorCount == 0) return 0;

  try {
    LogPaletteBuffer logical(static_cast<WORD>(layout.colorCount));
    PALETTEENTRY* entries = logical.entries();
    for (DWORD i = 0; i < layout.colorCount; ++i) {
      const BYTE* color = locked.colorTable() + i * layout.colorEntrySize;
      entries[i].peBlue = color[0];
      entries[i].peGreen = color[1];
      entries[i].peRed = color[2];
      entries[i].peFlags = 0;
    }
    HPALETTE created = CreatePalette(logical.get());
    if (!created) return 0;
    palette.reset(created);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

WORD GetPaletteEntryCount(HPALETTE palette) {
  if (!palette) return 0;
  WORD count = 0;
  if (GetObjectA(palette, sizeof count, &count) != sizeof count) return 0;
  return count;
}

ScopedPalette DuplicatePalette(HPALETTE palette) {
  const WORD count = GetPaletteEntryCount(palette);
  if (count == 0) return {};
  try {
    LogPaletteBuffer logical(count);
    if (GetPaletteEntries(palette, 0, count, logical.entries()) != count) return {};
    return ScopedPalette(CreatePalette(logical.get()));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace quill
