#include "twain/memory_image.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "image/dib.h"

namespace quill {
namespace {

// Dots per inch to dots per metre: x 10000 / 254, with the reciprocal written out so that the
// truncated result is the same on every compiler.
constexpr double kReciprocalOf254 = 0.003937007874015748;
constexpr double kCentimetresPerMetre = 100.0;
constexpr DWORD kTableEntriesMax = 256;

bool IsDibDepth(TW_INT16 bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

bool IsCcittCompression(TW_UINT16 compression) {
  return compression == TWCP_GROUP31D || compression == TWCP_GROUP31DEOL ||
         compression == TWCP_GROUP32D || compression == TWCP_GROUP4;
}

RGBQUAD Quad(BYTE red, BYTE green, BYTE blue) {
  RGBQUAD quad{};
  quad.rgbRed = red;
  quad.rgbGreen = green;
  quad.rgbBlue = blue;
  return quad;
}

LONG ClampToLong(double value) {
  if (value >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  if (value <= static_cast<double>(LONG_MIN)) return LONG_MIN;
  return static_cast<LONG>(value);  // truncates toward zero
}

// What readers assume for a DIB of 8 bits or fewer that names no colours: the full table.
std::vector<RGBQUAD> ImpliedGrayTable(WORD bits) {
  const DWORD count = DWORD{1} << bits;
  std::vector<RGBQUAD> table;
  for (DWORD i = 0; i < count; ++i) {
    const BYTE v = static_cast<BYTE>(i * 255 / (count - 1));
    table.push_back(Quad(v, v, v));
  }
  return table;
}

void SwapRedAndBlue(BYTE* row, DWORD bytes) {
  for (DWORD i = 0; i + 2 < bytes; i += 3) std::swap(row[i], row[i + 2]);
}

}  // namespace

LayoutFault ComputeMemoryImageLayout(const TW_IMAGEINFO& info, MemoryImageLayout& layout) {
  layout = MemoryImageLayout();
  if (info.ImageWidth <= 0 || !IsDibDepth(info.BitsPerPixel)) return LayoutFault::kUnusable;
  if (info.ImageLength <= 0 && info.ImageLength != kUnknownImageLength) return LayoutFault::kUnusable;
  if (info.Compression != TWCP_NONE &&
      (!IsCcittCompression(info.Compression) || info.BitsPerPixel != 1)) {
    return LayoutFault::kUnusable;
  }
  const uint64_t bitsPerRow = uint64_t(info.ImageWidth) * uint64_t(info.BitsPerPixel);
  const uint64_t stride = (bitsPerRow + 31) / 32 * 4;
  if (stride > kMaxDibBytes) return LayoutFault::kTooLarge;
  layout.width = static_cast<DWORD>(info.ImageWidth);
  layout.bitsPerPixel = static_cast<WORD>(info.BitsPerPixel);
  layout.stride = static_cast<DWORD>(stride);
  layout.packedRowBytes = static_cast<DWORD>((bitsPerRow + 7) / 8);
  layout.lengthKnown = info.ImageLength != kUnknownImageLength;
  if (!layout.lengthKnown) return LayoutFault::kNone;
  layout.rows = static_cast<DWORD>(info.ImageLength);
  layout.imageBytes = uint64_t{layout.rows} * stride;
  const uint64_t colourTable = uint64_t{kTableEntriesMax} * sizeof(RGBQUAD);
  if (kDibInfoHeaderSize + colourTable + layout.imageBytes > kMaxDibBytes) return LayoutFault::kTooLarge;
  return LayoutFault::kNone;
}

LONG ResolutionToPixelsPerMeter(TW_FIX32 resolution, TW_UINT16 unit) {
  const double dots = resolution.Whole + resolution.Frac / 65536.0;
  if (unit == TWUN_INCHES) return ClampToLong(dots * 10000.0 * kReciprocalOf254);
  if (unit == TWUN_CENTIMETERS) return ClampToLong(dots * kCentimetresPerMetre);
  return 0;
}

std::vector<RGBQUAD> BlackAndWhiteTable(TW_UINT16 flavor) {
  const RGBQUAD black = Quad(0, 0, 0);
  const RGBQUAD white = Quad(255, 255, 255);
  if (flavor == TWPF_CHOCOLATE) return {black, white};
  return {white, black};
}

std::vector<RGBQUAD> GrayTable(TW_UINT16 flavor, WORD bitsPerPixel) {
  // One entry per value the pixels can hold, evenly spread from black to white (steps of 17 at
  // 4 bits): a DIB has room for no more, and fewer would leave values without a grey.
  const WORD bits = bitsPerPixel >= 1 && bitsPerPixel <= 8 ? bitsPerPixel : WORD{8};
  std::vector<RGBQUAD> table = ImpliedGrayTable(bits);
  if (flavor == TWPF_VANILLA) std::reverse(table.begin(), table.end());
  return table;
}

std::vector<RGBQUAD> SourcePaletteTable(const TW_PALETTE8& palette, WORD bitsPerPixel) {
  // No more entries than the pixels can index: a longer table would make the DIB invalid.
  DWORD count = std::min<DWORD>(palette.NumColors, kTableEntriesMax);
  if (bitsPerPixel <= 8) count = std::min<DWORD>(count, DWORD{1} << bitsPerPixel);
  std::vector<RGBQUAD> table;
  for (DWORD i = 0; i < count; ++i) {
    const TW_ELEMENT8& colour = palette.Colors[i];
    table.push_back(Quad(colour.Channel1, colour.Channel2, colour.Channel3));
  }
  return table;
}

GlobalBlock CreateTransferDib(const MemoryImageLayout& layout, DWORD rows,
                              const DibDescription& description) {
  if (rows == 0) return {};
  GlobalBlock dib = CreateBlankDib(layout.width, rows, layout.bitsPerPixel);
  if (!dib) return {};
  GlobalLockGuard lock(dib.get());
  if (!lock) return {};
  const bool implied = description.colours.empty() && layout.bitsPerPixel <= 8;
  const std::vector<RGBQUAD> table =
      implied ? ImpliedGrayTable(layout.bitsPerPixel) : description.colours;
  // The blank DIB has room for the full table of its depth; a shorter one leaves spare bytes.
  const SIZE_T needed = kDibInfoHeaderSize + table.size() * sizeof(RGBQUAD) +
                        SIZE_T{layout.stride} * rows;
  if (lock.size() < needed) return {};
  BITMAPINFOHEADER header;
  std::memcpy(&header, lock.bytes(), sizeof header);
  header.biSizeImage = layout.stride * rows;
  header.biXPelsPerMeter = description.xPelsPerMeter;
  header.biYPelsPerMeter = description.yPelsPerMeter;
  header.biClrUsed = implied ? 0 : static_cast<DWORD>(table.size());
  header.biClrImportant = 0;
  std::memcpy(lock.bytes(), &header, sizeof header);
  if (!table.empty()) {
    std::memcpy(lock.bytes() + kDibInfoHeaderSize, table.data(), table.size() * sizeof(RGBQUAD));
  }
  return dib;
}

BYTE* DibRowTarget::NextRow() {
  if (written_ >= rows_) return nullptr;
  BYTE* row = pixels_ + SIZE_T{rows_ - 1 - written_} * stride_;
  ++written_;
  return row;
}

BYTE* GrowingRowTarget::NextRow() {
  if (uint64_t{written_ + 1} * stride_ > maxBytes_ || written_ == LONG_MAX) return nullptr;
  try {
    rows_.resize(rows_.size() + stride_, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  ++written_;
  return rows_.data() + rows_.size() - stride_;
}

void GrowingRowTarget::CopyInto(BYTE* pixels) const {
  for (DWORD row = 0; row < written_; ++row) {
    std::memcpy(pixels + SIZE_T{written_ - 1 - row} * stride_, rows_.data() + SIZE_T{row} * stride_,
                stride_);
  }
}

StripRowFormat ReadStripRowFormat(const TW_IMAGEMEMXFER& strip, DWORD bytesWritten,
                                  const MemoryImageLayout& layout) {
  StripRowFormat format;
  const bool rowLengthGiven = strip.BytesPerRow != 0 && strip.BytesPerRow != TWON_DONTCARE32;
  format.bytesPerRow = rowLengthGiven ? strip.BytesPerRow : layout.stride;
  if (format.bytesPerRow == 0) return format;
  format.rowCount = bytesWritten / format.bytesPerRow;
  const bool rowsGiven = strip.Rows != 0 && strip.Rows != TWON_DONTCARE32;
  if (rowsGiven) format.rowCount = std::min<DWORD>(format.rowCount, strip.Rows);
  return format;
}

DWORD CopyStrip(RowTarget& target, const BYTE* data, DWORD bytesWritten,
                const TW_IMAGEMEMXFER& strip, const MemoryImageLayout& layout, bool swapRedBlue) {
  const StripRowFormat format = ReadStripRowFormat(strip, bytesWritten, layout);
  const DWORD rowBytes = std::min(format.bytesPerRow, layout.packedRowBytes);
  DWORD copied = 0;
  for (; copied < format.rowCount; ++copied) {
    BYTE* row = target.NextRow();
    if (!row) break;
    std::memcpy(row, data + SIZE_T{copied} * format.bytesPerRow, rowBytes);
    if (swapRedBlue) SwapRedAndBlue(row, rowBytes);
  }
  return copied;
}

DWORD CopyPackedRows(RowTarget& target, const BYTE* data, DWORD rows,
                     const MemoryImageLayout& layout) {
  DWORD copied = 0;
  for (; copied < rows; ++copied) {
    BYTE* row = target.NextRow();
    if (!row) break;
    std::memcpy(row, data + SIZE_T{copied} * layout.packedRowBytes, layout.packedRowBytes);
  }
  return copied;
}

GatherBuffer::GatherBuffer(SIZE_T initial, SIZE_T limit) : limit_(limit) {
  const SIZE_T size = std::max<SIZE_T>(1, std::min(initial, limit));
  block_ = GlobalBlock::AllocateMovable(size);
  if (block_) capacity_ = size;
}

bool GatherBuffer::Reserve(SIZE_T bytes) {
  if (bytes <= capacity_) return true;
  SIZE_T grown = std::max(bytes, capacity_ > limit_ / 2 ? limit_ : capacity_ * 2);
  grown = std::min(grown, limit_);
  if (grown <= capacity_) return false;
  HGLOBAL moved = GlobalReAlloc(block_.get(), grown, GMEM_MOVEABLE | GMEM_ZEROINIT);
  if (!moved) return false;
  block_.release();
  block_.reset(moved);
  capacity_ = grown;
  return true;
}

bool GatherBuffer::Append(const BYTE* data, SIZE_T bytes) {
  if (!block_) return false;
  const SIZE_T room = limit_ - used_;
  SIZE_T wanted = std::min(bytes, room);
  if (!Reserve(used_ + wanted)) wanted = capacity_ - used_;
  GlobalLockGuard lock(block_.get());
  if (!lock) return false;
  std::memcpy(lock.bytes() + used_, data, wanted);
  used_ += wanted;
  return wanted == bytes;
}

}  // namespace quill
