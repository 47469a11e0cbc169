// The pieces of a memory transfer that do not talk to the source: the sizes of the DIB from the
// image information, its header and colour table, the placing of strip rows into it, and the
// buffer that gathers CCITT data. Every size the source announces or delivers is checked here
// before anything is allocated or copied.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/twain_protocol.h"
#include "image/win_handles.h"

namespace quill {

// ImageLength of a source that learns the length of its image only while scanning.
constexpr TW_INT32 kUnknownImageLength = -1;

struct MemoryImageLayout {
  DWORD width = 0;           // pixels
  WORD bitsPerPixel = 0;     // 1, 4, 8 or 24
  DWORD stride = 0;          // bytes of one DIB row, padded to 32 bits
  DWORD packedRowBytes = 0;  // bytes of one row without padding, the last byte whole
  DWORD rows = 0;            // announced rows; 0 while the length is unknown
  bool lengthKnown = false;
  uint64_t imageBytes = 0;   // rows x stride
};

enum class LayoutFault {
  kNone,
  kUnusable,  // no width, a depth a DIB cannot hold, a negative length other than unknown
  kTooLarge,  // the DIB (or the CCITT buffers) would exceed what the program accepts
};

// Sizes of the DIB for `info`, computed in 64 bits. CCITT data must be 1 bit deep.
LayoutFault ComputeMemoryImageLayout(const TW_IMAGEINFO& info, MemoryImageLayout& layout);

// The header fields that do not follow from the layout, and the colour table.
struct DibDescription {
  LONG xPelsPerMeter = 0;
  LONG yPelsPerMeter = 0;
  // biClrUsed entries. Empty for RGB, and for a palette the source would not give: a DIB of 8
  // bits or fewer then carries a full grey table with biClrUsed 0, as every DIB reader expects.
  std::vector<RGBQUAD> colours;
};

// Pixels per metre from a TWAIN resolution in `unit` (inches or centimetres; 0 for any other
// unit), truncated toward zero and clamped to 32 bits.
LONG ResolutionToPixelsPerMeter(TW_FIX32 resolution, TW_UINT16 unit);

// Colour tables by pixel type and flavor.
std::vector<RGBQUAD> BlackAndWhiteTable(TW_UINT16 flavor);
// The grey ramp of 2^bits entries (bits 1 to 8; others give 8), rising from black, or falling
// from white with TWPF_VANILLA.
std::vector<RGBQUAD> GrayTable(TW_UINT16 flavor, WORD bitsPerPixel);
std::vector<RGBQUAD> SourcePaletteTable(const TW_PALETTE8& palette, WORD bitsPerPixel);

// A new DIB of `rows` rows for the layout, header and colour table filled, pixels zero. None
// when it would be too large or memory runs out.
GlobalBlock CreateTransferDib(const MemoryImageLayout& layout, DWORD rows,
                              const DibDescription& description);

// Where the rows of one image go, top row first.
class RowTarget {
 public:
  virtual ~RowTarget() = default;
  // The next row (stride bytes, zero-filled), or null when the image holds no more rows.
  virtual BYTE* NextRow() = 0;
  virtual DWORD RowsWritten() const = 0;
};

// Rows placed straight into a DIB: the top row is the last in memory, later rows go downwards.
class DibRowTarget : public RowTarget {
 public:
  DibRowTarget(BYTE* pixels, DWORD stride, DWORD rows)
      : pixels_(pixels), stride_(stride), rows_(rows) {}
  BYTE* NextRow() override;
  DWORD RowsWritten() const override { return written_; }

 private:
  BYTE* pixels_;
  DWORD stride_;
  DWORD rows_;
  DWORD written_ = 0;
};

// Rows gathered for an image of unknown length; the DIB is made when the last row is in.
class GrowingRowTarget : public RowTarget {
 public:
  GrowingRowTarget(DWORD stride, uint64_t maxBytes) : stride_(stride), maxBytes_(maxBytes) {}
  BYTE* NextRow() override;
  DWORD RowsWritten() const override { return written_; }
  // Copies the gathered rows into a DIB of exactly RowsWritten() rows, bottom-up.
  void CopyInto(BYTE* pixels) const;

 private:
  DWORD stride_;
  uint64_t maxBytes_;
  DWORD written_ = 0;
  std::vector<BYTE> rows_;
};

// How the bytes of one row arrive.
struct StripRowFormat {
  DWORD bytesPerRow = 0;  // distance between rows in the strip
  DWORD rowCount = 0;     // whole rows the strip holds
};

// The row format of a strip as the source describes it, trusted only as far as `bytesWritten`
// reaches; a source that names no row length (0 or "don't care") is taken to use the DIB's stride.
StripRowFormat ReadStripRowFormat(const TW_IMAGEMEMXFER& strip, DWORD bytesWritten,
                                  const MemoryImageLayout& layout);

// Copies the whole rows of one uncompressed strip (`bytesWritten` bytes at `data`) into the
// target: at most the packed row of each, RGB samples turned into the DIB's blue, green, red
// order. Rows beyond what the target holds are dropped. Returns the rows copied.
DWORD CopyStrip(RowTarget& target, const BYTE* data, DWORD bytesWritten,
                const TW_IMAGEMEMXFER& strip, const MemoryImageLayout& layout, bool swapRedBlue);

// Copies `rows` decoded rows, each packedRowBytes long and following one another, into the target.
DWORD CopyPackedRows(RowTarget& target, const BYTE* data, DWORD rows,
                     const MemoryImageLayout& layout);

// A movable block that gathers bytes up to a limit, growing as they come.
class GatherBuffer {
 public:
  // `initial` bytes now; never more than `limit`.
  GatherBuffer(SIZE_T initial, SIZE_T limit);
  explicit operator bool() const { return static_cast<bool>(block_); }
  // Appends what fits below the limit; false when bytes had to be left out.
  bool Append(const BYTE* data, SIZE_T bytes);
  SIZE_T size() const { return used_; }
  HGLOBAL get() const { return block_.get(); }

 private:
  bool Reserve(SIZE_T bytes);

  GlobalBlock block_;
  SIZE_T capacity_ = 0;
  SIZE_T limit_;
  SIZE_T used_ = 0;
};

}  // namespace quill
