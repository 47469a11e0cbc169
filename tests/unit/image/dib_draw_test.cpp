#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "image/dib.h"
#include "tests/unit/image/dib_builders.h"

namespace quill {
namespace {

constexpr int kWidth = 13;  // odd, so that every bit count pads its rows
constexpr int kHeight = 5;
constexpr COLORREF kUntouched = RGB(0xAB, 0xCD, 0xEF);

// The colour of entry i in every test palette: distinct, none equal to kUntouched.
RGBQUAD TableColor(DWORD i) {
  RGBQUAD color{};
  color.rgbRed = static_cast<BYTE>(i * 7 + 1);
  color.rgbGreen = static_cast<BYTE>(255 - i);
  color.rgbBlue = static_cast<BYTE>(i * 3);
  return color;
}

COLORREF TrueColor(int x, int yFromTop) { return RGB(x * 19, yFromTop * 47, 200 - x - yFromTop); }

DWORD IndexAt(int x, int yFromTop, DWORD colors) { return (x * 3 + yFromTop * 5) % colors; }

// A test image as a top-down grid of colours, and the DIB that stores it.
struct TestImage {
  GlobalBlock dib;
  std::vector<COLORREF> expected;  // kWidth x kHeight, top row first
  COLORREF At(int x, int yFromTop) const { return expected[yFromTop * kWidth + x]; }
};

void PutIndex(BYTE* row, int x, WORD bits, DWORD index) {
  const int bitOffset = x * bits;
  const int shift = 8 - bits - bitOffset % 8;
  row[bitOffset / 8] |= static_cast<BYTE>(index << shift);
}

TestImage MakeInfoImage(WORD bits) {
  TestImage image;
  image.dib = CreateBlankDib(kWidth, kHeight, bits);
  LockedDib locked(image.dib.get());
  const DibLayout& layout = locked.layout();
  for (DWORD i = 0; i < layout.colorCount; ++i) {
    const RGBQUAD color = TableColor(i);
    std::memcpy(locked.colorTable() + i * sizeof color, &color, sizeof color);
  }
  for (int y = 0; y < kHeight; ++y) {
    BYTE* row = locked.pixels() + (kHeight - 1 - y) * layout.rowStride;  // bottom-up
    for (int x = 0; x < kWidth; ++x) {
      if (bits == 24) {
        const COLORREF color = TrueColor(x, y);
        row[x * 3] = GetBValue(color);
        row[x * 3 + 1] = GetGValue(color);
        row[x * 3 + 2] = GetRValue(color);
        image.expected.push_back(color);
      } else {
        const DWORD index = IndexAt(x, y, layout.colorCount);
        PutIndex(row, x, bits, index);
        const RGBQUAD c = TableColor(index);
        image.expected.push_back(RGB(c.rgbRed, c.rgbGreen, c.rgbBlue));
      }
    }
  }
  return image;
}

// A core-form 8-bit image whose first word is `headerSize`, with 3-byte table entries.
TestImage MakeCoreImage(DWORD headerSize) {
  const DWORD stride = (kWidth * 8 + 31) / 32 * 4;
  std::vector<BYTE> bytes = CoreDibBytes(headerSize, kWidth, kHeight, 8, 256 * 3 + stride * kHeight);
  BYTE* table = bytes.data() + headerSize;
  for (DWORD i = 0; i < 256; ++i) {
    const RGBQUAD color = TableColor(i);
    table[i * 3] = color.rgbBlue;
    table[i * 3 + 1] = color.rgbGreen;
    table[i * 3 + 2] = color.rgbRed;
  }
  TestImage image;
  BYTE* pixels = table + 256 * 3;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const DWORD index = IndexAt(x, y, 256);
      pixels[(kHeight - 1 - y) * stride + x] = static_cast<BYTE>(index);
      const RGBQUAD c = TableColor(index);
      image.expected.push_back(RGB(c.rgbRed, c.rgbGreen, c.rgbBlue));
    }
  }
  image.dib = BlockWith(bytes);
  return image;
}

// A memory device context drawing into a top-down 24-bit DIB section filled with kUntouched.
class DrawDibTest : public ::testing::Test {
 protected:
  static constexpr int kCanvas = 32;

  void SetUp() override {
    dc_ = ScopedDc::CompatibleWith(nullptr);
    ASSERT_TRUE(dc_);
    BITMAPINFO info{};
    info.bmiHeader = InfoHeader(kCanvas, -kCanvas, 24);
    void* bits = nullptr;
    canvas_ = ScopedBitmap(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(canvas_);
    canvasBits_ = static_cast<BYTE*>(bits);
    ClearCanvas();
    selection_ = std::make_unique<ScopedSelection>(dc_.get(), canvas_.get());
    ASSERT_TRUE(*selection_);
  }
  void TearDown() override { selection_.reset(); }

  void ClearCanvas() {
    GdiFlush();
    for (int y = 0; y < kCanvas; ++y) {
      for (int x = 0; x < kCanvas; ++x) {
        BYTE* pixel = canvasBits_ + y * kCanvasStride + x * 3;
        pixel[0] = GetBValue(kUntouched);
        pixel[1] = GetGValue(kUntouched);
        pixel[2] = GetRValue(kUntouched);
      }
    }
  }

  COLORREF CanvasAt(int x, int y) {
    GdiFlush();
    const BYTE* pixel = canvasBits_ + y * kCanvasStride + x * 3;
    return RGB(pixel[2], pixel[1], pixel[0]);
  }

  // Compares the canvas rectangle at (left, top) with the image's top-down rectangle `part`, and
  // checks that everything else on the canvas is untouched.
  void ExpectCanvasShows(const TestImage& image, const RECT& part, int left, int top) {
    for (int y = 0; y < kCanvas; ++y) {
      for (int x = 0; x < kCanvas; ++x) {
        const int ix = x - left + part.left;
        const int iy = y - top + part.top;
        const bool inside = ix >= part.left && ix < part.right && iy >= part.top && iy < part.bottom;
        const COLORREF expected = inside ? image.At(ix, iy) : kUntouched;
        ASSERT_EQ(CanvasAt(x, y), expected) << "canvas pixel " << x << "," << y;
      }
    }
  }

  static constexpr int kCanvasStride = kCanvas * 3;
  ScopedDc dc_;
  ScopedBitmap canvas_;
  BYTE* canvasBits_ = nullptr;
  std::unique_ptr<ScopedSelection> selection_;
};

constexpr RECT kWhole = {0, 0, kWidth, kHeight};

TEST_F(DrawDibTest, DrawsEveryBitCountPixelForPixel) {
  for (WORD bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(testing::Message() << bits << " bits");
    TestImage image = MakeInfoImage(bits);
    ASSERT_TRUE(image.dib);
    const RECT dst = {3, 2, 3 + kWidth, 2 + kHeight};
    EXPECT_EQ(DrawDib(dc_.get(), dst, image.dib.get(), kWhole, nullptr), kHeight);
    ExpectCanvasShows(image, kWhole, 3, 2);
    ClearCanvas();
  }
}

TEST_F(DrawDibTest, DrawsTheCoreFormWithItsThreeByteColorTable) {
  for (DWORD headerSize : {12u, 108u}) {
    SCOPED_TRACE(testing::Message() << "header size " << headerSize);
    TestImage image = MakeCoreImage(headerSize);
    ASSERT_TRUE(image.dib);
    EXPECT_EQ(DrawDib(dc_.get(), kWhole, image.dib.get(), kWhole, nullptr), kHeight);
    ExpectCanvasShows(image, kWhole, 0, 0);
    ClearCanvas();
  }
}

TEST_F(DrawDibTest, SourceRowsCountFromTheBottom) {
  TestImage image = MakeInfoImage(8);
  // The top-down part (2, 1)-(6, 3) of the picture is (2, h - 3)-(6, h - 1) for the DIB.
  const RECT topDownPart = {2, 1, 6, 3};
  const RECT src = {2, kHeight - 3, 6, kHeight - 1};
  const RECT dst = {0, 0, 4, 2};
  DrawDib(dc_.get(), dst, image.dib.get(), src, nullptr);
  ExpectCanvasShows(image, topDownPart, 0, 0);
}

TEST_F(DrawDibTest, StretchesWithoutBlendingColors) {
  TestImage image = MakeInfoImage(24);
  const RECT dst = {0, 0, kWidth * 2, kHeight * 2};
  DrawDib(dc_.get(), dst, image.dib.get(), kWhole, nullptr);
  EXPECT_EQ(GetStretchBltMode(dc_.get()), COLORONCOLOR);
  for (int y = 0; y < kHeight * 2; ++y) {
    for (int x = 0; x < kWidth * 2; ++x) {
      ASSERT_EQ(CanvasAt(x, y), image.At(x / 2, y / 2)) << x << "," << y;
    }
  }
}

TEST_F(DrawDibTest, SelectsThePaletteOnlyWhileDrawing) {
  TestImage image = MakeInfoImage(8);
  ScopedPalette palette;
  ASSERT_TRUE(CreatePaletteFromDib(image.dib.get(), palette));
  HGDIOBJ before = GetCurrentObject(dc_.get(), OBJ_PAL);
  EXPECT_EQ(DrawDib(dc_.get(), kWhole, image.dib.get(), kWhole, palette.get()), kHeight);
  EXPECT_EQ(GetCurrentObject(dc_.get(), OBJ_PAL), before);
  ExpectCanvasShows(image, kWhole, 0, 0);
}

TEST_F(DrawDibTest, LeavesTheDeviceContextAloneWithoutAUsableDib) {
  SetStretchBltMode(dc_.get(), HALFTONE);
  ScopedPalette palette(CreateHalftonePalette(dc_.get()));
  HGDIOBJ before = GetCurrentObject(dc_.get(), OBJ_PAL);

  EXPECT_EQ(DrawDib(dc_.get(), kWhole, nullptr, kWhole, palette.get()), 0);

  // A header that promises more rows than its block holds.
  std::vector<BYTE> shortDib = DibBytes(InfoHeader(kWidth, kHeight, 24), 40 * kHeight - 1);
  GlobalBlock malformed = BlockWith(shortDib);
  EXPECT_EQ(DrawDib(dc_.get(), kWhole, malformed.get(), kWhole, palette.get()), 0);

  EXPECT_EQ(GetStretchBltMode(dc_.get()), HALFTONE);
  EXPECT_EQ(GetCurrentObject(dc_.get(), OBJ_PAL), before);
  EXPECT_EQ(CanvasAt(0, 0), kUntouched);
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
  std::vector<PALETTEENTRY> entries(GetPaletteEntryCount(palette));
  if (!entries.empty()) GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
  return entries;
}

void ExpectTableColors(const std::vector<PALETTEENTRY>& entries, size_t count) {
  ASSERT_EQ(entries.size(), count);
  for (size_t i = 0; i < count; ++i) {
    const RGBQUAD color = TableColor(static_cast<DWORD>(i));
    EXPECT_EQ(entries[i].peRed, color.rgbRed) << i;
    EXPECT_EQ(entries[i].peGreen, color.rgbGreen) << i;
    EXPECT_EQ(entries[i].peBlue, color.rgbBlue) << i;
    EXPECT_EQ(entries[i].peFlags, 0) << i;
  }
}

TEST(Palettes, AreBuiltFromTheColorTableOfEitherForm) {
  for (WORD bits : {1, 4, 8}) {
    TestImage image = MakeInfoImage(bits);
    ScopedPalette palette;
    EXPECT_NE(CreatePaletteFromDib(image.dib.get(), palette), 0) << bits;
    ExpectTableColors(EntriesOf(palette.get()), size_t{1} << bits);
  }
  TestImage core = MakeCoreImage(12);
  ScopedPalette palette;
  EXPECT_NE(CreatePaletteFromDib(core.dib.get(), palette), 0);
  ExpectTableColors(EntriesOf(palette.get()), 256);
}

TEST(Palettes, ClrUsedSetsTheNumberOfEntries) {
  BITMAPINFOHEADER header = InfoHeader(2, 2, 8, 5);
  std::vector<BYTE> bytes = DibBytes(header, 5 * 4 + 8);
  for (DWORD i = 0; i < 5; ++i) {
    const RGBQUAD color = TableColor(i);
    std::memcpy(bytes.data() + 40 + i * 4, &color, sizeof color);
  }
  GlobalBlock dib = BlockWith(bytes);
  ScopedPalette palette;
  ASSERT_NE(CreatePaletteFromDib(dib.get(), palette), 0);
  EXPECT_EQ(GetPaletteEntryCount(palette.get()), 5);
  ExpectTableColors(EntriesOf(palette.get()), 5);
}

TEST(Palettes, ANoColorTableLeavesThePaletteObjectAsItWas) {
  GlobalBlock rgb = CreateBlankDib(4, 4, 24);
  ScopedPalette empty;
  EXPECT_EQ(CreatePaletteFromDib(rgb.get(), empty), 0);
  EXPECT_FALSE(empty);
  EXPECT_EQ(CreatePaletteFromDib(nullptr, empty), 0);
  EXPECT_FALSE(empty);

  TestImage image = MakeInfoImage(4);
  ScopedPalette held;
  ASSERT_NE(CreatePaletteFromDib(image.dib.get(), held), 0);
  const HPALETTE kept = held.get();
  EXPECT_EQ(CreatePaletteFromDib(rgb.get(), held), 0);
  EXPECT_EQ(held.get(), kept);

  // A colour table that reaches past its block gives no palette either.
  GlobalBlock cut = BlockWith(DibBytes(InfoHeader(1, 1, 8), 1000));
  EXPECT_EQ(CreatePaletteFromDib(cut.get(), empty), 0);
  EXPECT_FALSE(empty);
}

TEST(Palettes, DuplicateHasItsOwnHandleAndTheSameEntries) {
  TestImage image = MakeInfoImage(8);
  ScopedPalette original;
  ASSERT_NE(CreatePaletteFromDib(image.dib.get(), original), 0);
  ScopedPalette copy = DuplicatePalette(original.get());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), original.get());
  const std::vector<PALETTEENTRY> copied = EntriesOf(copy.get());
  original.reset();
  ExpectTableColors(copied, 256);

  EXPECT_FALSE(DuplicatePalette(nullptr));
  EXPECT_EQ(GetPaletteEntryCount(nullptr), 0);
}

}  // namespace
}  // namespace quill
