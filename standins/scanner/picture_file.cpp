#include "scanner/picture_file.h"

#include <algorithm>
#include <cctype>

#include "base/tiff_codes.h"
#include "kestrel/core/fax_codec.h"

namespace tvscan {
namespace {

constexpr uint32_t kMaxSide = 30000;
constexpr uint64_t kMaxPixels = 200ull * 1000 * 1000;

class Bytes {
 public:
  Bytes(const std::vector<uint8_t>& data, bool big_endian) : data_(data), big_(big_endian) {}
  bool Has(uint64_t offset, uint64_t count) const { return offset <= data_.size() && count <= data_.size() - offset; }
  uint32_t U8(uint64_t at) const { return data_[size_t(at)]; }
  uint32_t U16(uint64_t at) const {
    return big_ ? (U8(at) << 8 | U8(at + 1)) : (U8(at) | U8(at + 1) << 8);
  }
  uint32_t U32(uint64_t at) const {
    return big_ ? (U16(at) << 16 | U16(at + 2)) : (U16(at) | U16(at + 2) << 16);
  }
  const uint8_t* At(uint64_t at) const { return data_.data() + size_t(at); }

 private:
  const std::vector<uint8_t>& data_;
  bool big_;
};

bool SizeAllowed(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         uint64_t{width} * height <= kMaxPixels;
}

uint32_t Sample(const uint8_t* row, uint32_t x, uint32_t bits) {
  switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
    default: return row[x];
  }
}

bool ReadBmp(const std::vector<uint8_t>& data, Picture& picture, std::string& problem) {
  Bytes b(data, false);
  if (!b.Has(0, 54)) return problem = "BMP file too short", false;
  uint32_t pixel_offset = b.U32(10), header = b.U32(14);
  auto width = static_cast<int32_t>(b.U32(18)), height = static_cast<int32_t>(b.U32(22));
  uint32_t bits = b.U16(28), compression = b.U32(30), used = b.U32(46);
  bool top_down = height < 0;
  uint32_t rows = top_down ? uint32_t(-int64_t(height)) : uint32_t(height);
  if (header < 40 || width <= 0 || !SizeAllowed(uint32_t(width), rows)) return problem = "BMP size not supported", false;
  if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    return problem = "BMP pixel format not supported", false;
  }
  std::vector<Colour> table;
  if (bits <= 8) {
    uint32_t entries = used ? used : 1u << bits;
    if (entries > 256 || !b.Has(14 + uint64_t{header}, uint64_t{entries} * 4)) return problem = "BMP colour table damaged", false;
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* quad = b.At(14 + header + 4 * i);
      table.push_back(Colour{quad[2], quad[1], quad[0]});
    }
  }
  uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (!b.Has(pixel_offset, stride * rows)) return problem = "BMP pixel data cut short", false;
  picture.width = uint32_t(width);
  picture.height = rows;
  picture.pixels.assign(size_t{picture.width} * rows, Colour{255, 255, 255});
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* row = b.At(pixel_offset + stride * (top_down ? y : rows - 1 - y));
    Colour* out = picture.pixels.data() + size_t{y} * picture.width;
    for (uint32_t x = 0; x < picture.width; ++x) {
      if (bits >= 24) {
        const uint8_t* p = row + size_t{x} * (bits / 8);
        out[x] = Colour{p[2], p[1], p[0]};
      } else {
        uint32_t index = Sample(row, x, bits);
        if (index >= table.size()) return problem = "BMP colour index outside the table", false;
        out[x] = table[index];
      }
    }
  }
  return true;
}

struct TiffTags {
  uint32_t width = 0, height = 0, bits = 1, samples = 1, compression = 1, photometric = 1;
  uint32_t rows_per_strip = 0xFFFFFFFF, t4 = 0;
  std::vector<uint32_t> offsets, counts;
  std::vector<Colour> colour_map;
};

// Values of one directory entry (SHORT or LONG), bounded by the file.
bool EntryValues(const Bytes& b, uint64_t entry, std::vector<uint32_t>& values) {
  uint32_t type = b.U16(entry + 2), count = b.U32(entry + 4);
  uint32_t size = type == tiff_codes::kTypeShort ? 2 : type == tiff_codes::kTypeLong ? 4 : 0;
  if (size == 0 || count == 0 || count > 1u << 20) return false;
  uint64_t at = uint64_t{size} * count <= 4 ? entry + 8 : b.U32(entry + 8);
  if (!b.Has(at, uint64_t{size} * count)) return false;
  values.clear();
  for (uint32_t i = 0; i < count; ++i) values.push_back(size == 2 ? b.U16(at + 2 * i) : b.U32(at + 4 * i));
  return true;
}

bool ReadTiffTags(const Bytes& b, TiffTags& tags, std::string& problem) {
  uint32_t ifd = b.U32(4);
  if (!b.Has(ifd, 2)) return problem = "TIFF directory outside the file", false;
  uint32_t entries = b.U16(ifd);
  if (!b.Has(ifd + 2, uint64_t{entries} * 12)) return problem = "TIFF directory cut short", false;
  std::vector<uint32_t> v;
  for (uint32_t i = 0; i < entries; ++i) {
    uint64_t entry = ifd + 2 + uint64_t{i} * 12;
    uint32_t tag = b.U16(entry);
    using namespace tiff_codes;
    bool known = tag == kTagImageWidth || tag == kTagImageLength || tag == kTagBitsPerSample ||
                 tag == kTagCompression || tag == kTagPhotometric || tag == kTagStripOffsets ||
                 tag == kTagSamplesPerPixel || tag == kTagRowsPerStrip || tag == kTagStripByteCounts ||
                 tag == kTagT4Options || tag == kTagColorMap;
    if (!known) continue;
    if (!EntryValues(b, entry, v)) return problem = "TIFF tag " + std::to_string(tag) + " damaged", false;
    switch (tag) {
      case kTagImageWidth: tags.width = v[0]; break;
      case kTagImageLength: tags.height = v[0]; break;
      case kTagBitsPerSample: tags.bits = v[0]; break;
      case kTagCompression: tags.compression = v[0]; break;
      case kTagPhotometric: tags.photometric = v[0]; break;
      case kTagStripOffsets: tags.offsets = v; break;
      case kTagSamplesPerPixel: tags.samples = v[0]; break;
      case kTagRowsPerStrip: tags.rows_per_strip = v[0]; break;
      case kTagStripByteCounts: tags.counts = v; break;
      case kTagT4Options: tags.t4 = v[0]; break;
      case kTagColorMap:
        if (v.size() == 3u * 256) {
          for (size_t c = 0; c < 256; ++c) {
            tags.colour_map.push_back(Colour{uint8_t(v[c] >> 8), uint8_t(v[256 + c] >> 8), uint8_t(v[512 + c] >> 8)});
          }
        }
        break;
    }
  }
  if (!SizeAllowed(tags.width, tags.height)) return problem = "TIFF size not supported", false;
  if (tags.offsets.empty() || tags.offsets.size() != tags.counts.size()) return problem = "TIFF strips missing", false;
  return true;
}

bool ReadTiff(const std::vector<uint8_t>& data, Picture& picture, std::string& problem) {
  using namespace tiff_codes;
  Bytes b(data, data[0] == 'M');
  if (b.U16(2) != 42) return problem = "not a TIFF file", false;
  TiffTags tags;
  if (!ReadTiffTags(b, tags, problem)) return false;
  uint32_t bits = tags.bits * tags.samples;
  bool ccitt = tags.compression == kCompressionGroup3 || tags.compression == kCompressionGroup4;
  if (!(tags.compression == kCompressionNone || (ccitt && bits == 1)) ||
      !(bits == 1 || bits == 4 || bits == 8 || (bits == 24 && tags.samples == 3))) {
    return problem = "TIFF pixel format or compression not supported", false;
  }
  size_t row_bytes = PackedRowBytes(tags.width, static_cast<uint16_t>(bits));
  std::vector<uint8_t> rows(row_bytes * tags.height, 0);
  uint32_t rows_per_strip = std::min(tags.rows_per_strip, tags.height);
  if (rows_per_strip == 0) return problem = "TIFF RowsPerStrip is 0", false;
  for (size_t s = 0; s < tags.offsets.size(); ++s) {
    uint64_t first = uint64_t{rows_per_strip} * s;
    if (first >= tags.height) break;
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(rows_per_strip, tags.height - first));
    if (!b.Has(tags.offsets[s], tags.counts[s])) return problem = "TIFF strip outside the file", false;
    kestrel::ByteSpan out{rows.data() + first * row_bytes, size_t{count} * row_bytes};
    if (!ccitt) {
      std::copy(b.At(tags.offsets[s]), b.At(tags.offsets[s]) + std::min<size_t>(tags.counts[s], out.size), out.data);
      continue;
    }
    kestrel::CodingMode mode = tags.compression == kCompressionGroup4 ? kestrel::CodingMode::Group4
                               : (tags.t4 & kT4TwoDimensional)      ? kestrel::CodingMode::Group3TwoDim
                               : (tags.t4 & kT4FillBits)            ? kestrel::CodingMode::Group3FilledEol
                                                                    : kestrel::CodingMode::Group3OneDim;
    kestrel::RowFormat format{tags.width, row_bytes, tags.photometric == kPhotometricWhiteIsZero};
    kestrel::decodeRows(mode, format, kestrel::ConstByteSpan{b.At(tags.offsets[s]), tags.counts[s]}, count, out);
  }
  picture.width = tags.width;
  picture.height = tags.height;
  picture.pixels.assign(size_t{tags.width} * tags.height, Colour{255, 255, 255});
  uint32_t top = (1u << std::min<uint32_t>(bits, 8)) - 1;
  for (uint32_t y = 0; y < tags.height; ++y) {
    const uint8_t* row = rows.data() + size_t{y} * row_bytes;
    Colour* out = picture.pixels.data() + size_t{y} * tags.width;
    for (uint32_t x = 0; x < tags.width; ++x) {
      if (bits == 24) {
        out[x] = Colour{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        continue;
      }
      uint32_t value = Sample(row, x, bits);
      if (tags.photometric == kPhotometricPalette && value < tags.colour_map.size()) {
        out[x] = tags.colour_map[value];
      } else {
        uint32_t level = value * 255 / top;
        auto grey = static_cast<uint8_t>(tags.photometric == kPhotometricWhiteIsZero ? 255 - level : level);
        out[x] = Colour{grey, grey, grey};
      }
    }
  }
  return true;
}

}  // namespace

bool ReadPicture(const std::vector<uint8_t>& bytes, Picture& picture, std::string& problem) {
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ReadBmp(bytes, picture, problem);
  if (bytes.size() >= 8 && ((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M'))) {
    return ReadTiff(bytes, picture, problem);
  }
  problem = "neither a BMP nor a TIFF file";
  return false;
}

bool IsPictureName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto ends = [&lower](const char* suffix) {
    std::string s(suffix);
    return lower.size() > s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
  };
  return ends(".bmp") || ends(".tif") || ends(".tiff");
}

}  // namespace tvscan
