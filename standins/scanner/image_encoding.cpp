#include "scanner/image_encoding.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "kestrel/core/fax_codec.h"
#include "kestrel/core/file_output.h"
#include "kestrel/core/tiff_writer.h"

namespace tvscan {
namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

uint32_t PixelsPerMetre(uint32_t dpi) { return static_cast<uint32_t>(uint64_t{dpi} * 10000 / 254); }

}  // namespace

std::vector<Colour> ColourTable(const PageSettings& settings) {
  std::vector<Colour> table;
  switch (settings.pixel_type) {
    case PixelType::Bw:
      table = {Colour{0, 0, 0}, Colour{255, 255, 255}};
      if (settings.vanilla) std::swap(table[0], table[1]);
      break;
    case PixelType::Gray: {
      const unsigned count = 1u << BitsPerPixel(settings);
      const unsigned step = 255 / (count - 1);
      for (unsigned i = 0; i < count; ++i) {
        auto v = static_cast<uint8_t>((settings.vanilla ? count - 1 - i : i) * step);
        table.push_back(Colour{v, v, v});
      }
      break;
    }
    case PixelType::Palette: {
      auto colours = PaletteColours();
      table.assign(colours.begin(), colours.end());
      break;
    }
    case PixelType::Rgb: break;
  }
  return table;
}

std::vector<uint8_t> BuildDib(const Raster& raster, const PageSettings& settings) {
  std::vector<Colour> table = ColourTable(settings);
  size_t stride = (size_t{raster.width} * raster.bits_per_pixel + 31) / 32 * 4;
  size_t offset = kDibHeaderBytes + table.size() * 4;
  std::vector<uint8_t> dib(offset + stride * raster.height, 0);
  Put32(dib, 0, kDibHeaderBytes);
  Put32(dib, 4, raster.width);
  Put32(dib, 8, raster.height);
  Put16(dib, 12, 1);
  Put16(dib, 14, raster.bits_per_pixel);
  Put32(dib, 20, static_cast<uint32_t>(stride * raster.height));
  Put32(dib, 24, PixelsPerMetre(settings.dpi));
  Put32(dib, 28, PixelsPerMetre(settings.dpi));
  Put32(dib, 32, static_cast<uint32_t>(table.size()));
  for (size_t i = 0; i < table.size(); ++i) {
    dib[kDibHeaderBytes + 4 * i] = table[i].blue;
    dib[kDibHeaderBytes + 4 * i + 1] = table[i].green;
    dib[kDibHeaderBytes + 4 * i + 2] = table[i].red;
  }
  for (uint32_t y = 0; y < raster.height; ++y) {
    uint8_t* to = dib.data() + offset + size_t{raster.height - 1 - y} * stride;
    const uint8_t* from = raster.Row(y);
    if (raster.bits_per_pixel == 24) {
      for (uint32_t x = 0; x < raster.width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    } else {
      std::copy(from, from + raster.row_bytes, to);
    }
  }
  return dib;
}

std::vector<uint8_t> BuildBmpFile(const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> file(14 + dib.size(), 0);
  uint32_t colours = dib.size() >= kDibHeaderBytes
                         ? uint32_t(dib[32]) | uint32_t(dib[33]) << 8 | uint32_t(dib[34]) << 16
                         : 0;
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<uint32_t>(14 + dib.size()));
  Put32(file, 10, static_cast<uint32_t>(14 + kDibHeaderBytes + colours * 4));
  std::copy(dib.begin(), dib.end(), file.begin() + 14);
  return file;
}

uint8_t CodingModeOf(uint16_t compression) {
  switch (compression) {
    case 2: return static_cast<uint8_t>(kestrel::CodingMode::Group3OneDim);     // TWCP_GROUP31D
    case 3: return static_cast<uint8_t>(kestrel::CodingMode::Group3FilledEol);  // TWCP_GROUP31DEOL
    case 4: return static_cast<uint8_t>(kestrel::CodingMode::Group3TwoDim);     // TWCP_GROUP32D
    case 5: return static_cast<uint8_t>(kestrel::CodingMode::Group4);           // TWCP_GROUP4
    default: return 0;
  }
}

std::vector<uint8_t> EncodeCcitt(const Raster& raster, uint16_t compression, unsigned k_factor,
                                 bool vanilla) {
  uint8_t mode = CodingModeOf(compression);
  if (mode == 0 || raster.bits_per_pixel != 1) return {};
  kestrel::RowFormat format{raster.width, raster.row_bytes, vanilla};
  // Coded data can exceed the raw rows on pathological pages; room for twice as much and more.
  std::vector<uint8_t> out(raster.pixels.size() * 2 + 4096);
  auto outcome = kestrel::encodeRows(static_cast<kestrel::CodingMode>(mode), k_factor ? k_factor : 1,
                                     format, kestrel::ConstByteSpan{raster.pixels.data(), raster.pixels.size()},
                                     raster.height, kestrel::ByteSpan{out.data(), out.size()});
  if (!outcome.fits) return {};
  out.resize(outcome.bytes);
  return out;
}

bool WriteTiffFile(const std::string& name, const Raster& raster, const PageSettings& settings,
                   uint16_t compression, unsigned k_factor) {
  kestrel::TiffImage image;
  image.width = raster.width;
  image.height = raster.height;
  image.bitsPerPixel = static_cast<uint8_t>(raster.bits_per_pixel);
  image.whiteIsZero = settings.vanilla;
  image.xDpi = image.yDpi = static_cast<uint16_t>(settings.dpi);
  if (settings.pixel_type == PixelType::Palette) {
    for (const Colour& c : ColourTable(settings)) image.palette.push_back(kestrel::Rgb{c.red, c.green, c.blue});
  }
  std::vector<uint8_t> coded;
  kestrel::ConstByteSpan strip{raster.pixels.data(), raster.pixels.size()};
  if (compression != 0 && raster.bits_per_pixel == 1) {
    coded = EncodeCcitt(raster, compression, k_factor, settings.vanilla);
    if (coded.empty()) return false;
    image.coding = static_cast<kestrel::CodingMode>(CodingModeOf(compression));
    strip = kestrel::ConstByteSpan{coded.data(), coded.size()};
  }
  kestrel::StdioFileSystem files;
  std::unique_ptr<kestrel::OutputFile> file = files.create(name);
  return file && kestrel::writeTiff(*file, image, strip);
}

bool WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "wb"), &std::fclose);
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  bool closed = std::fclose(file.release()) == 0;
  if (!(written && closed)) std::remove(name.c_str());
  return written && closed;
}

}  // namespace tvscan
