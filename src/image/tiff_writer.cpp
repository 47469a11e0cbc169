#include "image/tiff_writer.h"

#include <algorithm>
#include <cstring>

#include "image/dib.h"
#include "filter/kestrel_filter.h"
#include "framework/message_box.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

const WORD kDefaultDpi = 240;
const DWORD kRowsInOneInch = 1200;

// One save at a time: the block and the data it points at belong to the module.
CodingParams g_codingParams;

void ReportOutOfMemory() {
  const std::string text = qfw::LoadResourceString(IDS_OUT_OF_MEMORY);
  qfw::ShowMessageBox(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

WORD DpiFromFix32(const TW_FIX32& value) {
  const double dpi = value.Whole + value.Frac / 65536.0;
  return dpi >= 1 && dpi < 65536 ? static_cast<WORD>(dpi) : 0;
}

WORD DpiFromPelsPerMeter(LONG perMeter) {
  if (perMeter <= 0) return kDefaultDpi;
  const LONG dpi = PixelsPerMeterToDpi(perMeter);
  return dpi > 0 && dpi < 65536 ? static_cast<WORD>(dpi) : kDefaultDpi;
}

// Width or length in 1/1200 inch; a resolution of 0 (an unknown one) counts as the default.
DWORD SizeIn1200ths(DWORD pixels, WORD dpi) {
  const double inches = static_cast<double>(pixels) / (dpi != 0 ? dpi : kDefaultDpi);
  const double size = inches * kRowsInOneInch;
  return size < 4294967295.0 ? static_cast<DWORD>(size) : 0xFFFFFFFFu;
}

bool IsWhite(const RGBQUAD& colour) {
  return colour.rgbBlue == 255 && colour.rgbGreen == 255 && colour.rgbRed == 255;
}

// A table of every grey of the depth in even steps, from black to white or from white to black:
// such an image is stored as grey, its indexes being its greys. Any other table, a short ramp of
// an 8-bit image among them, goes with the file as its colour map, or its pixels would be read
// as the wrong greys.
bool IsGreyRamp(const RGBQUAD* table, DWORD count, WORD bits) {
  if (bits < 1 || bits > 8 || count != (DWORD{1} << bits)) return false;
  const bool rising = table[0].rgbRed == 0;
  for (DWORD i = 0; i < count; ++i) {
    const DWORD step = rising ? i : count - 1 - i;
    const BYTE grey = static_cast<BYTE>(step * 255 / (count - 1));
    if (table[i].rgbRed != grey || table[i].rgbGreen != grey || table[i].rgbBlue != grey) return false;
  }
  return true;
}

struct Geometry {
  WORD xDpi = kDefaultDpi;
  WORD yDpi = kDefaultDpi;
  DWORD width = 0;   // pixels
  DWORD height = 0;  // rows
  DWORD rowBytes = 0;
};

Geometry GeometryOf(const DibLayout& layout, const BYTE* header, const TW_IMAGEINFO* info) {
  Geometry g;
  g.width = static_cast<DWORD>(layout.width);
  g.height = layout.rowCount;
  if (info) {
    g.xDpi = DpiFromFix32(info->XResolution);
    g.yDpi = DpiFromFix32(info->YResolution);
    // The DIB decides the size whenever the source's figures would reach outside it.
    if (info->ImageWidth >= 1 && static_cast<DWORD>(info->ImageWidth) <= g.width) {
      g.width = static_cast<DWORD>(info->ImageWidth);
    }
    if (info->ImageLength >= 1 && static_cast<DWORD>(info->ImageLength) <= g.height) {
      g.height = static_cast<DWORD>(info->ImageLength);
    }
  } else {
    BITMAPINFOHEADER infoHeader;
    std::memcpy(&infoHeader, header, sizeof infoHeader);
    g.xDpi = DpiFromPelsPerMeter(infoHeader.biXPelsPerMeter);
    g.yDpi = DpiFromPelsPerMeter(infoHeader.biYPelsPerMeter);
  }
  // The last partial byte of a row stays: the right edge of the page is never cut.
  g.rowBytes = static_cast<DWORD>((uint64_t{layout.bitCount} * g.width + 7) / 8);
  return g;
}

// The rows top-down, each `rowBytes` long, in a new block; none when memory runs out.
GlobalBlock PackRows(const LockedDib& dib, const Geometry& g) {
  const uint64_t bytes = uint64_t{g.rowBytes} * g.height;
  if (bytes == 0 || bytes > kMaxDibBytes) return GlobalBlock();
  GlobalBlock packed = GlobalBlock::AllocateMovable(static_cast<SIZE_T>(bytes));
  GlobalLockGuard lock(packed.get());
  if (!lock) return GlobalBlock();
  const DibLayout& layout = dib.layout();
  const bool topDown = layout.height < 0;
  for (DWORD r = 0; r < g.height; ++r) {
    const DWORD dibRow = topDown ? r : layout.rowCount - 1 - r;
    std::memcpy(lock.bytes() + uint64_t{g.rowBytes} * r, dib.pixels() + uint64_t{layout.rowStride} * dibRow,
                g.rowBytes);
  }
  return packed;
}

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(p)); }

void DescribeImage(KestrelFilter& filter, const Geometry& g, BYTE bits) {
  filter.SetXResolution(g.xDpi);
  filter.SetYResolution(g.yDpi);
  filter.SetImageWidth(SizeIn1200ths(g.width, g.xDpi));
  filter.SetImageLength(SizeIn1200ths(g.height, g.yDpi));
  filter.SetBitsPerPixel(bits);
}

// The coded data of one page, for a buffer of `capacity` bytes: the library's status (an error
// when the data did not fit) and the coded length in `encodedBytes`.
WORD EncodeInto(KestrelFilter& filter, const GlobalLockGuard& rows, const Geometry& g, BYTE mode, BYTE k,
                DWORD whiteIsZero, const GlobalLockGuard& output, uint64_t capacity, DWORD& encodedBytes) {
  filter.Reset();
  filter.SetEncode(mode, k);
  filter.SetWhiteIsZero(whiteIsZero);
  std::memset(&g_codingParams, 0, sizeof g_codingParams);
  g_codingParams.word[1] = g.rowBytes * g.height;
  g_codingParams.word[2] = g.rowBytes;
  g_codingParams.word[3] = g.height;
  g_codingParams.word[5] = Address(rows.data());
  g_codingParams.word[7] = static_cast<uint32_t>(capacity);
  g_codingParams.word[8] = g.width;
  g_codingParams.word[11] = Address(output.data());
  WORD status = 0;
  try {
    status = filter.Execute(&g_codingParams, 2, 3);
  } catch (const CKestrelException& failure) {
    status = static_cast<WORD>(failure.Code());
  }
  encodedBytes = status == kestrel::kStatusSuccess ? g_codingParams.word[7] : 0;
  return status;
}

// Encodes the packed rows in memory; the encoded data in `encoded` and their length returned.
// Coded data is usually far smaller than the rows, but dithered or noisy pages code larger
// (ordered dither about 3x, a checkerboard 4.5x and more): the buffer grows until it holds the
// worst case of every mode, a byte per pixel plus each row's end of line. False when the page
// could not be encoded (a lack of memory is reported here): then nothing may be written.
bool EncodeInMemory(KestrelFilter& filter, const GlobalLockGuard& rows, const Geometry& g, BYTE mode,
                    BYTE k, DWORD whiteIsZero, GlobalBlock& encoded, DWORD& encodedBytes) {
  const uint64_t worstCase = uint64_t{g.width} * g.height + uint64_t{8} * g.height + 64;
  try {
    filter.AllocWorkBuffer(static_cast<size_t>(g.rowBytes) * 2);
  } catch (const CKestrelException&) {
    ReportOutOfMemory();
    return false;
  }
  WORD status = 0;
  for (uint64_t capacity = std::min(uint64_t{g.rowBytes} * g.height * 2 + 1024, worstCase);;
       capacity = std::min(capacity * 2, worstCase)) {
    encoded = capacity <= kMaxDibBytes ? GlobalBlock::AllocateMovable(static_cast<SIZE_T>(capacity))
                                       : GlobalBlock();
    GlobalLockGuard output(encoded.get());
    if (!output) {
      filter.FreeWorkBuffer();
      ReportOutOfMemory();
      return false;
    }
    status = EncodeInto(filter, rows, g, mode, k, whiteIsZero, output, capacity, encodedBytes);
    // An error from an encode is coded data that did not fit.
    if (status != kestrel::kStatusError || capacity == worstCase) break;
  }
  filter.FreeWorkBuffer();
  return status == kestrel::kStatusSuccess && encodedBytes > 0;
}

}  // namespace

BYTE CodingModeForCompression(DWORD compress) {
  using kestrel::CodingMode;
  CodingMode mode = CodingMode::None;
  switch (compress) {
    case kCompressG3OneDim: mode = CodingMode::Group3OneDim; break;
    case kCompressG3OneDimEol: mode = CodingMode::Group3FilledEol; break;
    case kCompressG3TwoDim: mode = CodingMode::Group3TwoDim; break;
    case kCompressG4: mode = CodingMode::Group4; break;
    default: break;
  }
  return static_cast<BYTE>(mode);
}

WORD WriteDibToTiffWith(KestrelFilter& filter, HGLOBAL dib, const char* path,
                        const TW_IMAGEINFO* info, DWORD compress, DWORD kFactor) {
  if (!dib || !path) return 0;
  LockedDib locked(dib);
  // Run-length rows are not rows of the image's width: they cannot be packed as such.
  if (!locked || locked.layout().form != DibForm::kInfo || locked.layout().compression != BI_RGB) return 0;
  const DibLayout& layout = locked.layout();
  const auto* table = reinterpret_cast<const RGBQUAD*>(locked.colorTable());
  const DWORD whiteIsZero = layout.colorCount > 0 && IsWhite(table[0]) ? 1 : 0;
  const Geometry g = GeometryOf(layout, locked.bytes(), info);
  const BYTE bits = static_cast<BYTE>(layout.bitCount);

  GlobalBlock data = PackRows(locked, g);
  GlobalLockGuard dataLock(data.get());
  if (!dataLock) {
    ReportOutOfMemory();
    return 0;
  }
  DWORD dataBytes = g.rowBytes * g.height;
  const BYTE mode = bits == 1 ? CodingModeForCompression(compress) : 0;
  const BYTE k =
      mode == static_cast<BYTE>(kestrel::CodingMode::Group3TwoDim) ? static_cast<BYTE>(kFactor) : 0;
  DescribeImage(filter, g, bits);
  if (mode != static_cast<BYTE>(kestrel::CodingMode::None)) {
    GlobalBlock encoded;
    if (!EncodeInMemory(filter, dataLock, g, mode, k, whiteIsZero, encoded, dataBytes)) return 0;
    dataLock = GlobalLockGuard();
    data = std::move(encoded);
    dataLock = GlobalLockGuard(data.get());
    if (!dataLock) return 0;
  }

  filter.Reset();
  filter.SetFileOutput(path, 0, 1, mode, k, 0, 0);
  DescribeImage(filter, g, bits);
  filter.SetWhiteIsZero(whiteIsZero);
  std::memset(&g_codingParams, 0, sizeof g_codingParams);
  g_codingParams.word[1] = dataBytes;
  g_codingParams.word[2] = g.rowBytes;
  g_codingParams.word[3] = g.height;
  g_codingParams.word[5] = Address(dataLock.data());
  g_codingParams.word[8] = g.width;
  // Colours other than greys go with the file, so that a palette image keeps them.
  if (bits > 1 && bits <= 8 && layout.colorCount > 0 && !IsGreyRamp(table, layout.colorCount, bits)) {
    g_codingParams.word[9] = Address(table);
    g_codingParams.word[10] = layout.colorCount;
  }
  WORD status = 0;
  try {
    status = filter.Execute(&g_codingParams, 1, 3);
  } catch (const CKestrelException& failure) {
    status = static_cast<WORD>(failure.Code());
  }
  return status == kestrel::kStatusSuccess || status == kestrel::kStatusRepaired ? status : 0;
}

WORD WriteDibToTiff(HGLOBAL dib, const char* path, const TW_IMAGEINFO* info) {
  KestrelFilter* filter = ProgramFilter();
  if (!filter) return 0;
  return WriteDibToTiffWith(*filter, dib, path, info, TheSettings().Compress, TheSettings().KFactor);
}

}  // namespace quill
