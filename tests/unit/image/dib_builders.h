// DIB headers built field by field, so that each test can spoil exactly one of them, and a block
// whose last byte is followed by an inaccessible page, so that any read past the end crashes.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

#include "image/dib.h"

namespace quill {

inline BITMAPINFOHEADER InfoHeader(LONG width, LONG height, WORD bits, DWORD clrUsed = 0) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = BI_RGB;
  header.biClrUsed = clrUsed;
  return header;
}

// The header followed by `extra` zero bytes (colour table and pixels).
inline std::vector<BYTE> DibBytes(const BITMAPINFOHEADER& header, size_t extra) {
  std::vector<BYTE> bytes(sizeof header + extra);
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

// A core-form header whose first word is `headerSize` (12 for a true BITMAPCOREHEADER), padded
// with zero bytes to that size, followed by `extra` zero bytes.
inline std::vector<BYTE> CoreDibBytes(DWORD headerSize, WORD width, WORD height, WORD bits,
                                      size_t extra) {
  BITMAPCOREHEADER header{};
  header.bcSize = headerSize;
  header.bcWidth = width;
  header.bcHeight = height;
  header.bcPlanes = 1;
  header.bcBitCount = bits;
  std::vector<BYTE> bytes(headerSize + extra);
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

// A movable global block holding `bytes`; the test owns it.
inline GlobalBlock BlockWith(const std::vector<BYTE>& bytes) {
  GlobalBlock block = GlobalBlock::AllocateMovable(bytes.size());
  GlobalLockGuard lock(block.get());
  if (lock) std::memcpy(lock.data(), bytes.data(), bytes.size());
  return block;
}

// One readable page followed by a PAGE_NOACCESS page. Place() copies bytes so that they end
// exactly at the guard page.
class GuardedPage {
 public:
  GuardedPage() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    pageSize_ = info.dwPageSize;
    base_ = static_cast<BYTE*>(
        VirtualAlloc(nullptr, pageSize_ * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (base_) VirtualProtect(base_ + pageSize_, pageSize_, PAGE_NOACCESS, &old);
  }
  ~GuardedPage() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedPage(const GuardedPage&) = delete;
  GuardedPage& operator=(const GuardedPage&) = delete;

  bool ok() const { return base_ != nullptr; }
  // The proof that the page behind a placed block really cannot be read.
  bool GuardIsUnreadable() const { return IsBadReadPtr(base_ + pageSize_, 1) != FALSE; }

  BYTE* Place(const std::vector<BYTE>& bytes) {
    BYTE* start = base_ + pageSize_ - bytes.size();
    std::memcpy(start, bytes.data(), bytes.size());
    return start;
  }

 private:
  DWORD pageSize_ = 0;
  BYTE* base_ = nullptr;
};

// A picture with something different in every pixel: stripes and a diagonal in bilevel images,
// every index of the table otherwise.
// `whiteFirst` puts white at index 0 of a grey table; `colours` gives a colour table instead.
inline GlobalBlock PatternDib(DWORD width, DWORD height, WORD bits, bool whiteFirst, bool colours) {
  GlobalBlock dib = CreateBlankDib(width, height, bits);
  LockedDib locked(dib.get());
  if (!locked) return GlobalBlock();
  const DibLayout& layout = locked.layout();
  auto* table = reinterpret_cast<RGBQUAD*>(locked.colorTable());
  for (DWORD i = 0; i < layout.colorCount; ++i) {
    BYTE grey = static_cast<BYTE>(i * 255 / (layout.colorCount - 1));
    if (whiteFirst) grey = static_cast<BYTE>(255 - grey);
    table[i] = colours ? RGBQUAD{static_cast<BYTE>(i * 53), static_cast<BYTE>(255 - i * 17),
                                 static_cast<BYTE>(i * 91), 0}
                       : RGBQUAD{grey, grey, grey, 0};
  }
  BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(locked.bytes());
  header->biXPelsPerMeter = header->biYPelsPerMeter = 11811;  // 300 dpi
  for (DWORD y = 0; y < layout.rowCount; ++y) {
    BYTE* row = locked.pixels() + y * layout.rowStride;
    for (DWORD i = 0; i < layout.rowStride; ++i) {
      row[i] = static_cast<BYTE>(bits == 1 ? ((y / 7 + i / 3) % 2 ? 0xF0 : 0x0F) ^
                                                 (i == y % layout.rowStride ? 0xFF : 0)
                                           : (y * 13 + i * 7) ^ (i >> 3));
    }
  }
  return dib;
}

}  // namespace quill
