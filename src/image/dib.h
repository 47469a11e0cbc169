// The program's one image type: a packed device-independent bitmap in one movable global memory
// block (header, colour table, pixel rows padded to 32 bits, bottom row first), passed by its
// handle. Whoever holds the handle owns the block; nothing here frees a DIB it is given.
//
// Two header forms are read: the 40-byte info form (BITMAPINFOHEADER), the only one the program
// creates, and the 12-byte core form (BITMAPCOREHEADER). The first 32-bit word decides: exactly 40
// is the info form, anything else the core form.
//
// The getters that take only a pointer trust the header. A DIB that comes from outside (a file,
// a scanner, the clipboard) is checked first with ValidateDib, or used through LockedDib, which
// knows the size of its block and refuses a header whose sizes reach outside it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "image/win_handles.h"

namespace quill {

constexpr DWORD kDibInfoHeaderSize = 40;
constexpr DWORD kDibCoreHeaderSize = 12;

// The largest DIB the program accepts, header and colour table included. It stays well below
// 2 GiB so that every size derived from it (a BMP file size with its file header, a signed 32-bit
// file size, a 32-bit biSizeImage) fits without overflow in both builds.
constexpr uint64_t kMaxDibBytes = 0x7FFF0000u;

// ---- Pointer helpers: the argument points at a locked DIB whose header is trusted. ----

LONG GetDibWidth(const void* dib);
// Negative for an info-form DIB stored top-down.
LONG GetDibHeight(const void* dib);
// biClrUsed when it is not 0, otherwise 2, 16 or 256 for 1, 4 or 8 bits, 0 for other bit counts.
DWORD GetDibColorCount(const void* dib);
// Colour count times the entry size (4 bytes info form, 3 bytes core form), modulo 65536.
WORD GetDibColorTableSize(const void* dib);
// The first byte of the first (bottom) pixel row: header size plus colour-table size.
BYTE* GetDibPixels(void* dib);
const BYTE* GetDibPixels(const void* dib);
// Header, colour table and pixel data of an info-form DIB in bytes. Without RLE compression the
// padded pixel-data size is computed and stored into biSizeImage. 0 when the header's sizes do
// not fit in 32 bits (biSizeImage is then left alone).
DWORD GetDibTotalSize(void* dib);

// ---- Checked access: the block size is known. ----

enum class DibFault {
  kNone,
  kNoBlock,                 // no handle, a handle that cannot be locked, or a null pointer
  kHeaderOutsideBlock,      // the block is shorter than the header it announces
  kHeaderTooShort,          // first word below 12: header and colour table would overlap
  kBadWidth,                // negative width
  kBadHeight,               // height that has no absolute value in 32 bits
  kUnsupportedBitCount,     // not 1, 4, 8, 16, 24 or 32 (core form: 1, 4, 8 or 24)
  kUnsupportedCompression,  // not BI_RGB, BI_RLE8 with 8 bits or BI_RLE4 with 4 bits, bottom-up
  kTooManyColors,           // biClrUsed beyond 256 or beyond what the bit count can index
  kColorTableOutsideBlock,  // the colour table reaches past the end of the block
  kTooLarge,                // the image needs more than kMaxDibBytes
  kPixelsOutsideBlock,      // the pixel rows reach past the end of the block
};

enum class DibForm { kInfo, kCore };

// Everything the pointer helpers derive from a header, computed once the header has been found
// to fit its block. Offsets count from the start of the DIB.
struct DibLayout {
  DibForm form = DibForm::kInfo;
  DWORD headerSize = 0;       // the first 32-bit word; the colour table starts there
  LONG width = 0;
  LONG height = 0;            // negative for a top-down info-form DIB
  DWORD rowCount = 0;         // |height|
  WORD bitCount = 0;
  DWORD compression = BI_RGB;
  DWORD colorCount = 0;
  DWORD colorEntrySize = 4;   // 4 (RGBQUAD) or 3 (RGBTRIPLE)
  DWORD colorTableSize = 0;   // bytes
  DWORD rowStride = 0;        // bytes per row, padding included
  DWORD pixelOffset = 0;      // header size + colour-table size
  DWORD pixelDataSize = 0;    // rowStride * rowCount, or biSizeImage for RLE data
  DWORD totalSize = 0;        // pixelOffset + pixelDataSize
};

// Checks that the header at `data`, in a block of `blockSize` bytes, describes a DIB that lies
// wholly inside the block, and fills `out` (may be null) when it does. Reads nothing beyond
// blockSize bytes from `data`.
DibFault ValidateDib(const void* data, size_t blockSize, DibLayout* out);

// GetDibTotalSize for a DIB in a block of known size: fails instead of reading past the block.
// The core form is measured without being changed.
DibFault GetDibTotalSizeChecked(void* dib, size_t blockSize, DWORD* total);

// A DIB handle locked and checked against the size of its block for the lifetime of this object.
class LockedDib {
 public:
  explicit LockedDib(HGLOBAL dib);

  explicit operator bool() const { return fault_ == DibFault::kNone; }
  DibFault fault() const { return fault_; }
  const DibLayout& layout() const { return layout_; }

  BYTE* bytes() const { return lock_.bytes(); }
  BYTE* colorTable() const { return bytes() + layout_.headerSize; }
  BYTE* pixels() const { return bytes() + layout_.pixelOffset; }

 private:
  GlobalLockGuard lock_;
  DibFault fault_ = DibFault::kNoBlock;
  DibLayout layout_;
};

// Resolution as the header carries it (pixels per metre) and as people and TIFF files give it
// (dots per inch). Computed in 64 bits; a result beyond 32 bits is clamped.
LONG DpiToPixelsPerMeter(LONG dpi);   // d * 10000 / 254
LONG PixelsPerMeterToDpi(LONG ppm);   // (p * 254 + 5000) / 10000

// ---- DIBs made and drawn. ----

// A new info-form, bottom-up DIB with a zero (black) colour table and zero pixels. The bit count
// is rounded up to 1, 4, 8 or 24; above 24 it becomes 4. No block when the dimensions exceed
// 2,147,483,647, the image would exceed kMaxDibBytes, or memory runs out.
GlobalBlock CreateBlankDib(DWORD width, DWORD height, WORD bits);

// Stretches the source rectangle of the DIB (rows counted from the bottom, as StretchDIBits
// counts them) onto the destination rectangle of `dc` with COLORONCOLOR stretching, the palette
// (if any) selected as a background palette meanwhile. Returns the scan lines drawn; 0 without
// touching `dc` when there is no DIB or its header does not fit its block.
int DrawDib(HDC dc, const RECT& dst, HGLOBAL dib, const RECT& src, HPALETTE palette);

// Builds a logical palette from the DIB's colour table and puts it into `palette` (freeing what it
// held). Non-zero when `palette` now holds the new palette; 0, leaving `palette` as it was, when
// the DIB is missing, malformed or has no colour table.
int CreatePaletteFromDib(HGLOBAL dib, ScopedPalette& palette);

// The number of entries of a palette, 0 for none.
WORD GetPaletteEntryCount(HPALETTE palette);

// A new palette with the same entries, or none.
ScopedPalette DuplicatePalette(HPALETTE palette);

}  // namespace quill
