#include <gtest/gtest.h>

#include <climits>

#include "image/dib.h"
#include "tests/unit/image/dib_builders.h"

namespace quill {
namespace {

BITMAPINFOHEADER HeaderOf(HGLOBAL dib) {
  BITMAPINFOHEADER header{};
  GlobalLockGuard lock(dib);
  if (lock) std::memcpy(&header, lock.data(), sizeof header);
  return header;
}

TEST(CreateBlankDib, RoundsTheBitCountUpToOneTheProgramDraws) {
  const WORD requested[] = {0, 1, 2, 3, 5, 8, 9, 16, 24, 25, 32};
  const WORD expected[] = {1, 1, 4, 4, 8, 8, 24, 24, 24, 4, 4};
  for (size_t i = 0; i < sizeof requested / sizeof requested[0]; ++i) {
    GlobalBlock dib = CreateBlankDib(2, 2, requested[i]);
    ASSERT_TRUE(dib) << requested[i];
    EXPECT_EQ(HeaderOf(dib.get()).biBitCount, expected[i]) << "requested " << requested[i];
  }
}

TEST(CreateBlankDib, AllocatesHeaderTableAndPaddedRowsButCountsUnpaddedImageSize) {
  GlobalBlock mono = CreateBlankDib(1, 1, 1);
  ASSERT_TRUE(mono);
  EXPECT_EQ(GlobalSize(mono.get()), 40u + 8u + 4u);

  GlobalBlock rgb = CreateBlankDib(3, 2, 24);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(GlobalSize(rgb.get()), 40u + 0u + 12u * 2u);
  const BITMAPINFOHEADER header = HeaderOf(rgb.get());
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 3);
  EXPECT_EQ(header.biHeight, 2);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 18u);
  EXPECT_EQ(header.biClrUsed, 0u);

  GlobalBlock grey = CreateBlankDib(5, 3, 8);
  ASSERT_TRUE(grey);
  EXPECT_EQ(GlobalSize(grey.get()), 40u + 1024u + 8u * 3u);
  LockedDib locked(grey.get());
  ASSERT_TRUE(locked);
  for (DWORD i = 40; i < locked.layout().totalSize; ++i) {
    ASSERT_EQ(locked.bytes()[i], 0) << "byte " << i;
  }
}

TEST(CreateBlankDib, RefusesDimensionsTheHeaderOrMemoryCannotHold) {
  EXPECT_FALSE(CreateBlankDib(0x80000000u, 1, 1));
  EXPECT_FALSE(CreateBlankDib(1, 0x80000000u, 1));
  EXPECT_FALSE(CreateBlankDib(0x7FFFFFFFu, 0x7FFFFFFFu, 24));
  EXPECT_FALSE(CreateBlankDib(0xFFFFFFFFu, 0xFFFFFFFFu, 32));
  // 100000 x 100000 x 24 bits: the unpadded size alone wraps 32 bits several times.
  EXPECT_FALSE(CreateBlankDib(100000, 100000, 24));
}

TEST(DibPointerHelpers, ColorCountFollowsClrUsedThenTheBitCount) {
  struct Case {
    WORD bits;
    DWORD clrUsed;
    DWORD count;
    WORD tableSize;
  } cases[] = {{1, 0, 2, 8},     {4, 0, 16, 64},  {8, 0, 256, 1024}, {16, 0, 0, 0},
               {24, 0, 0, 0},    {32, 0, 0, 0},   {8, 5, 5, 20},     {24, 3, 3, 12},
               {1, 1, 1, 4},     {4, 300, 300, 1200}};
  for (const Case& c : cases) {
    const std::vector<BYTE> dib = DibBytes(InfoHeader(4, 4, c.bits, c.clrUsed), 0);
    EXPECT_EQ(GetDibColorCount(dib.data()), c.count) << c.bits << " bits, " << c.clrUsed;
    EXPECT_EQ(GetDibColorTableSize(dib.data()), c.tableSize) << c.bits << " bits, " << c.clrUsed;
    EXPECT_EQ(GetDibPixels(dib.data()), dib.data() + 40 + c.tableSize);
  }
}

TEST(DibPointerHelpers, ColorTableSizeIsSixteenBitsWide) {
  const std::vector<BYTE> dib = DibBytes(InfoHeader(4, 4, 8, 0x10001), 0);
  EXPECT_EQ(GetDibColorCount(dib.data()), 0x10001u);
  EXPECT_EQ(GetDibColorTableSize(dib.data()), 4);
}

TEST(DibPointerHelpers, EightBitsWithFiveColorsStartTheirPixelsAtSixty) {
  const std::vector<BYTE> dib = DibBytes(InfoHeader(7, -9, 8, 5), 0);
  EXPECT_EQ(GetDibWidth(dib.data()), 7);
  EXPECT_EQ(GetDibHeight(dib.data()), -9);
  EXPECT_EQ(GetDibPixels(dib.data()) - dib.data(), 60);
}

TEST(DibPointerHelpers, AnyFirstWordButFortyIsTheCoreForm) {
  const std::vector<BYTE> core = CoreDibBytes(12, 300, 200, 8, 0);
  EXPECT_EQ(GetDibWidth(core.data()), 300);
  EXPECT_EQ(GetDibHeight(core.data()), 200);
  EXPECT_EQ(GetDibColorCount(core.data()), 256u);
  EXPECT_EQ(GetDibColorTableSize(core.data()), 768);
  EXPECT_EQ(GetDibPixels(core.data()) - core.data(), 12 + 768);

  // A 108-byte header: its width is the 16-bit value at byte 4, its table has 3-byte entries.
  std::vector<BYTE> v4 = CoreDibBytes(108, 0, 0, 4, 0);
  const LONG width = 0x00050123;  // only the low 16 bits count
  std::memcpy(v4.data() + 4, &width, sizeof width);
  EXPECT_EQ(GetDibWidth(v4.data()), 0x0123);
  EXPECT_EQ(GetDibHeight(v4.data()), 5);
  EXPECT_EQ(GetDibColorTableSize(v4.data()), 48);
  EXPECT_EQ(GetDibPixels(v4.data()) - v4.data(), 108 + 48);
}

TEST(GetDibTotalSize, StoresThePaddedSizeOfATopDownDib) {
  BITMAPINFOHEADER header = InfoHeader(10, -3, 8);
  header.biSizeImage = 7;
  std::vector<BYTE> dib = DibBytes(header, 1024 + 36);
  EXPECT_EQ(GetDibTotalSize(dib.data()), 40u + 1024u + 36u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biSizeImage, 36u);
}

TEST(GetDibTotalSize, TakesRunLengthDataAtItsStoredSize) {
  BITMAPINFOHEADER header = InfoHeader(100, 100, 8);
  header.biCompression = BI_RLE8;
  header.biSizeImage = 77;
  std::vector<BYTE> dib = DibBytes(header, 0);
  EXPECT_EQ(GetDibTotalSize(dib.data()), 40u + 1024u + 77u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biSizeImage, 77u);
}

TEST(GetDibTotalSize, ReportsZeroAndLeavesTheHeaderWhenTheSizeWrapsThirtyTwoBits) {
  BITMAPINFOHEADER header = InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32);
  header.biSizeImage = 5;
  std::vector<BYTE> dib = DibBytes(header, 0);
  EXPECT_EQ(GetDibTotalSize(dib.data()), 0u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biSizeImage, 5u);

  header = InfoHeader(-8, 2, 8);
  dib = DibBytes(header, 0);
  EXPECT_EQ(GetDibTotalSize(dib.data()), 0u);
}

TEST(ValidateDib, AcceptsTheDibsTheProgramMakes) {
  for (WORD bits : {1, 4, 8, 24}) {
    GlobalBlock blank = CreateBlankDib(13, 5, bits);
    LockedDib locked(blank.get());
    ASSERT_TRUE(locked) << bits;
    const DibLayout& layout = locked.layout();
    EXPECT_EQ(layout.form, DibForm::kInfo);
    EXPECT_EQ(layout.rowCount, 5u);
    EXPECT_EQ(layout.rowStride, (13u * bits + 31) / 32 * 4);
    EXPECT_EQ(layout.totalSize, GlobalSize(blank.get()));
  }
  // A memory transfer's block: 256 entries reserved whatever biClrUsed says, spare bytes at the end.
  BITMAPINFOHEADER bw = InfoHeader(17, 3, 1, 2);
  std::vector<BYTE> transfer = DibBytes(bw, 1024 + 4 * 3);
  DibLayout layout;
  ASSERT_EQ(ValidateDib(transfer.data(), transfer.size(), &layout), DibFault::kNone);
  EXPECT_EQ(layout.pixelOffset, 48u);
  EXPECT_EQ(layout.totalSize, 48u + 12u);
}

TEST(ValidateDib, MeasuresTopDownAndCoreForms) {
  GuardedPage page;
  ASSERT_TRUE(page.ok());
  DibLayout layout;

  const std::vector<BYTE> topDown = DibBytes(InfoHeader(10, -3, 8), 1024 + 36);
  ASSERT_EQ(ValidateDib(page.Place(topDown), topDown.size(), &layout), DibFault::kNone);
  EXPECT_EQ(layout.height, -3);
  EXPECT_EQ(layout.rowCount, 3u);
  EXPECT_EQ(layout.pixelDataSize, 36u);

  const std::vector<BYTE> core = CoreDibBytes(12, 5, 2, 4, 16 * 3 + 4 * 2);
  ASSERT_EQ(ValidateDib(page.Place(core), core.size(), &layout), DibFault::kNone);
  EXPECT_EQ(layout.form, DibForm::kCore);
  EXPECT_EQ(layout.colorEntrySize, 3u);
  EXPECT_EQ(layout.pixelOffset, 12u + 48u);
  EXPECT_EQ(layout.totalSize, core.size());
}

// Each malformed header is placed so that its block ends at an inaccessible page: a helper that
// read one byte too far would crash the test instead of failing it.
struct Malformed {
  const char* what;
  std::vector<BYTE> bytes;
  DibFault fault;
};

BITMAPINFOHEADER WithCompression(BITMAPINFOHEADER header, DWORD compression, DWORD sizeImage) {
  header.biCompression = compression;
  header.biSizeImage = sizeImage;
  return header;
}

std::vector<BYTE> WithFirstWord(std::vector<BYTE> bytes, DWORD word) {
  std::memcpy(bytes.data(), &word, sizeof word);
  return bytes;
}

std::vector<Malformed> MalformedDibs() {
  std::vector<BYTE> cutHeader = DibBytes(InfoHeader(1, 1, 1), 0);
  cutHeader.resize(39);
  return {
      {"three bytes", {40, 0, 0}, DibFault::kHeaderOutsideBlock},
      {"info header cut short", cutHeader, DibFault::kHeaderOutsideBlock},
      {"core header longer than the block", WithFirstWord(CoreDibBytes(12, 1, 1, 1, 0), 200),
       DibFault::kHeaderOutsideBlock},
      {"header size below twelve", {8, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0}, DibFault::kHeaderTooShort},
      {"negative width", DibBytes(InfoHeader(-1, 1, 24), 4), DibFault::kBadWidth},
      {"height without absolute value", DibBytes(InfoHeader(1, LONG_MIN, 24), 4),
       DibFault::kBadHeight},
      {"huge width", DibBytes(InfoHeader(0x7FFFFFFF, 1, 32), 64), DibFault::kTooLarge},
      {"huge height", DibBytes(InfoHeader(64, 0x7FFFFFFF, 24), 64), DibFault::kTooLarge},
      {"huge top-down height", DibBytes(InfoHeader(64, -0x7FFFFFFF, 24), 64), DibFault::kTooLarge},
      {"huge width and height", DibBytes(InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32), 64),
       DibFault::kTooLarge},
      {"0 bits", DibBytes(InfoHeader(1, 1, 0), 4), DibFault::kUnsupportedBitCount},
      {"2 bits", DibBytes(InfoHeader(1, 1, 2), 16 + 4), DibFault::kUnsupportedBitCount},
      {"33 bits", DibBytes(InfoHeader(1, 1, 33), 8), DibFault::kUnsupportedBitCount},
      {"16-bit core form", CoreDibBytes(12, 1, 1, 16, 4), DibFault::kUnsupportedBitCount},
      {"bit fields", DibBytes(WithCompression(InfoHeader(1, 1, 32), BI_BITFIELDS, 0), 16),
       DibFault::kUnsupportedCompression},
      {"JPEG", DibBytes(WithCompression(InfoHeader(1, 1, 24), BI_JPEG, 4), 4),
       DibFault::kUnsupportedCompression},
      {"RLE8 with 4 bits", DibBytes(WithCompression(InfoHeader(1, 1, 4), BI_RLE8, 4), 64 + 4),
       DibFault::kUnsupportedCompression},
      {"RLE4 top-down", DibBytes(WithCompression(InfoHeader(1, -1, 4), BI_RLE4, 4), 64 + 4),
       DibFault::kUnsupportedCompression},
      {"RLE without its length", DibBytes(WithCompression(InfoHeader(1, 1, 8), BI_RLE8, 0), 1024),
       DibFault::kUnsupportedCompression},
      {"257 colours", DibBytes(InfoHeader(1, 1, 24, 257), 257 * 4 + 4), DibFault::kTooManyColors},
      {"all colours", DibBytes(InfoHeader(1, 1, 24, 0xFFFFFFFF), 64), DibFault::kTooManyColors},
      {"17 colours in 4 bits", DibBytes(InfoHeader(1, 1, 4, 17), 17 * 4 + 4),
       DibFault::kTooManyColors},
      {"3 colours in 1 bit", DibBytes(InfoHeader(1, 1, 1, 3), 3 * 4 + 4), DibFault::kTooManyColors},
      {"colour table cut short", DibBytes(InfoHeader(1, 1, 8), 1023), DibFault::kColorTableOutsideBlock},
      {"core colour table cut short", CoreDibBytes(12, 1, 1, 8, 767),
       DibFault::kColorTableOutsideBlock},
      {"last row one byte short", DibBytes(InfoHeader(13, 5, 24), 40 * 5 - 1),
       DibFault::kPixelsOutsideBlock},
      {"top-down rows one byte short", DibBytes(InfoHeader(10, -3, 8), 1024 + 35),
       DibFault::kPixelsOutsideBlock},
      {"core rows one byte short", CoreDibBytes(108, 3, 2, 24, 2 * 12 - 1),
       DibFault::kPixelsOutsideBlock},
      {"RLE data past the block", DibBytes(WithCompression(InfoHeader(9, 9, 8), BI_RLE8, 101),
                                           1024 + 100),
       DibFault::kPixelsOutsideBlock},
  };
}

TEST(ValidateDib, RejectsMalformedHeadersWithoutReadingPastTheBlock) {
  GuardedPage page;
  ASSERT_TRUE(page.ok());
  ASSERT_TRUE(page.GuardIsUnreadable());
  for (const Malformed& dib : MalformedDibs()) {
    DibLayout layout;
    layout.width = 12345;
    EXPECT_EQ(ValidateDib(page.Place(dib.bytes), dib.bytes.size(), &layout), dib.fault)
        << dib.what;
    EXPECT_EQ(layout.width, 12345) << dib.what << ": layout filled in for a rejected DIB";
  }
  EXPECT_EQ(ValidateDib(nullptr, 100, nullptr), DibFault::kNoBlock);
}

TEST(ValidateDib, AcceptsExactBlocksAtTheGuardPage) {
  GuardedPage page;
  ASSERT_TRUE(page.ok());
  const std::vector<BYTE> exact[] = {
      DibBytes(InfoHeader(13, 5, 24), 40 * 5),
      DibBytes(InfoHeader(1, 1, 24, 256), 256 * 4 + 4),
      DibBytes(WithCompression(InfoHeader(9, 9, 8), BI_RLE8, 100), 1024 + 100),
      CoreDibBytes(108, 3, 2, 24, 2 * 12),
      DibBytes(InfoHeader(0, 0, 8), 1024),
  };
  for (const std::vector<BYTE>& dib : exact) {
    DibLayout layout;
    EXPECT_EQ(ValidateDib(page.Place(dib), dib.size(), &layout), DibFault::kNone);
    EXPECT_EQ(layout.totalSize, dib.size());
  }
}

TEST(GetDibTotalSizeChecked, StoresTheSizeOnlyWhenTheDibFitsItsBlock) {
  GuardedPage page;
  ASSERT_TRUE(page.ok());
  BITMAPINFOHEADER header = InfoHeader(10, -3, 8);
  header.biSizeImage = 7;

  std::vector<BYTE> shortDib = DibBytes(header, 1024 + 35);
  BYTE* placed = page.Place(shortDib);
  DWORD total = 99;
  EXPECT_EQ(GetDibTotalSizeChecked(placed, shortDib.size(), &total),
            DibFault::kPixelsOutsideBlock);
  EXPECT_EQ(total, 99u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(placed)->biSizeImage, 7u);

  std::vector<BYTE> exactDib = DibBytes(header, 1024 + 36);
  placed = page.Place(exactDib);
  EXPECT_EQ(GetDibTotalSizeChecked(placed, exactDib.size(), &total), DibFault::kNone);
  EXPECT_EQ(total, 40u + 1024u + 36u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(placed)->biSizeImage, 36u);

  std::vector<BYTE> core = CoreDibBytes(12, 3, 2, 24, 24);
  placed = page.Place(core);
  EXPECT_EQ(GetDibTotalSizeChecked(placed, core.size(), &total), DibFault::kNone);
  EXPECT_EQ(total, 36u);
  EXPECT_EQ(std::vector<BYTE>(placed, placed + core.size()), core);
}

TEST(LockedDib, ChecksTheHeaderAgainstTheSizeOfItsGlobalBlock) {
  EXPECT_EQ(LockedDib(nullptr).fault(), DibFault::kNoBlock);

  std::vector<BYTE> shortDib = DibBytes(InfoHeader(4, 4, 8), 1024);
  GlobalBlock block = BlockWith(shortDib);
  ASSERT_TRUE(block);
  EXPECT_EQ(LockedDib(block.get()).fault(), DibFault::kPixelsOutsideBlock);

  shortDib.resize(shortDib.size() + 16);
  block = BlockWith(shortDib);
  LockedDib locked(block.get());
  ASSERT_TRUE(locked);
  EXPECT_EQ(locked.pixels(), locked.bytes() + 40 + 1024);
}

TEST(Resolution, DotsPerInchSurviveTheRoundTripThroughPixelsPerMetre) {
  EXPECT_EQ(DpiToPixelsPerMeter(200), 7874);
  EXPECT_EQ(DpiToPixelsPerMeter(300), 11811);
  EXPECT_EQ(PixelsPerMeterToDpi(11811), 300);
  for (LONG dpi : {72, 96, 100, 150, 200, 240, 300, 400, 600, 1200, 2400}) {
    EXPECT_EQ(PixelsPerMeterToDpi(DpiToPixelsPerMeter(dpi)), dpi) << dpi;
  }
  EXPECT_EQ(DpiToPixelsPerMeter(LONG_MAX), LONG_MAX);
  EXPECT_EQ(PixelsPerMeterToDpi(LONG_MAX), 54546085);
}

}  // namespace
}  // namespace quill
