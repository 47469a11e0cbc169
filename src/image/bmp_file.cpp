#include "image/bmp_file.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "image/dib.h"

namespace quill {
namespace {

const WORD kBmpSignature = 0x4D42;  // "BM"
const std::size_t kFileHeaderSize = 14;

using byte_order::ReadLittle16;
using byte_order::ReadLittle32;

// The larger info headers share the 40-byte header's first fields.
bool IsLargerInfoHeader(DWORD headerSize) {
  return headerSize > kDibInfoHeaderSize && headerSize <= 124;
}

// Entries of the colour table that follows a 40-byte style header: biClrUsed, or what the bit
// count needs. False when biClrUsed asks for more than the bit count can index.
bool ColourEntries(const BITMAPINFOHEADER& header, DWORD& entries) {
  const WORD bits = header.biBitCount;
  if (bits <= 8) {
    const DWORD most = 1u << bits;
    entries = header.biClrUsed != 0 ? header.biClrUsed : most;
    return entries <= most;
  }
  entries = header.biClrUsed;
  return entries <= 256;
}

// A DIB in the 40-byte form made of the header's first 40 bytes, the colour table that follows
// the header, and the pixel rows at `pixelOffset` (counted from the start of the DIB).
GlobalBlock ConvertToInfoForm(const BYTE* dib, std::size_t size, DWORD pixelOffset) {
  const DWORD headerSize = ReadLittle32(dib);
  if (size < headerSize || headerSize < kDibInfoHeaderSize) return GlobalBlock();
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof header);
  if (header.biCompression != BI_RGB) return GlobalBlock();
  DWORD entries = 0;
  if (!ColourEntries(header, entries)) return GlobalBlock();
  const uint64_t tableBytes = uint64_t{entries} * sizeof(RGBQUAD);
  const uint64_t afterTable = headerSize + tableBytes;
  if (afterTable > size) return GlobalBlock();
  // The file header's offset is believed only where the whole picture fits from it; otherwise
  // the pixels follow the header and the colour table, as in most files.
  const uint64_t rowBytes = (uint64_t{static_cast<DWORD>(header.biWidth)} * header.biBitCount + 31) / 32 * 4;
  const int64_t height = header.biHeight;
  const uint64_t pixelBytesNeeded = rowBytes * static_cast<uint64_t>(height < 0 ? -height : height);
  if (pixelOffset < afterTable || pixelOffset > size || size - pixelOffset < pixelBytesNeeded) {
    pixelOffset = static_cast<DWORD>(afterTable);
  }
  header.biSize = kDibInfoHeaderSize;
  header.biSizeImage = 0;
  const std::size_t pixelBytes = size - pixelOffset;
  GlobalBlock converted =
      GlobalBlock::AllocateMovable(kDibInfoHeaderSize + static_cast<std::size_t>(tableBytes) + pixelBytes);
  GlobalLockGuard lock(converted.get());
  if (!lock) return GlobalBlock();
  BYTE* out = lock.bytes();
  std::memcpy(out, &header, sizeof header);
  std::memcpy(out + sizeof header, dib + headerSize, static_cast<std::size_t>(tableBytes));
  std::memcpy(out + sizeof header + tableBytes, dib + pixelOffset, pixelBytes);
  if (ValidateDib(out, lock.size(), nullptr) != DibFault::kNone) return GlobalBlock();
  lock.unlock();
  return converted;
}

// Where the pixels start when the file header's offset is to be believed: inside the DIB and
// past its header. 0 otherwise.
DWORD PixelOffsetFromFileHeader(const BYTE* fileHeader, std::size_t dibSize) {
  const DWORD offBits = ReadLittle32(fileHeader + 10);
  if (offBits < kFileHeaderSize + kDibInfoHeaderSize || offBits - kFileHeaderSize > dibSize) return 0;
  return offBits - static_cast<DWORD>(kFileHeaderSize);
}

// Every DIB a file gives is kept bottom-up, the layout the view, Copy and the writers all
// expect: top-down rows are turned over and the height made positive.
GlobalBlock TurnedBottomUp(GlobalBlock dib) {
  GlobalLockGuard lock(dib.get());
  DibLayout layout;
  if (!lock || ValidateDib(lock.bytes(), lock.size(), &layout) != DibFault::kNone ||
      layout.form != DibForm::kInfo || layout.height >= 0 || layout.compression != BI_RGB) {
    return dib;
  }
  BYTE* pixels = lock.bytes() + layout.pixelOffset;
  std::vector<BYTE> spare(layout.rowStride);
  for (DWORD top = 0, bottom = layout.rowCount - 1; top < bottom; ++top, --bottom) {
    BYTE* upper = pixels + std::size_t{top} * layout.rowStride;
    BYTE* lower = pixels + std::size_t{bottom} * layout.rowStride;
    std::memcpy(spare.data(), upper, layout.rowStride);
    std::memcpy(upper, lower, layout.rowStride);
    std::memcpy(lower, spare.data(), layout.rowStride);
  }
  const LONG height = static_cast<LONG>(layout.rowCount);
  std::memcpy(lock.bytes() + offsetof(BITMAPINFOHEADER, biHeight), &height, sizeof height);
  return dib;
}

}  // namespace

int WriteDibToBmpFile(HGLOBAL dib, qfw::File& file) {
  if (!dib) return 0;
  LockedDib locked(dib);
  if (!locked || locked.layout().headerSize != kDibInfoHeaderSize) return 0;
  const DWORD total = GetDibTotalSize(locked.bytes());
  if (total == 0) return 0;
  BYTE header[kFileHeaderSize] = {};
  const DWORD fileSize = total + static_cast<DWORD>(kFileHeaderSize);
  const DWORD offBits = static_cast<DWORD>(kFileHeaderSize) + locked.layout().pixelOffset;
  header[0] = 'B';
  header[1] = 'M';
  std::memcpy(header + 2, &fileSize, 4);
  std::memcpy(header + 10, &offBits, 4);
  file.Write(header, sizeof header);
  file.Write(locked.bytes(), total);
  return 1;
}

GlobalBlock ReadBmpFileToDib(qfw::File& file) {
  const std::size_t length = file.GetLength();
  BYTE fileHeader[kFileHeaderSize];
  if (length < kFileHeaderSize || file.Read(fileHeader, sizeof fileHeader) != sizeof fileHeader ||
      ReadLittle16(fileHeader) != kBmpSignature) {
    return GlobalBlock();
  }
  const std::size_t dibSize = length - kFileHeaderSize;
  if (dibSize < sizeof(DWORD)) return GlobalBlock();
  // The surplus of 14 bytes stays zero at the end of the block.
  GlobalBlock block = GlobalBlock::AllocateMovable(length);
  if (!block) return GlobalBlock();
  {
    GlobalLockGuard lock(block.get());
    if (!lock || file.Read(lock.bytes(), dibSize) != dibSize) return GlobalBlock();
    const DWORD headerSize = ReadLittle32(lock.bytes());
    const DWORD pixelOffset = PixelOffsetFromFileHeader(fileHeader, dibSize);
    if (IsLargerInfoHeader(headerSize)) {
      return TurnedBottomUp(ConvertToInfoForm(lock.bytes(), dibSize, pixelOffset));
    }
    DibLayout layout;
    if (headerSize == kDibInfoHeaderSize && pixelOffset > 0 &&
        ValidateDib(lock.bytes(), dibSize, &layout) == DibFault::kNone &&
        layout.compression == BI_RGB && pixelOffset != layout.pixelOffset &&
        dibSize - pixelOffset >= layout.pixelDataSize) {
      // A gap between colour table and pixels: the pixels are where the file says.
      return TurnedBottomUp(ConvertToInfoForm(lock.bytes(), dibSize, pixelOffset));
    }
    // Pixel rows cut short, or sizes that reach past the file: not a picture to show.
    if (ValidateDib(lock.bytes(), dibSize, nullptr) != DibFault::kNone) return GlobalBlock();
  }
  return TurnedBottomUp(std::move(block));
}

}  // namespace quill
