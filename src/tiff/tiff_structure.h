// The structure of a TIFF file as the reader sees it: the header with its byte order, the first
// image file directory with its entries and the baseline fields the program understands, the
// strips and the colour map. Portable: no windows.h, so that it is built natively with the
// sanitizers and fuzzed.
//
// The bytes come from a TiffSource that knows its size: every offset and count read from the file
// is checked against that size before anything is allocated or read, so a hostile count costs at
// most what the file itself weighs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/byte_order.h"
#include "base/tiff_codes.h"

namespace quill {

using byte_order::ByteOrder;

// The results every operation gives: 0 for success or one of these.
enum class TiffResult : uint16_t {
  kOk = 0,
  kOutOfMemory = 0x102,   // also: more entries than the directory declared
  kNotPresent = 0x200,    // not a TIFF header; a strip or value that is not there
  kReadFailed = 0x204,    // bytes beyond the end of the file, or reading failed
  kSeekFailed = 0x205,    // an offset beyond the end of the file
  kUnsupported = 0x304,   // a compression not read, no decoder, or the decoder failed
};

// The file's own numbers, by the names the filter library writes them with.
using namespace tiff_codes;

// The item size of a field type in bytes; 65535 for a type that has none.
constexpr uint16_t kUnknownItemSize = 0xFFFF;
uint16_t TiffItemSize(uint16_t type);

// Where the bytes of a file come from.
class TiffSource {
 public:
  virtual ~TiffSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `count` bytes at `offset`; false when any of them lies beyond the end or the
  // read fails.
  virtual bool ReadAt(uint64_t offset, void* destination, size_t count) = 0;
  // The `count` bytes at `offset` where they can be had without a copy, valid until the next
  // call; none otherwise (then ReadAt).
  virtual const uint8_t* View(uint64_t offset, size_t count) {
    (void)offset;
    (void)count;
    return nullptr;
  }
};

class MemoryTiffSource : public TiffSource {
 public:
  MemoryTiffSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;
  const uint8_t* View(uint64_t offset, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A file opened for binary reading, closed with the object.
class FileTiffSource : public TiffSource {
 public:
  explicit FileTiffSource(const char* path);
  bool IsOpen() const { return file_ != nullptr; }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;
  const uint8_t* View(uint64_t offset, size_t count) override;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  bool Fill(uint64_t offset, void* destination, size_t count);

  std::unique_ptr<std::FILE, Closer> file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;  // where the stream stands, so that reads in order need no seek
  // The last block read: strips of a row or two each, and entries, are served from it.
  std::vector<uint8_t> window_;
  uint64_t windowStart_ = 0;
};

// One directory entry. Its values are kept as the file stores them and converted on access.
class TiffEntry {
 public:
  uint16_t Tag() const { return tag_; }
  uint16_t Type() const { return type_; }
  uint32_t Count() const { return count_; }
  uint16_t GetItemSize() const { return TiffItemSize(type_); }
  // Whether the values live elsewhere in the file (more than the entry's own four bytes).
  bool IsOutOfLine() const { return uint64_t{GetItemSize()} * count_ > 4; }
  // Value `index` as an unsigned number: BYTE and SHORT zero-extended, SBYTE and SSHORT
  // sign-extended, LONG and SLONG as they are, other types 0. False when index >= count.
  bool GetValueAsNumber(uint32_t index, uint32_t& value) const;
  // Numerator and denominator of the first value; false unless the type is (S)RATIONAL.
  bool CopyRational(uint32_t& numerator, uint32_t& denominator) const;

 private:
  friend class TiffStream;
  const uint8_t* Values() const { return IsOutOfLine() ? block_.data() : inline_; }

  uint16_t tag_ = 0;
  uint16_t type_ = 0;
  uint32_t count_ = 0;
  uint8_t inline_[4] = {};
  std::vector<uint8_t> block_;  // out-of-line values
  ByteOrder order_ = ByteOrder::kLittleEndian;
};

class TiffStream {
 public:
  explicit TiffStream(TiffSource& source) : source_(source) {}

  // Reads and checks the 8-byte header; the first directory's offset must lie inside the file.
  TiffResult ReadHeader();
  ByteOrder Order() const { return order_; }
  uint16_t Version() const { return version_; }
  uint32_t FirstDirectory() const { return firstDirectory_; }
  uint64_t Size() const { return source_.Size(); }

  TiffResult ReadShort(uint64_t offset, uint16_t& value);
  TiffResult ReadLong(uint64_t offset, uint32_t& value);
  TiffResult ReadBytes(uint64_t offset, void* destination, size_t count);
  // Reads the 12-byte entry at `offset` and its values, out of line ones included.
  TiffResult ReadEntry(uint64_t offset, TiffEntry& entry);

 private:
  TiffSource& source_;
  ByteOrder order_ = ByteOrder::kLittleEndian;
  uint16_t version_ = 0;
  uint32_t firstDirectory_ = 0;
};

struct TiffRational {
  uint32_t numerator = 0;
  uint32_t denominator = 0;
};

// The baseline fields, with the defaults they have before any entry is read.
struct TiffFields {
  uint32_t bitsPerSample = 1;
  uint32_t compression = kCompressionNone;
  uint32_t t4Options = 0;
  uint32_t t6Options = 0;
  uint32_t imageLength = 0xFFFFFFFFu;
  uint32_t imageWidth = 0xFFFFFFFFu;
  bool hasPhotometric = false;
  uint32_t photometric = 0;
  uint32_t fillOrder = 1;
  uint32_t planarConfiguration = kPlanarChunky;
  uint32_t resolutionUnit = 2;
  bool hasXResolution = false;
  TiffRational xResolution;
  bool hasYResolution = false;
  TiffRational yResolution;
  uint32_t rowsPerStrip = 0xFFFFFFFFu;  // one strip
  uint32_t samplesPerPixel = 1;
};

// How strip data is decoded: copied, or by the filter library in one of its CCITT modes (the
// numbers are the library's coding modes).
enum class TiffCoding : uint8_t {
  kCopy = 0,
  kModifiedHuffman = 1,
  kGroup4 = 3,
  kGroup3FilledEol = 4,
  kGroup3OneDim = 5,
  kGroup3TwoDim = 6,
};

// The first image file directory. It owns its entries.
class TiffDirectory {
 public:
  explicit TiffDirectory(TiffStream& stream) : stream_(stream) {}

  // Reads the directory at `offset`. The first failing entry ends the read; fields and entries
  // read before it are kept.
  TiffResult Read(uint64_t offset);

  const TiffFields& Fields() const { return fields_; }
  uint16_t DeclaredEntryCount() const { return declaredCount_; }
  uint32_t NextDirectory() const { return nextDirectory_; }
  const std::vector<TiffEntry>& Entries() const { return entries_; }
  const TiffEntry* FindEntry(uint16_t tag) const;

  // The coding chosen from Compression (and T4Options, T6Options); kUnsupported for others.
  TiffResult SelectDecoder(TiffCoding& coding) const;

  // Strips: their number, rows in strip i, and offset and byte count of strip i (kNotPresent
  // when the entry is missing or shorter).
  uint32_t StripCount() const;
  uint32_t RowsPerStrip() const;
  uint32_t RowsInStrip(uint32_t strip) const;
  TiffResult GetStripOffset(uint32_t strip, uint32_t& offset) const;
  TiffResult GetStripByteCount(uint32_t strip, uint32_t& count) const;
  // Reads `count` bytes of strip i; kNotPresent when the strip holds fewer, kReadFailed when
  // they lie beyond the end of the file.
  TiffResult ReadStrip(uint32_t strip, uint32_t count, uint8_t* destination) const;
  // Bytes of one row of samples; 0 when it would not fit in 32 bits.
  uint64_t RowBytes() const;

  // Entry i of the colour map as 16-bit red, green and blue; kNotPresent unless the ColorMap
  // holds 3 x 2^BitsPerSample values (BitsPerSample at most 8).
  TiffResult GetColorMapEntry(uint32_t index, uint16_t& red, uint16_t& green,
                              uint16_t& blue) const;

  // Whether the image is stored in tiles rather than strips.
  bool IsTiled() const;

 private:
  void ProcessEntry(const TiffEntry& entry);

  TiffStream& stream_;
  TiffFields fields_;
  uint16_t declaredCount_ = 0;
  uint32_t nextDirectory_ = 0;
  std::vector<TiffEntry> entries_;
};

}  // namespace quill
