// The memory transfer's own arithmetic and copies, without a source: sizes from the image
// information, resolution, colour tables, and strips placed row by row within their bounds.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "image/dib.h"
#include "twain/memory_image.h"

namespace quill {
namespace {

TW_IMAGEINFO Info(TW_INT32 width, TW_INT32 length, TW_INT16 bits, TW_UINT16 compression = TWCP_NONE) {
  TW_IMAGEINFO info{};
  info.ImageWidth = width;
  info.ImageLength = length;
  info.BitsPerPixel = bits;
  info.Compression = compression;
  return info;
}

TEST(MemoryImageLayoutTest, SizesPaddedAndPacked) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(1000, 10, 1), layout), LayoutFault::kNone);
  EXPECT_EQ(layout.stride, 128u);
  EXPECT_EQ(layout.packedRowBytes, 125u);
  EXPECT_EQ(layout.imageBytes, 1280u);
  // Not a multiple of 8: the last byte's pixels count.
  ASSERT_EQ(ComputeMemoryImageLayout(Info(2550, 3300, 1, TWCP_GROUP4), layout), LayoutFault::kNone);
  EXPECT_EQ(layout.packedRowBytes, 319u);
  EXPECT_EQ(layout.stride, 320u);
  ASSERT_EQ(ComputeMemoryImageLayout(Info(413, 5, 24), layout), LayoutFault::kNone);
  EXPECT_EQ(layout.packedRowBytes, 1239u);
  EXPECT_EQ(layout.stride, 1240u);
}

TEST(MemoryImageLayoutTest, UnknownLengthLeavesTheRowsOpen) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(2480, kUnknownImageLength, 8), layout), LayoutFault::kNone);
  EXPECT_FALSE(layout.lengthKnown);
  EXPECT_EQ(layout.rows, 0u);
  EXPECT_EQ(layout.imageBytes, 0u);
}

TEST(MemoryImageLayoutTest, RefusesWhatNoDibCanHold) {
  MemoryImageLayout layout;
  EXPECT_EQ(ComputeMemoryImageLayout(Info(0, 10, 1), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(-5, 10, 1), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(10, 0, 1), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(10, -2, 1), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(10, 10, 16), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(10, 10, 8, TWCP_GROUP4), layout), LayoutFault::kUnusable);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(10, 10, 1, TWCP_PACKBITS), layout), LayoutFault::kUnusable);
  // Sizes that would overflow 32 bits are too large, not small.
  EXPECT_EQ(ComputeMemoryImageLayout(Info(0x7FFFFFFF, 0x7FFFFFFF, 24), layout), LayoutFault::kTooLarge);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(65536, 65536, 8), layout), LayoutFault::kTooLarge);
  EXPECT_EQ(ComputeMemoryImageLayout(Info(0x7FFFFFFF, kUnknownImageLength, 24), layout),
            LayoutFault::kTooLarge);
}

TEST(MemoryImageHeaderTest, ResolutionByUnit) {
  EXPECT_EQ(ResolutionToPixelsPerMeter(TW_FIX32{300, 0}, TWUN_INCHES), 11811);
  EXPECT_EQ(ResolutionToPixelsPerMeter(TW_FIX32{118, 0}, TWUN_CENTIMETERS), 11800);
  EXPECT_EQ(ResolutionToPixelsPerMeter(TW_FIX32{200, 0}, TWUN_INCHES), 7874);
  EXPECT_EQ(ResolutionToPixelsPerMeter(TW_FIX32{72, 32768}, TWUN_INCHES), 2854);  // 72.5 dpi
  EXPECT_EQ(ResolutionToPixelsPerMeter(TW_FIX32{300, 0}, TWUN_PIXELS), 0);
}

TEST(MemoryImageHeaderTest, ColourTablesByFlavor) {
  std::vector<RGBQUAD> bw = BlackAndWhiteTable(TWPF_CHOCOLATE);
  ASSERT_EQ(bw.size(), 2u);
  EXPECT_EQ(bw[0].rgbRed, 0);
  EXPECT_EQ(bw[1].rgbBlue, 255);
  bw = BlackAndWhiteTable(TWPF_VANILLA);
  EXPECT_EQ(bw[0].rgbGreen, 255);
  EXPECT_EQ(bw[1].rgbGreen, 0);
  std::vector<RGBQUAD> gray = GrayTable(TWPF_VANILLA, 8);
  ASSERT_EQ(gray.size(), 256u);
  EXPECT_EQ(gray[0].rgbRed, 255);
  EXPECT_EQ(gray[255].rgbRed, 0);
  EXPECT_EQ(GrayTable(TWPF_CHOCOLATE, 8)[10].rgbBlue, 10);
  TW_PALETTE8 palette{};
  palette.NumColors = 300;  // more than a source may send
  palette.Colors[1] = TW_ELEMENT8{1, 10, 20, 30};
  std::vector<RGBQUAD> table = SourcePaletteTable(palette, 8);
  ASSERT_EQ(table.size(), 256u);
  EXPECT_EQ(table[1].rgbRed, 10);
  EXPECT_EQ(table[1].rgbGreen, 20);
  EXPECT_EQ(table[1].rgbBlue, 30);
  EXPECT_EQ(table[1].rgbReserved, 0);
  EXPECT_EQ(SourcePaletteTable(palette, 4).size(), 16u);
}

TEST(MemoryImageHeaderTest, TransferDibIsValidWithItsTableAndRows) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(100, 7, 8), layout), LayoutFault::kNone);
  DibDescription description;
  description.xPelsPerMeter = 11811;
  description.colours.assign(16, RGBQUAD{1, 2, 3, 0});
  GlobalBlock dib = CreateTransferDib(layout, 7, description);
  ASSERT_TRUE(dib);
  LockedDib locked(dib.get());
  ASSERT_TRUE(locked);
  EXPECT_EQ(locked.layout().colorCount, 16u);
  EXPECT_EQ(locked.layout().pixelOffset, 40u + 16 * 4);
  BITMAPINFOHEADER header;
  std::memcpy(&header, locked.bytes(), sizeof header);
  EXPECT_EQ(header.biSizeImage, 7u * 100);
  EXPECT_EQ(header.biXPelsPerMeter, 11811);
  EXPECT_EQ(header.biClrUsed, 16u);
  EXPECT_EQ(CreateTransferDib(layout, 0, description).get(), nullptr);
}

// A strip record as a source fills it.
TW_IMAGEMEMXFER Strip(DWORD bytesPerRow, DWORD rows) {
  TW_IMAGEMEMXFER strip{};
  strip.BytesPerRow = bytesPerRow;
  strip.Rows = rows;
  return strip;
}

TEST(CopyStripTest, ThreeStridesFillThreeRowsMovingDown) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(32, 5, 8), layout), LayoutFault::kNone);
  std::vector<BYTE> pixels(5 * 32, 0);
  DibRowTarget target(pixels.data(), 32, 5);
  std::vector<BYTE> strip(3 * 32);
  for (size_t i = 0; i < strip.size(); ++i) strip[i] = static_cast<BYTE>(1 + i / 32);
  EXPECT_EQ(CopyStrip(target, strip.data(), 96, Strip(TWON_DONTCARE32, TWON_DONTCARE32), layout, false), 3u);
  EXPECT_EQ(pixels[4 * 32], 1);  // the top row is the last in memory
  EXPECT_EQ(pixels[3 * 32], 2);
  EXPECT_EQ(pixels[2 * 32], 3);
  EXPECT_EQ(pixels[1 * 32], 0);
  EXPECT_EQ(target.RowsWritten(), 3u);
}

TEST(CopyStripTest, HonoursTheStripsRowLengthAndRowCount) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(10, 4, 8), layout), LayoutFault::kNone);  // stride 12
  std::vector<BYTE> pixels(4 * 12, 0);
  DibRowTarget target(pixels.data(), 12, 4);
  // Packed rows of 10 bytes, three of them, although 32 bytes came.
  std::vector<BYTE> strip(32, 0xEE);
  for (int row = 0; row < 3; ++row) std::memset(strip.data() + row * 10, 0x10 + row, 10);
  EXPECT_EQ(CopyStrip(target, strip.data(), 32, Strip(10, 2), layout, false), 2u);
  EXPECT_EQ(pixels[3 * 12 + 9], 0x10);
  EXPECT_EQ(pixels[3 * 12 + 10], 0);  // padding stays zero
  EXPECT_EQ(pixels[2 * 12], 0x11);
  EXPECT_EQ(pixels[1 * 12], 0);
  // Rows padded wider than the DIB's: only the packed row is taken.
  std::vector<BYTE> padded(2 * 16, 0x77);
  EXPECT_EQ(CopyStrip(target, padded.data(), 32, Strip(16, 2), layout, false), 2u);
  EXPECT_EQ(pixels[0 * 12 + 9], 0x77);
  EXPECT_EQ(pixels[0 * 12 + 10], 0);
}

TEST(CopyStripTest, RowsBeyondTheImageAreDropped) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(4, 2, 8), layout), LayoutFault::kNone);
  std::vector<BYTE> pixels(2 * 4 + 4, 0xAB);  // a guard row after the image
  DibRowTarget target(pixels.data(), 4, 2);
  std::vector<BYTE> strip(5 * 4, 0x01);
  EXPECT_EQ(CopyStrip(target, strip.data(), 20, Strip(4, 5), layout, false), 2u);
  EXPECT_EQ(CopyStrip(target, strip.data(), 20, Strip(4, 5), layout, false), 0u);
  EXPECT_EQ(pixels[8], 0xAB);
  EXPECT_EQ(pixels[11], 0xAB);
}

TEST(CopyStripTest, RgbSamplesBecomeBlueGreenRed) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(2, 1, 24), layout), LayoutFault::kNone);
  std::vector<BYTE> pixels(8, 0);
  DibRowTarget target(pixels.data(), 8, 1);
  const BYTE strip[6] = {10, 20, 30, 40, 50, 60};
  EXPECT_EQ(CopyStrip(target, strip, 6, Strip(6, 1), layout, true), 1u);
  EXPECT_EQ(std::vector<BYTE>(pixels.begin(), pixels.begin() + 6), (std::vector<BYTE>{30, 20, 10, 60, 50, 40}));
}

TEST(CopyStripTest, UnknownLengthGathersRowsAndStoresThemBottomUp) {
  MemoryImageLayout layout;
  ASSERT_EQ(ComputeMemoryImageLayout(Info(4, kUnknownImageLength, 8), layout), LayoutFault::kNone);
  GrowingRowTarget target(4, 3 * 4);  // room for three rows at most
  const BYTE strip[16] = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4};
  EXPECT_EQ(CopyStrip(target, strip, 16, Strip(4, 4), layout, false), 3u);
  std::vector<BYTE> pixels(12, 0);
  target.CopyInto(pixels.data());
  EXPECT_EQ(pixels, (std::vector<BYTE>{3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}));
}

TEST(GatherBufferTest, GrowsUpToItsLimitAndNoFurther) {
  GatherBuffer buffer(4, 10);
  ASSERT_TRUE(buffer);
  const BYTE bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(buffer.Append(bytes, 8));
  EXPECT_FALSE(buffer.Append(bytes, 8));  // only two more fit
  EXPECT_EQ(buffer.size(), 10u);
  EXPECT_FALSE(buffer.Append(bytes, 1));
  GlobalLockGuard lock(buffer.get());
  ASSERT_TRUE(lock);
  EXPECT_EQ(lock.bytes()[8], 1);
  EXPECT_EQ(lock.bytes()[9], 2);
}

}  // namespace
}  // namespace quill
