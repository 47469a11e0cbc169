#include "scanner/page_generator.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tvscan {
namespace {

// A 5 x 7 font for the characters the pages print; each row's five bits, leftmost highest.
struct Glyph {
  char character;
  uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}}, {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& glyph : kFont) {
    if (glyph.character == c) return &glyph;
  }
  return nullptr;  // blanks and characters without a glyph leave their cell empty
}

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kInk{24, 24, 32};

// A colour picture the size of the page; drawing is clipped to it.
class Canvas {
 public:
  Canvas(uint32_t width, uint32_t height, uint32_t dpi)
      : width_(width), height_(height), dpi_(dpi), pixels_(size_t{width} * height, kWhite) {}

  // Lengths in points (1/72 inch) become pixels at the page's resolution.
  int32_t Px(int32_t points) const { return static_cast<int32_t>(int64_t{points} * dpi_ / 72); }

  void Fill(int32_t x, int32_t y, int32_t w, int32_t h, Colour colour) {
    int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    int32_t x1 = std::min<int32_t>(x + w, static_cast<int32_t>(width_));
    int32_t y1 = std::min<int32_t>(y + h, static_cast<int32_t>(height_));
    for (int32_t row = y0; row < y1; ++row) {
      for (int32_t col = x0; col < x1; ++col) pixels_[size_t(row) * width_ + size_t(col)] = colour;
    }
  }

  // Text in the 5 x 7 font, each font dot `module` pixels square; returns the width drawn.
  int32_t Text(int32_t x, int32_t y, const std::string& text, int32_t module, Colour colour) {
    int32_t pen = x;
    for (char c : text) {
      if (const Glyph* glyph = FindGlyph(c)) {
        for (int row = 0; row < 7; ++row) {
          for (int col = 0; col < 5; ++col) {
            if (glyph->rows[row] & (0x10 >> col)) {
              Fill(pen + col * module, y + row * module, module, module, colour);
            }
          }
        }
      }
      pen += 6 * module;
    }
    return pen - x;
  }

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  const std::vector<Colour>& pixels() const { return pixels_; }

 private:
  uint32_t width_, height_, dpi_;
  std::vector<Colour> pixels_;
};

// Small deterministic generator: the same page number gives the same words.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  uint32_t Next(uint32_t bound) {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 8) % bound;
  }

 private:
  uint32_t state_;
};

void DrawHeading(Canvas& canvas, int32_t margin, int32_t& y) {
  int32_t module = std::max<int32_t>(1, canvas.Px(5) / 2);
  canvas.Text(margin, y, "TALVORN SCANNER TEST SHEET", module, kInk);
  y += module * 7 + canvas.Px(8);
  canvas.Fill(margin, y, static_cast<int32_t>(canvas.width()) - 2 * margin, std::max(1, canvas.Px(2)),
              kInk);
  y += canvas.Px(16);
}

void DrawTextLines(Canvas& canvas, uint32_t page, int32_t margin, int32_t& y) {
  Lcg random(page);
  int32_t right = static_cast<int32_t>(canvas.width()) - margin;
  int32_t x_height = std::max(1, canvas.Px(6));
  for (int line = 0; line < 12; ++line) {
    int32_t x = margin + (line % 4 == 0 ? canvas.Px(18) : 0);  // a paragraph starts indented
    int32_t end = line % 4 == 3 ? margin + (right - margin) * 2 / 3 : right;
    while (true) {
      int32_t word = canvas.Px(static_cast<int32_t>(8 + random.Next(40)));
      if (x + word > end) break;
      canvas.Fill(x, y, word, x_height, kInk);
      x += word + canvas.Px(5);
    }
    y += canvas.Px(15);
  }
  y += canvas.Px(10);
}

void DrawTable(Canvas& canvas, uint32_t page, int32_t margin, int32_t& y) {
  const int columns = 4, rows = 5;
  int32_t width = static_cast<int32_t>(canvas.width()) - 2 * margin;
  int32_t cell_w = width / columns, cell_h = canvas.Px(20);
  int32_t line = std::max(1, canvas.Px(1));
  int32_t module = std::max<int32_t>(1, canvas.Px(3) / 2);
  for (int r = 0; r <= rows; ++r) canvas.Fill(margin, y + r * cell_h, cell_w * columns + line, line, kInk);
  for (int c = 0; c <= columns; ++c) canvas.Fill(margin + c * cell_w, y, line, cell_h * rows, kInk);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      std::string value = r == 0 ? std::string(1, "ACEG"[c]) : std::to_string((r * 37 + c * 11) * page % 1000);
      canvas.Text(margin + c * cell_w + canvas.Px(5), y + r * cell_h + canvas.Px(5), value, module, kInk);
    }
  }
  y += cell_h * rows + canvas.Px(18);
}

void DrawRampAndBars(Canvas& canvas, int32_t margin, int32_t& y) {
  int32_t width = static_cast<int32_t>(canvas.width()) - 2 * margin;
  int32_t height = canvas.Px(22);
  for (int step = 0; step < 16; ++step) {
    auto v = static_cast<uint8_t>(step * 17);
    canvas.Fill(margin + width * step / 16, y, width / 16 + 1, height, Colour{v, v, v});
  }
  y += height + canvas.Px(6);
  const Colour bars[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255},
                         {255, 0, 255}, {255, 255, 0}, {0, 0, 0}};
  for (int i = 0; i < 7; ++i) canvas.Fill(margin + width * i / 7, y, width / 7 + 1, height, bars[i]);
  y += height;
}

void DrawPageNumber(Canvas& canvas, uint32_t page) {
  std::string text = "PAGE " + std::to_string(page);
  int32_t module = std::max<int32_t>(1, canvas.Px(2));
  int32_t width = static_cast<int32_t>(text.size()) * 6 * module;
  canvas.Text((static_cast<int32_t>(canvas.width()) - width) / 2,
              static_cast<int32_t>(canvas.height()) - canvas.Px(40), text, module, kInk);
}

uint8_t Luma(Colour c) { return static_cast<uint8_t>((c.red * 299 + c.green * 587 + c.blue * 114) / 1000); }

uint8_t PaletteIndex(Colour c) {
  return static_cast<uint8_t>((c.red & 0xE0) | ((c.green >> 3) & 0x1C) | (c.blue >> 6));
}

}  // namespace

uint32_t PaperWidth(PaperSize paper, uint32_t dpi) {
  return paper == PaperSize::A4 ? 2100 * dpi / 254 : 85 * dpi / 10;  // 210 mm, 8.5 in
}

uint32_t PaperHeight(PaperSize paper, uint32_t dpi) {
  return paper == PaperSize::A4 ? 2970 * dpi / 254 : 11 * dpi;  // 297 mm, 11 in
}

uint16_t BitsPerPixel(PixelType type) {
  switch (type) {
    case PixelType::Bw: return 1;
    case PixelType::Rgb: return 24;
    default: return 8;
  }
}

uint16_t BitsPerPixel(const PageSettings& settings) {
  if (settings.pixel_type == PixelType::Gray && settings.gray_bits == 4) return 4;
  return BitsPerPixel(settings.pixel_type);
}

size_t PackedRowBytes(uint32_t width, uint16_t bits_per_pixel) {
  return (size_t{width} * bits_per_pixel + 7) / 8;
}

std::array<Colour, 256> PaletteColours() {
  std::array<Colour, 256> colours{};
  for (unsigned i = 0; i < 256; ++i) {
    colours[i] = Colour{static_cast<uint8_t>((i >> 5) * 255 / 7), static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
                        static_cast<uint8_t>((i & 3) * 255 / 3)};
  }
  return colours;
}

Raster ConvertPicture(const std::vector<Colour>& picture, uint32_t width, uint32_t height,
                      const PageSettings& settings) {
  Raster raster;
  raster.width = width;
  raster.height = height;
  raster.bits_per_pixel = BitsPerPixel(settings);
  raster.row_bytes = PackedRowBytes(width, raster.bits_per_pixel);
  raster.pixels.assign(raster.row_bytes * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = raster.pixels.data() + size_t{y} * raster.row_bytes;
    const Colour* source = picture.data() + size_t{y} * width;
    for (uint32_t x = 0; x < width; ++x) {
      Colour c = source[x];
      switch (settings.pixel_type) {
        case PixelType::Bw: {
          bool dark = Luma(c) < 128;
          // Chocolate: black is 0. Vanilla: white is 0.
          if (dark == settings.vanilla) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        }
        case PixelType::Gray: {
          const uint8_t grey = settings.vanilla ? static_cast<uint8_t>(255 - Luma(c)) : Luma(c);
          if (raster.bits_per_pixel == 4) {
            const auto step = static_cast<uint8_t>((grey + 8) / 17);  // the nearest of 16 greys
            row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? step << 4 : step);
          } else {
            row[x] = grey;
          }
          break;
        }
        case PixelType::Rgb:
          row[3 * x] = c.red;
          row[3 * x + 1] = c.green;
          row[3 * x + 2] = c.blue;
          break;
        case PixelType::Palette: row[x] = PaletteIndex(c); break;
      }
    }
    // The bits after the last pixel of a bilevel row are white, as CCITT decoders paint them.
    if (settings.pixel_type == PixelType::Bw && !settings.vanilla && width % 8 != 0) {
      row[raster.row_bytes - 1] |= static_cast<uint8_t>(0xFF >> (width % 8));
    }
  }
  return raster;
}

Raster GeneratePage(uint32_t page_number, const PageSettings& settings) {
  Canvas canvas(PaperWidth(settings.paper, settings.dpi), PaperHeight(settings.paper, settings.dpi),
                settings.dpi);
  int32_t margin = canvas.Px(54);
  int32_t y = canvas.Px(54);
  DrawHeading(canvas, margin, y);
  DrawTextLines(canvas, page_number, margin, y);
  DrawTable(canvas, page_number, margin, y);
  if (settings.pixel_type != PixelType::Bw) DrawRampAndBars(canvas, margin, y);
  DrawPageNumber(canvas, page_number);
  return ConvertPicture(canvas.pixels(), canvas.width(), canvas.height(), settings);
}

}  // namespace tvscan
