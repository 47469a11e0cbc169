#include "tiff/tiff_structure.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quill {
namespace {

// Item sizes by field type; a type that is not here has none. Looked up without a word on
// standard output: a line there is nothing a user of a windowed program could ever read.
struct TypeSize {
  uint16_t type;
  uint16_t size;
};
constexpr TypeSize kTypeSizes[] = {
    {0, 0},
    {kTypeByte, 1},     {kTypeAscii, 1},     {kTypeShort, 2},  {kTypeLong, 4},
    {kTypeRational, 8}, {kTypeSByte, 1},     {kTypeUndefined, 1}, {kTypeSShort, 2},
    {kTypeSLong, 4},    {kTypeSRational, 8}, {kTypeFloat, 4},  {kTypeDouble, 8},
};

constexpr uint64_t kEntryBytes = 12;

// Number fields copied from the first value of their entry, and how many bits each keeps.
struct NumberField {
  uint16_t tag;
  uint32_t TiffFields::*field;
  bool sixteenBits;
};
constexpr NumberField kNumberFields[] = {
    {kTagImageWidth, &TiffFields::imageWidth, false},
    {kTagImageLength, &TiffFields::imageLength, false},
    {kTagBitsPerSample, &TiffFields::bitsPerSample, true},
    {kTagCompression, &TiffFields::compression, true},
    {kTagPhotometric, &TiffFields::photometric, true},
    {kTagFillOrder, &TiffFields::fillOrder, true},
    {kTagSamplesPerPixel, &TiffFields::samplesPerPixel, true},
    {kTagRowsPerStrip, &TiffFields::rowsPerStrip, false},
    {kTagPlanarConfiguration, &TiffFields::planarConfiguration, true},
    {kTagT4Options, &TiffFields::t4Options, false},
    {kTagT6Options, &TiffFields::t6Options, false},
    {kTagResolutionUnit, &TiffFields::resolutionUnit, true},
};

bool IsIntegerType(uint16_t type) {
  switch (type) {
    case kTypeByte:
    case kTypeShort:
    case kTypeLong:
    case kTypeSByte:
    case kTypeSShort:
    case kTypeSLong:
      return true;
    default:
      return false;
  }
}

}  // namespace

uint16_t TiffItemSize(uint16_t type) {
  for (const TypeSize& entry : kTypeSizes) {
    if (entry.type == type) return entry.size;
  }
  return kUnknownItemSize;
}

bool MemoryTiffSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count) std::memcpy(destination, data_ + offset, count);
  return true;
}

const uint8_t* MemoryTiffSource::View(uint64_t offset, size_t count) {
  if (offset > size_ || count > size_ - offset) return nullptr;
  return data_ + offset;
}

FileTiffSource::FileTiffSource(const char* path) : file_(std::fopen(path, "rb")) {
  if (!file_) return;
  // Offsets in a TIFF file are 32 bits: a file that long's positions cannot reach is refused.
  if (std::fseek(file_.get(), 0, SEEK_END) != 0) {
    file_.reset();
    return;
  }
  const long size = std::ftell(file_.get());
  if (size < 0) {
    file_.reset();
    return;
  }
  size_ = static_cast<uint64_t>(size);
  position_ = size_;
}

bool FileTiffSource::Fill(uint64_t offset, void* destination, size_t count) {
  if (offset != position_) {
    if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0) {
      position_ = ~uint64_t{0};
      return false;
    }
    position_ = offset;
  }
  const size_t got = std::fread(destination, 1, count, file_.get());
  position_ = got == count ? offset + count : ~uint64_t{0};
  return got == count;
}

const uint8_t* FileTiffSource::View(uint64_t offset, size_t count) {
  if (!file_ || offset > size_ || count > size_ - offset) return nullptr;
  // A file of many small strips costs a system call per strip without the window.
  constexpr size_t kWindowBytes = 256 * 1024;
  if (offset >= windowStart_ && offset + count <= windowStart_ + window_.size()) {
    return window_.data() + (offset - windowStart_);
  }
  if (count > kWindowBytes) return nullptr;
  const size_t fill = static_cast<size_t>(std::min<uint64_t>(kWindowBytes, size_ - offset));
  window_.resize(fill);
  if (!Fill(offset, window_.data(), fill)) {
    window_.clear();
    return nullptr;
  }
  windowStart_ = offset;
  return window_.data();
}

bool FileTiffSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (!file_ || offset > size_ || count > size_ - offset) return false;
  if (count == 0) return true;
  if (const uint8_t* view = View(offset, count)) {
    std::memcpy(destination, view, count);
    return true;
  }
  return Fill(offset, destination, count);
}

bool TiffEntry::GetValueAsNumber(uint32_t index, uint32_t& value) const {
  value = 0;
  if (index >= count_) return false;
  const uint8_t* values = Values();
  switch (type_) {
    case kTypeByte: value = values[index]; break;
    case kTypeSByte: value = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(values[index]))); break;
    case kTypeShort: value = byte_order::Read16(values + 2 * size_t{index}, order_); break;
    case kTypeSShort:
      value = static_cast<uint32_t>(
          static_cast<int32_t>(static_cast<int16_t>(byte_order::Read16(values + 2 * size_t{index}, order_))));
      break;
    case kTypeLong:
    case kTypeSLong: value = byte_order::Read32(values + 4 * size_t{index}, order_); break;
    default: break;
  }
  return true;
}

bool TiffEntry::CopyRational(uint32_t& numerator, uint32_t& denominator) const {
  if ((type_ != kTypeRational && type_ != kTypeSRational) || count_ == 0) return false;
  numerator = byte_order::Read32(Values(), order_);
  denominator = byte_order::Read32(Values() + 4, order_);
  return true;
}

TiffResult TiffStream::ReadBytes(uint64_t offset, void* destination, size_t count) {
  return source_.ReadAt(offset, destination, count) ? TiffResult::kOk : TiffResult::kReadFailed;
}

TiffResult TiffStream::ReadShort(uint64_t offset, uint16_t& value) {
  uint8_t bytes[2];
  if (TiffResult result = ReadBytes(offset, bytes, sizeof bytes); result != TiffResult::kOk) return result;
  value = byte_order::Read16(bytes, order_);
  return TiffResult::kOk;
}

TiffResult TiffStream::ReadLong(uint64_t offset, uint32_t& value) {
  uint8_t bytes[4];
  if (TiffResult result = ReadBytes(offset, bytes, sizeof bytes); result != TiffResult::kOk) return result;
  value = byte_order::Read32(bytes, order_);
  return TiffResult::kOk;
}

TiffResult TiffStream::ReadHeader() {
  uint8_t header[8];
  if (!source_.ReadAt(0, header, sizeof header)) return TiffResult::kReadFailed;
  if (header[0] == 'M' && header[1] == 'M') {
    order_ = ByteOrder::kBigEndian;
  } else if (header[0] == 'I' && header[1] == 'I') {
    order_ = ByteOrder::kLittleEndian;
  } else {
    return TiffResult::kNotPresent;
  }
  version_ = byte_order::Read16(header + 2, order_);
  firstDirectory_ = byte_order::Read32(header + 4, order_);
  if (version_ != 42) return TiffResult::kNotPresent;
  // The directory's entry count must be there to be read.
  if (uint64_t{firstDirectory_} + 2 > source_.Size()) return TiffResult::kSeekFailed;
  return TiffResult::kOk;
}

TiffResult TiffStream::ReadEntry(uint64_t offset, TiffEntry& entry) {
  uint8_t raw[kEntryBytes];
  if (TiffResult result = ReadBytes(offset, raw, sizeof raw); result != TiffResult::kOk) return result;
  entry.order_ = order_;
  entry.tag_ = byte_order::Read16(raw, order_);
  entry.type_ = byte_order::Read16(raw + 2, order_);
  entry.count_ = byte_order::Read32(raw + 4, order_);
  std::memcpy(entry.inline_, raw + 8, 4);
  entry.block_.clear();
  if (!entry.IsOutOfLine()) return TiffResult::kOk;

  // The values must lie inside the file before a byte is allocated for them: a count read from
  // the file is believed only as far as the file backs it.
  const uint64_t bytes = uint64_t{entry.GetItemSize()} * entry.count_;
  const uint64_t valuesAt = byte_order::Read32(raw + 8, order_);
  if (valuesAt > source_.Size() || bytes > source_.Size() - valuesAt) return TiffResult::kReadFailed;
  try {
    entry.block_.resize(static_cast<size_t>(bytes));
  } catch (const std::bad_alloc&) {
    return TiffResult::kOutOfMemory;
  }
  if (TiffResult result = ReadBytes(valuesAt, entry.block_.data(), entry.block_.size());
      result != TiffResult::kOk) {
    entry.block_.clear();
    entry.block_.shrink_to_fit();
    return result;
  }
  return TiffResult::kOk;
}

const TiffEntry* TiffDirectory::FindEntry(uint16_t tag) const {
  for (const TiffEntry& entry : entries_) {
    if (entry.Tag() == tag) return &entry;
  }
  return nullptr;
}

void TiffDirectory::ProcessEntry(const TiffEntry& entry) {
  switch (entry.Tag()) {
    case kTagXResolution:
      fields_.hasXResolution |= entry.CopyRational(fields_.xResolution.numerator,
                                                   fields_.xResolution.denominator);
      return;
    case kTagYResolution:
      fields_.hasYResolution |= entry.CopyRational(fields_.yResolution.numerator,
                                                   fields_.yResolution.denominator);
      return;
    default: break;
  }
  for (const NumberField& number : kNumberFields) {
    if (number.tag != entry.Tag()) continue;
    // A number field takes integers only: a rational or a float in its place keeps the field
    // as it was rather than taking some of its bytes.
    if (!IsIntegerType(entry.Type())) return;
    uint32_t value = 0;
    entry.GetValueAsNumber(0, value);  // no values: the field becomes 0
    fields_.*number.field = number.sixteenBits ? (value & 0xFFFFu) : value;
    if (number.tag == kTagPhotometric) fields_.hasPhotometric = true;
    return;
  }
}

TiffResult TiffDirectory::Read(uint64_t offset) {
  if (TiffResult result = stream_.ReadShort(offset, declaredCount_); result != TiffResult::kOk) {
    return result;
  }
  // Only as many entries as the file holds bytes for are made room for.
  const uint64_t room = (stream_.Size() - std::min<uint64_t>(stream_.Size(), offset + 2)) / kEntryBytes;
  try {
    entries_.reserve(static_cast<size_t>(std::min<uint64_t>(declaredCount_, room)));
  } catch (const std::bad_alloc&) {
    return TiffResult::kOutOfMemory;
  }
  const uint64_t first = offset + 2;
  for (uint32_t i = 0; i < declaredCount_; ++i) {
    TiffEntry entry;
    if (TiffResult result = stream_.ReadEntry(first + kEntryBytes * i, entry); result != TiffResult::kOk) {
      return result;
    }
    entries_.push_back(std::move(entry));
    ProcessEntry(entries_.back());
  }
  return stream_.ReadLong(first + kEntryBytes * declaredCount_, nextDirectory_);
}

TiffResult TiffDirectory::SelectDecoder(TiffCoding& coding) const {
  switch (fields_.compression) {
    case kCompressionNone: coding = TiffCoding::kCopy; return TiffResult::kOk;
    case kCompressionModifiedHuffman: coding = TiffCoding::kModifiedHuffman; return TiffResult::kOk;
    case kCompressionGroup3:
      // Bit 1: rows stored uncompressed inside the code, which the library does not read.
      if (fields_.t4Options & kT4Uncompressed) return TiffResult::kUnsupported;
      if (fields_.t4Options & kT4TwoDimensional) {
        coding = TiffCoding::kGroup3TwoDim;
      } else if (fields_.t4Options & kT4FillBits) {
        coding = TiffCoding::kGroup3FilledEol;
      } else {
        coding = TiffCoding::kGroup3OneDim;
      }
      return TiffResult::kOk;
    case kCompressionGroup4:
      if (fields_.t6Options & kT6Uncompressed) return TiffResult::kUnsupported;
      coding = TiffCoding::kGroup4;
      return TiffResult::kOk;
    default: return TiffResult::kUnsupported;
  }
}

uint32_t TiffDirectory::RowsPerStrip() const {
  // RowsPerStrip 0 has no strip to give: it is taken as all rows in one, as libtiff does.
  const uint32_t rows = fields_.rowsPerStrip;
  return rows == 0 || rows > fields_.imageLength ? fields_.imageLength : rows;
}

uint32_t TiffDirectory::StripCount() const {
  if (fields_.imageLength == 0) return 0;
  const uint32_t rows = RowsPerStrip();
  return static_cast<uint32_t>((uint64_t{fields_.imageLength} + rows - 1) / rows);
}

uint32_t TiffDirectory::RowsInStrip(uint32_t strip) const {
  const uint64_t first = uint64_t{strip} * RowsPerStrip();
  if (first >= fields_.imageLength) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(RowsPerStrip(), fields_.imageLength - first));
}

TiffResult TiffDirectory::GetStripOffset(uint32_t strip, uint32_t& offset) const {
  const TiffEntry* entry = FindEntry(kTagStripOffsets);
  if (!entry || !entry->GetValueAsNumber(strip, offset)) return TiffResult::kNotPresent;
  return TiffResult::kOk;
}

TiffResult TiffDirectory::GetStripByteCount(uint32_t strip, uint32_t& count) const {
  const TiffEntry* entry = FindEntry(kTagStripByteCounts);
  if (!entry || !entry->GetValueAsNumber(strip, count)) return TiffResult::kNotPresent;
  return TiffResult::kOk;
}

TiffResult TiffDirectory::ReadStrip(uint32_t strip, uint32_t count, uint8_t* destination) const {
  uint32_t offset = 0;
  uint32_t stored = 0;
  if (GetStripOffset(strip, offset) != TiffResult::kOk || GetStripByteCount(strip, stored) != TiffResult::kOk ||
      stored < count) {
    return TiffResult::kNotPresent;
  }
  return stream_.ReadBytes(offset, destination, count);
}

uint64_t TiffDirectory::RowBytes() const {
  const uint64_t samples = fields_.planarConfiguration == kPlanarChunky ? fields_.samplesPerPixel : 1;
  const uint64_t bits = uint64_t{fields_.bitsPerSample} * fields_.imageWidth * samples;
  const uint64_t bytes = (bits + 7) / 8;
  return bytes > 0xFFFFFFFFu ? 0 : bytes;
}

TiffResult TiffDirectory::GetColorMapEntry(uint32_t index, uint16_t& red, uint16_t& green,
                                           uint16_t& blue) const {
  const TiffEntry* map = FindEntry(kTagColorMap);
  if (!map || fields_.bitsPerSample > 8) return TiffResult::kNotPresent;
  const uint32_t n = 1u << fields_.bitsPerSample;
  if (index >= n || map->Count() < 3 * n) return TiffResult::kNotPresent;
  uint32_t r = 0, g = 0, b = 0;
  map->GetValueAsNumber(index, r);
  map->GetValueAsNumber(n + index, g);
  map->GetValueAsNumber(2 * n + index, b);
  red = static_cast<uint16_t>(r);
  green = static_cast<uint16_t>(g);
  blue = static_cast<uint16_t>(b);
  return TiffResult::kOk;
}

bool TiffDirectory::IsTiled() const {
  return FindEntry(kTagTileWidth) || FindEntry(kTagTileLength) || FindEntry(kTagTileOffsets) ||
         FindEntry(kTagTileByteCounts);
}

}  // namespace quill
