// Builds TIFF files byte by byte for the tests: either byte order, any entries (out-of-line
// values placed after the strips), strips as given. Nothing here checks what it is told, so that
// tests can write files that are wrong in exactly one way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tiff/tiff_structure.h"

namespace quill::test {

class TiffFileBuilder {
 public:
  explicit TiffFileBuilder(bool bigEndian = false) : bigEndian_(bigEndian) {}

  // An entry whose values are numbers of `type` (BYTE, SHORT, LONG, RATIONAL as pairs, ...).
  TiffFileBuilder& Entry(uint16_t tag, uint16_t type, std::vector<uint32_t> values, uint32_t count = 0) {
    entries_.push_back({tag, type, std::move(values), count, false, 0});
    return *this;
  }
  // An entry whose offset is given as it is (pointing anywhere), with `count` values.
  TiffFileBuilder& RawEntry(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueOrOffset) {
    entries_.push_back({tag, type, {}, count, true, valueOrOffset});
    return *this;
  }
  TiffFileBuilder& Strip(std::vector<uint8_t> bytes) {
    strips_.push_back(std::move(bytes));
    return *this;
  }
  // StripOffsets (SHORT or LONG) and StripByteCounts (LONG) for the strips given.
  TiffFileBuilder& StripEntries(uint16_t offsetType = kTypeLong) {
    stripEntries_ = true;
    stripOffsetType_ = offsetType;
    return *this;
  }
  TiffFileBuilder& Header(const std::string& mark, uint16_t version) {
    mark_ = mark;
    version_ = version;
    return *this;
  }
  TiffFileBuilder& NextDirectory(uint32_t offset) {
    next_ = offset;
    return *this;
  }

  uint32_t StripOffset(size_t i) const {
    uint32_t at = 8;
    for (size_t s = 0; s < i; ++s) at += static_cast<uint32_t>(strips_[s].size());
    return at;
  }

  std::vector<uint8_t> Build() const {
    std::vector<EntrySpec> entries = entries_;
    if (stripEntries_) {
      std::vector<uint32_t> offsets, counts;
      for (size_t i = 0; i < strips_.size(); ++i) {
        offsets.push_back(StripOffset(i));
        counts.push_back(static_cast<uint32_t>(strips_[i].size()));
      }
      entries.push_back({kTagStripOffsets, stripOffsetType_, offsets, 0, false, 0});
      entries.push_back({kTagStripByteCounts, kTypeLong, counts, 0, false, 0});
    }
    // Directories list their entries by tag.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const EntrySpec& a, const EntrySpec& b) { return a.tag < b.tag; });

    std::vector<uint8_t> file(8);
    for (const auto& strip : strips_) file.insert(file.end(), strip.begin(), strip.end());
    std::vector<std::vector<uint8_t>> values;
    std::vector<uint32_t> valueOffsets;
    for (const EntrySpec& e : entries) {
      std::vector<uint8_t> bytes = Encode(e);
      valueOffsets.push_back(static_cast<uint32_t>(file.size()));
      if (!e.raw && bytes.size() > 4) {
        file.insert(file.end(), bytes.begin(), bytes.end());
        if (file.size() % 2) file.push_back(0);
      }
      values.push_back(std::move(bytes));
    }
    const uint32_t directory = static_cast<uint32_t>(file.size());
    Put16(file, static_cast<uint16_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
      const EntrySpec& e = entries[i];
      Put16(file, e.tag);
      Put16(file, e.type);
      Put32(file, e.count ? e.count : ItemCount(e));
      if (e.raw) {
        Put32(file, e.valueOrOffset);
      } else if (values[i].size() > 4) {
        Put32(file, valueOffsets[i]);
      } else {
        std::vector<uint8_t> inline4 = values[i];
        inline4.resize(4, 0);
        file.insert(file.end(), inline4.begin(), inline4.end());
      }
    }
    Put32(file, next_);
    file[0] = static_cast<uint8_t>(mark_.size() > 0 ? mark_[0] : (bigEndian_ ? 'M' : 'I'));
    file[1] = static_cast<uint8_t>(mark_.size() > 1 ? mark_[1] : (bigEndian_ ? 'M' : 'I'));
    std::vector<uint8_t> head;
    Put16(head, version_);
    Put32(head, directory);
    std::copy(head.begin(), head.end(), file.begin() + 2);
    return file;
  }

 private:
  struct EntrySpec {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
    uint32_t count;
    bool raw;
    uint32_t valueOrOffset;
  };

  static uint32_t ItemCount(const EntrySpec& e) {
    const bool pairs = e.type == kTypeRational || e.type == kTypeSRational;
    return static_cast<uint32_t>(pairs ? e.values.size() / 2 : e.values.size());
  }

  std::vector<uint8_t> Encode(const EntrySpec& e) const {
    std::vector<uint8_t> bytes;
    for (uint32_t v : e.values) {
      switch (TiffItemSize(e.type)) {
        case 1: bytes.push_back(static_cast<uint8_t>(v)); break;
        case 2: Put16(bytes, static_cast<uint16_t>(v)); break;
        default: Put32(bytes, v); break;
      }
    }
    return bytes;
  }

  void Put16(std::vector<uint8_t>& out, uint16_t v) const {
    if (bigEndian_) {
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v));
    } else {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    }
  }
  void Put32(std::vector<uint8_t>& out, uint32_t v) const {
    if (bigEndian_) {
      Put16(out, static_cast<uint16_t>(v >> 16));
      Put16(out, static_cast<uint16_t>(v));
    } else {
      Put16(out, static_cast<uint16_t>(v));
      Put16(out, static_cast<uint16_t>(v >> 16));
    }
  }

  bool bigEndian_;
  std::string mark_;
  uint16_t version_ = 42;
  uint32_t next_ = 0;
  bool stripEntries_ = false;
  uint16_t stripOffsetType_ = kTypeLong;
  std::vector<EntrySpec> entries_;
  std::vector<std::vector<uint8_t>> strips_;
};

}  // namespace quill::test
