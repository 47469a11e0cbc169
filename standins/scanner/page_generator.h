// The virtual scanner's pages: generated office documents (a heading, lines of text, a table, a
// page number; a grey ramp and colour bars in the colour modes), the same for the same page
// number and settings. Portable, so that tests compare transfers with the very same pages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tvscan {

// The numbers are TWAIN's pixel types.
enum class PixelType : uint16_t { Bw = 0, Gray = 1, Rgb = 2, Palette = 3 };
enum class PaperSize { A4, Letter };

struct PageSettings {
  PixelType pixel_type = PixelType::Bw;
  uint32_t dpi = 200;
  PaperSize paper = PaperSize::A4;
  bool vanilla = false;  // pixel flavor: false 0 is darkest (chocolate), true 0 is lightest
  uint16_t gray_bits = 8;  // 8, or 4: grey in 16 steps of 17
};

struct Colour {
  uint8_t red, green, blue;
};

// Rows top-down, each row_bytes long without padding; bits MSB first, bits after the last
// pixel white; RGB in red, green, blue
// order; palette images index PaletteColours().
struct Raster {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bits_per_pixel = 1;
  size_t row_bytes = 0;
  std::vector<uint8_t> pixels;

  const uint8_t* Row(uint32_t y) const { return pixels.data() + size_t{y} * row_bytes; }
};

uint32_t PaperWidth(PaperSize paper, uint32_t dpi);
uint32_t PaperHeight(PaperSize paper, uint32_t dpi);
uint16_t BitsPerPixel(PixelType type);
// The same with the grey depth of the settings.
uint16_t BitsPerPixel(const PageSettings& settings);
size_t PackedRowBytes(uint32_t width, uint16_t bits_per_pixel);

// The 256 colours of palette images: three bits red, three green, two blue.
std::array<Colour, 256> PaletteColours();

Raster GeneratePage(uint32_t page_number, const PageSettings& settings);

// Converts a colour picture (width x height RGB triples, top-down) to the settings' pixel type.
Raster ConvertPicture(const std::vector<Colour>& picture, uint32_t width, uint32_t height,
                      const PageSettings& settings);

}  // namespace tvscan
