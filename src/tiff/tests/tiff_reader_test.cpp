// The TIFF structure reader and the picture it gives, on files the tests write byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kestrel/core/fax_codec.h"
#include "tiff/tests/picture_support.h"
#include "kestrel/tests/test_support.h"
#include "tiff/tests/tiff_file_builder.h"
#include "tiff/tiff_picture.h"
#include "tiff/tiff_structure.h"

namespace quill::test {
namespace {

struct ReadDirectory {
  std::vector<uint8_t> file;
  MemoryTiffSource source;
  TiffStream stream;
  TiffDirectory directory;
  TiffResult header;
  TiffResult read = TiffResult::kNotPresent;
  explicit ReadDirectory(std::vector<uint8_t> bytes)
      : file(std::move(bytes)), source(file.data(), file.size()), stream(source), directory(stream) {
    header = stream.ReadHeader();
    if (header == TiffResult::kOk) read = directory.Read(stream.FirstDirectory());
  }
};

// Every entry as numbers, so that two files can be compared whatever their byte order.
std::vector<std::vector<uint32_t>> EntryNumbers(const TiffDirectory& directory) {
  std::vector<std::vector<uint32_t>> all;
  for (const TiffEntry& entry : directory.Entries()) {
    std::vector<uint32_t> numbers{entry.Tag(), entry.Type(), entry.Count()};
    uint32_t value = 0;
    for (uint32_t i = 0; entry.GetValueAsNumber(i, value); ++i) numbers.push_back(value);
    uint32_t numerator = 0, denominator = 0;
    if (entry.CopyRational(numerator, denominator)) numbers.insert(numbers.end(), {numerator, denominator});
    all.push_back(numbers);
  }
  return all;
}

TiffFileBuilder RgbFile(bool bigEndian, uint16_t offsetType) {
  // 10 x 20 RGB in 8-row strips: 3 strips, the last of 4 rows.
  TiffFileBuilder builder(bigEndian);
  builder.Entry(kTagImageWidth, kTypeShort, {10})
      .Entry(kTagImageLength, kTypeLong, {20})
      .Entry(kTagBitsPerSample, kTypeShort, {8, 8, 8})
      .Entry(kTagPhotometric, kTypeShort, {kPhotometricRgb})
      .Entry(kTagSamplesPerPixel, kTypeShort, {3})
      .Entry(kTagRowsPerStrip, kTypeShort, {8})
      .Entry(kTagXResolution, kTypeRational, {300, 1})
      .StripEntries(offsetType);
  for (uint32_t strip = 0; strip < 3; ++strip) {
    std::vector<uint8_t> bytes(30 * (strip < 2 ? 8 : 4));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + strip * 31);
    builder.Strip(bytes);
  }
  return builder;
}

TEST(TiffStructure, BothByteOrdersGiveTheSameFieldsEntriesAndStrips) {
  for (uint16_t offsetType : {uint16_t{kTypeShort}, uint16_t{kTypeLong}}) {
    SCOPED_TRACE(offsetType);
    const TiffFileBuilder little = RgbFile(false, offsetType);
    ReadDirectory le(little.Build());
    ReadDirectory be(RgbFile(true, offsetType).Build());
    ASSERT_EQ(le.header, TiffResult::kOk);
    ASSERT_EQ(be.header, TiffResult::kOk);
    EXPECT_EQ(be.stream.Order(), ByteOrder::kBigEndian);
    ASSERT_EQ(le.read, TiffResult::kOk);
    ASSERT_EQ(be.read, TiffResult::kOk);

    EXPECT_EQ(EntryNumbers(le.directory), EntryNumbers(be.directory));
    const TiffFields& f = be.directory.Fields();
    EXPECT_EQ(f.imageWidth, 10u);
    EXPECT_EQ(f.imageLength, 20u);
    EXPECT_EQ(f.bitsPerSample, 8u) << "the first of the three values stored out of line";
    EXPECT_EQ(f.samplesPerPixel, 3u);
    EXPECT_EQ(f.xResolution.numerator, 300u);
    EXPECT_FALSE(f.hasYResolution);
    EXPECT_EQ(be.directory.FindEntry(kTagStripOffsets)->Type(), offsetType);
    ASSERT_EQ(be.directory.StripCount(), 3u);
    EXPECT_EQ(be.directory.RowsInStrip(2), 4u);
    for (uint32_t i = 0; i < 3; ++i) {
      uint32_t leOffset = 0, beOffset = 0, count = 0;
      ASSERT_EQ(le.directory.GetStripOffset(i, leOffset), TiffResult::kOk);
      ASSERT_EQ(be.directory.GetStripOffset(i, beOffset), TiffResult::kOk);
      EXPECT_EQ(beOffset, little.StripOffset(i));
      EXPECT_EQ(leOffset, beOffset);
      ASSERT_EQ(be.directory.GetStripByteCount(i, count), TiffResult::kOk);
      EXPECT_EQ(count, i < 2 ? 240u : 120u);
    }
    uint32_t unused = 0;
    EXPECT_EQ(be.directory.GetStripOffset(3, unused), TiffResult::kNotPresent);

    // And the same picture: RGB turned into blue, green, red, rows bottom-up, padded to 32 bits.
    PictureInMemory lePicture, bePicture;
    ASSERT_EQ(ReadPicture(le.file, lePicture), TiffReadFault::kNone);
    ASSERT_EQ(ReadPicture(be.file, bePicture), TiffReadFault::kNone);
    EXPECT_EQ(lePicture.pixels, bePicture.pixels);
    EXPECT_EQ(bePicture.format.bitCount, 24);
    EXPECT_EQ(bePicture.format.rowStride, 32u);
    EXPECT_EQ(bePicture.format.xPelsPerMeter, 11811u);
    EXPECT_EQ(bePicture.format.yPelsPerMeter, 0u);
    // Row 19 (the bottom) is row 3 of the last strip: its first pixel in memory comes first.
    const uint8_t* bottomLeft = bePicture.pixels.data();
    const uint8_t expectedRed = static_cast<uint8_t>(90 * 7 + 62);
    EXPECT_EQ(bottomLeft[2], expectedRed);
    EXPECT_EQ(bottomLeft[0], static_cast<uint8_t>(92 * 7 + 62));
  }
}

TEST(TiffStructure, HeadersAndCompressionsGiveTheirResultsAndCodingModes) {
  struct HeaderCase {
    const char* mark;
    uint16_t version;
    TiffResult expected;
  } headers[] = {{"II", 42, TiffResult::kOk}, {"MM", 42, TiffResult::kOk},
                 {"II", 43, TiffResult::kNotPresent}, {"BM", 42, TiffResult::kNotPresent}};
  for (const HeaderCase& c : headers) {
    TiffFileBuilder builder(c.mark[0] == 'M');
    builder.Header(c.mark, c.version).Entry(kTagImageWidth, kTypeShort, {1});
    EXPECT_EQ(ReadDirectory(builder.Build()).header, c.expected) << c.mark << c.version;
  }
  EXPECT_EQ(ReadDirectory({'I', 'I', 42, 0, 200, 0, 0, 0}).header, TiffResult::kSeekFailed)
      << "a first directory beyond the file";

  struct CodingCase {
    uint32_t compression;
    uint32_t t4Options;
    TiffResult expected;
    TiffCoding coding;
  } codings[] = {
      {1, 0, TiffResult::kOk, TiffCoding::kCopy},
      {2, 0, TiffResult::kOk, TiffCoding::kModifiedHuffman},
      {3, 5, TiffResult::kOk, TiffCoding::kGroup3TwoDim},
      {3, 4, TiffResult::kOk, TiffCoding::kGroup3FilledEol},
      {3, 0, TiffResult::kOk, TiffCoding::kGroup3OneDim},
      {3, 2, TiffResult::kUnsupported, TiffCoding::kCopy},
      {4, 0, TiffResult::kOk, TiffCoding::kGroup4},
      {5, 0, TiffResult::kUnsupported, TiffCoding::kCopy},
      {32773, 0, TiffResult::kUnsupported, TiffCoding::kCopy},
  };
  for (const CodingCase& c : codings) {
    TiffFileBuilder builder;
    builder.Entry(kTagCompression, kTypeShort, {c.compression}).Entry(kTagT4Options, kTypeLong, {c.t4Options});
    ReadDirectory read(builder.Build());
    TiffCoding coding = TiffCoding::kCopy;
    EXPECT_EQ(read.directory.SelectDecoder(coding), c.expected) << c.compression << "/" << c.t4Options;
    EXPECT_EQ(coding, c.coding) << c.compression << "/" << c.t4Options;
  }
}

// Bilevel test pages coded strip by strip, each strip a coding of its own, as libtiff writes them.
std::vector<uint8_t> CcittFile(kestrel::CodingMode mode, const kestrel::test::Bitmap& page, uint32_t rowsPerStrip,
                               uint32_t compression, uint32_t t4Options, bool lowBitFirst,
                               std::vector<uint32_t> resolution, uint32_t unit) {
  TiffFileBuilder builder(true);
  builder.Entry(kTagImageWidth, kTypeShort, {page.width})
      .Entry(kTagImageLength, kTypeShort, {page.height})
      .Entry(kTagCompression, kTypeShort, {compression})
      .Entry(kTagPhotometric, kTypeShort, {kPhotometricWhiteIsZero})
      .Entry(kTagRowsPerStrip, kTypeLong, {rowsPerStrip})
      .Entry(kTagXResolution, kTypeRational, resolution)
      .Entry(kTagYResolution, kTypeRational, resolution)
      .Entry(kTagResolutionUnit, kTypeShort, {unit})
      .StripEntries();
  if (compression == kCompressionGroup3) builder.Entry(kTagT4Options, kTypeLong, {t4Options});
  if (lowBitFirst) builder.Entry(kTagFillOrder, kTypeShort, {kFillOrderLowBitFirst});
  for (uint32_t first = 0; first < page.height; first += rowsPerStrip) {
    const uint32_t rows = std::min(rowsPerStrip, page.height - first);
    kestrel::test::Bitmap strip(page.width, rows, true);
    std::memcpy(strip.bits.data(), page.bits.data() + page.stride * first, page.stride * rows);
    std::vector<uint8_t> coded = kestrel::test::encode(mode, 4, strip);
    if (lowBitFirst) {
      for (uint8_t& byte : coded) {
        uint8_t reversed = 0;
        for (int bit = 0; bit < 8; ++bit) reversed |= ((byte >> bit) & 1) << (7 - bit);
        byte = reversed;
      }
    }
    builder.Strip(coded);
  }
  return builder.Build();
}

// Rows of random runs, long and short, at any width.
kestrel::test::Bitmap RandomPage(uint32_t width, uint32_t height) {
  kestrel::test::Bitmap page(width, height, true);
  std::mt19937 random(width);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width;) {
      const uint32_t run = 1 + random() % (y % 3 == 0 ? 300 : 12);
      if (random() & 1) {
        for (uint32_t i = x; i < std::min(width, x + run); ++i) page.setBlack(i, y);
      }
      x += run;
    }
  }
  return page;
}

TEST(TiffPicture, CcittStripsAreDecodedOneByOneAtTheDecodersStride) {
  struct Case {
    kestrel::CodingMode mode;
    uint32_t compression;
    uint32_t t4Options;
    uint32_t width;
    bool lowBitFirst;
    std::vector<uint32_t> resolution;
    uint32_t unit;
    TiffCoding coding;
    uint32_t lineBytes;
    uint16_t dpi;
  } cases[] = {
      // A Letter page's width is no multiple of 32: rows come at L = 320, not at 319 bytes.
      {kestrel::CodingMode::Group3TwoDim, 3, 5, 2550, false, {80, 1}, 3, TiffCoding::kGroup3TwoDim, 320, 203},
      {kestrel::CodingMode::Group3FilledEol, 3, 4, 2480, false, {300, 1}, 2, TiffCoding::kGroup3FilledEol, 312, 300},
      {kestrel::CodingMode::Group3OneDim, 3, 0, 33, false, {200, 1}, 2, TiffCoding::kGroup3OneDim, 8, 200},
      {kestrel::CodingMode::Group4, 4, 0, 1728, false, {204, 1}, 2, TiffCoding::kGroup4, 216, 204},
      {kestrel::CodingMode::Group4, 4, 0, 1728, true, {400, 2}, 2, TiffCoding::kGroup4, 216, 200},
      {kestrel::CodingMode::ModifiedHuffman, 2, 0, 1728, false, {200, 1}, 2, TiffCoding::kModifiedHuffman, 216, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " mode " + std::to_string(static_cast<int>(c.mode)) +
                 (c.lowBitFirst ? " fill order 2" : ""));
    const kestrel::test::Bitmap page = RandomPage(c.width, 150);
    const std::vector<uint8_t> file =
        CcittFile(c.mode, page, 64, c.compression, c.t4Options, c.lowBitFirst, c.resolution, c.unit);
    PictureInMemory picture;
    RecordingDecoder decoder;
    ASSERT_EQ(ReadPicture(file, picture, &decoder, 9), TiffReadFault::kNone);
    ASSERT_EQ(decoder.jobs.size(), 3u);
    const uint32_t rows[] = {64, 64, 22};
    for (size_t i = 0; i < 3; ++i) {
      const CcittStripJob& job = decoder.jobs[i];
      EXPECT_EQ(job.coding, c.coding);
      EXPECT_EQ(job.k, c.coding == TiffCoding::kGroup3TwoDim ? 9 : 0);
      EXPECT_EQ(job.rows, rows[i]);
      EXPECT_EQ(job.lineBytes, c.lineBytes);
      EXPECT_EQ(job.capacity, c.lineBytes * rows[i]);
      EXPECT_EQ(job.pixelWidth, c.width);
      EXPECT_EQ(job.xDpi, c.dpi);
      EXPECT_EQ(job.yDpi, c.dpi);
      EXPECT_TRUE(job.whiteIsZero);
      EXPECT_EQ(job.width1200, static_cast<uint32_t>(std::floor(static_cast<double>(c.width) / c.dpi * 1200.0)));
    }
    // White is zero: entry 0 white, entry 1 black; every row as the page had it.
    EXPECT_EQ(picture.format.colors[0][0], 255);
    EXPECT_EQ(picture.format.colors[1][0], 0);
    const size_t rowBytes = (c.width + 7) / 8;
    for (uint32_t y = 0; y < page.height; ++y) {
      ASSERT_EQ(0, std::memcmp(picture.Row(y), page.bits.data() + page.stride * y, rowBytes)) << "row " << y;
    }
  }
}

TEST(TiffPicture, ColourTablesRowsAndResolutionFollowTheDirectory) {
  struct Case {
    const char* name;
    uint32_t bits;
    int photometric;  // -1: no entry
    std::vector<uint32_t> colorMap;
    std::vector<uint32_t> resolution;
    std::vector<std::vector<uint8_t>> colors;  // the first entries, blue, green, red
    uint32_t pelsPerMeter;
  } cases[] = {
      {"1-bit black is zero", 1, 1, {}, {200, 1}, {{0, 0, 0}, {255, 255, 255}}, 7874},
      {"1-bit white is zero", 1, 0, {}, {400, 2}, {{255, 255, 255}, {0, 0, 0}}, 7874},
      {"1-bit without photometric (libtiff: black is zero)", 1, -1, {}, {}, {{0, 0, 0}, {255, 255, 255}}, 0},
      {"4-bit black is zero", 4, 1, {}, {}, {{0, 0, 0}, {16, 16, 16}, {32, 32, 32}}, 0},
      {"4-bit white is zero", 4, 0, {}, {}, {{240, 240, 240}, {224, 224, 224}}, 0},
      {"8-bit grey", 8, 1, {}, {}, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, 0},
      {"1-bit palette of 8-bit values", 1, 3, {10, 200, 20, 210, 30, 255}, {}, {{30, 20, 10}, {255, 210, 200}}, 0},
      {"1-bit palette of 16-bit values", 1, 3, {65535, 32768, 0, 257, 514, 771}, {}, {{2, 0, 255}, {3, 1, 127}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TiffFileBuilder builder;
    builder.Entry(kTagImageWidth, kTypeShort, {3})
        .Entry(kTagImageLength, kTypeShort, {2})
        .Entry(kTagBitsPerSample, kTypeShort, {c.bits})
        .Strip(std::vector<uint8_t>((3 * c.bits + 7) / 8 * 2, 0x5A))
        .StripEntries(kTypeShort);
    if (c.photometric >= 0) builder.Entry(kTagPhotometric, kTypeShort, {static_cast<uint32_t>(c.photometric)});
    if (!c.colorMap.empty()) builder.Entry(kTagColorMap, kTypeShort, c.colorMap);
    if (!c.resolution.empty()) builder.Entry(kTagXResolution, kTypeRational, c.resolution);
    PictureInMemory picture;
    ASSERT_EQ(ReadPicture(builder.Build(), picture), TiffReadFault::kNone);
    EXPECT_EQ(picture.format.bitCount, c.bits);
    EXPECT_EQ(picture.format.colorCount, 1u << c.bits);
    EXPECT_EQ(picture.format.rowStride, 4u);
    EXPECT_EQ(picture.format.xPelsPerMeter, c.pelsPerMeter);
    for (size_t i = 0; i < c.colors.size(); ++i) {
      const std::vector<uint8_t> expected = {c.colors[i][0], c.colors[i][1], c.colors[i][2], 0};
      EXPECT_EQ(std::vector<uint8_t>(picture.format.colors[i], picture.format.colors[i] + 4), expected) << i;
    }
    EXPECT_EQ(picture.Row(0)[0], 0x5A);
    EXPECT_EQ(picture.Row(0)[3], 0) << "padding stays zero";
  }
}

// What peers write: fractions with large denominators, centimetres; each unit counts, nothing wraps.
TEST(TiffPicture, ResolutionsCountTheirDenominatorAndUnit) {
  struct Case {
    TiffRational resolution;
    uint32_t unit;
    uint32_t pelsPerMeter;
    uint16_t dotsPerInch;
  } cases[] = {
      {{300, 1}, kResolutionUnitInch, 11811, 300},
      {{400, 2}, kResolutionUnitInch, 7874, 200},
      {{3000000, 10000}, kResolutionUnitInch, 11811, 300},
      {{2999, 10}, kResolutionUnitInch, 11807, 300},
      {{118, 1}, kResolutionUnitCentimetre, 11800, 300},
      {{200, 1}, kResolutionUnitNone, 7874, 200},
      {{300, 0}, kResolutionUnitInch, 0, 0},
      {{0xFFFFFFFF, 1}, kResolutionUnitCentimetre, kMostPelsPerMeter, 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.resolution.numerator) + "/" + std::to_string(c.resolution.denominator) +
                 " unit " + std::to_string(c.unit));
    EXPECT_EQ(TiffPelsPerMeter(c.resolution, c.unit), c.pelsPerMeter);
    EXPECT_EQ(TiffDotsPerInch(true, c.resolution, c.unit), c.dotsPerInch);
  }
}

TEST(TiffPicture, ColourRowsOfEveryWidthAndAlignmentAreTurnedWhole) {
  // Rows are turned in steps of sixteen pixels once the output is aligned, pixel by pixel before
  // and after: widths across several steps, with DIB rows starting at every alignment.
  for (uint32_t width = 1; width <= 70; ++width) {
    SCOPED_TRACE(width);
    constexpr uint32_t kHeight = 4;
    std::vector<uint8_t> rows(size_t{width} * 3 * kHeight);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 37 + width);
    TiffFileBuilder builder;
    builder.Entry(kTagImageWidth, kTypeShort, {width})
        .Entry(kTagImageLength, kTypeShort, {kHeight})
        .Entry(kTagBitsPerSample, kTypeShort, {8, 8, 8})
        .Entry(kTagSamplesPerPixel, kTypeShort, {3})
        .Entry(kTagPhotometric, kTypeShort, {kPhotometricRgb})
        .Strip(rows)
        .StripEntries();
    PictureInMemory picture;
    ASSERT_EQ(ReadPicture(builder.Build(), picture), TiffReadFault::kNone);
    const uint32_t stride = (width * 3 + 3) / 4 * 4;
    ASSERT_EQ(picture.pixels.size(), size_t{stride} * kHeight);
    std::vector<uint8_t> expected(picture.pixels.size(), 0);
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* rgb = &rows[(size_t{y} * width + x) * 3];
        uint8_t* bgr = &expected[size_t{stride} * (kHeight - 1 - y) + 3 * x];
        bgr[0] = rgb[2];
        bgr[1] = rgb[1];
        bgr[2] = rgb[0];
      }
    }
    ASSERT_EQ(picture.pixels, expected) << "padding stays zero";
  }
}

TEST(TiffPicture, UnsupportedDamagedAndHostileFilesGiveNoPicture) {
  const auto grey = [](uint32_t bits) {
    TiffFileBuilder b;
    b.Entry(kTagImageWidth, kTypeShort, {16}).Entry(kTagImageLength, kTypeShort, {4})
        .Entry(kTagBitsPerSample, kTypeShort, {bits}).Entry(kTagPhotometric, kTypeShort, {1});
    return b;
  };
  const auto withStrip = [](TiffFileBuilder b, size_t bytes) {
    return b.Strip(std::vector<uint8_t>(bytes, 0x33)).StripEntries();
  };
  const auto rgb = [](std::vector<uint32_t> bits, uint32_t planar) {
    TiffFileBuilder b;
    b.Entry(kTagImageWidth, kTypeShort, {4}).Entry(kTagImageLength, kTypeShort, {4})
        .Entry(kTagBitsPerSample, kTypeShort, bits).Entry(kTagPhotometric, kTypeShort, {2})
        .Entry(kTagSamplesPerPixel, kTypeShort, {3}).Entry(kTagPlanarConfiguration, kTypeShort, {planar})
        .Strip(std::vector<uint8_t>(4 * 4 * 3 * 2, 0)).StripEntries();
    return b;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    TiffReadFault expected;
  } cases[] = {
      {"a bitmap file", {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0}, TiffReadFault::kNotTiff},
      {"an empty file", {}, TiffReadFault::kNotTiff},
      {"2-bit grey", withStrip(grey(2), 16).Build(), TiffReadFault::kUnsupportedLayout},
      {"16-bit grey", withStrip(grey(16), 128).Build(), TiffReadFault::kUnsupportedLayout},
      {"RGB of 4 bits", rgb({4, 4, 4}, 1).Build(), TiffReadFault::kUnsupportedLayout},
      {"RGB of 16 bits", rgb({16, 16, 16}, 1).Build(), TiffReadFault::kUnsupportedLayout},
      {"RGB in planes", rgb({8, 8, 8}, 2).Build(), TiffReadFault::kUnsupportedLayout},
      {"LZW", withStrip(grey(8).Entry(kTagCompression, kTypeShort, {5}), 64).Build(),
       TiffReadFault::kUnsupportedCompression},
      {"PackBits", withStrip(grey(8).Entry(kTagCompression, kTypeShort, {32773}), 64).Build(),
       TiffReadFault::kUnsupportedCompression},
      {"Group 4 of 8-bit grey", withStrip(grey(8).Entry(kTagCompression, kTypeShort, {4}), 64).Build(),
       TiffReadFault::kUnsupportedLayout},
      {"tiled", grey(8).Entry(kTagTileWidth, kTypeShort, {16}).Entry(kTagTileLength, kTypeShort, {16})
                    .RawEntry(kTagTileOffsets, kTypeLong, 1, 8).Build(), TiffReadFault::kTiled},
      {"palette without a colour map", withStrip(grey(8).Entry(kTagPhotometric, kTypeShort, {3}), 64).Build(),
       TiffReadFault::kNoColorMap},
      {"palette with a short colour map",
       withStrip(grey(1).Entry(kTagPhotometric, kTypeShort, {3}).Entry(kTagColorMap, kTypeShort, {1, 2, 3, 4, 5}), 8)
           .Build(), TiffReadFault::kNoColorMap},
      {"no strips", grey(8).Build(), TiffReadFault::kBadStrips},
      {"uncompressed strip too short", withStrip(grey(8), 63).Build(), TiffReadFault::kBadStrips},
      {"strip beyond the end of the file",
       grey(8).RawEntry(kTagStripOffsets, kTypeLong, 1, 100000).RawEntry(kTagStripByteCounts, kTypeLong, 1, 64)
           .Build(), TiffReadFault::kBadStrips},
      {"coded strip byte count of 4 GB",
       grey(1).Entry(kTagCompression, kTypeShort, {4}).RawEntry(kTagStripOffsets, kTypeLong, 1, 8).RawEntry(kTagStripByteCounts, kTypeLong, 1, 0xFFFFFFFF)
           .Build(), TiffReadFault::kBadStrips},
      {"offsets out of line beyond the file",
       grey(8).RawEntry(kTagStripOffsets, kTypeLong, 1000000, 8).RawEntry(kTagStripByteCounts, kTypeLong, 1, 64)
           .Build(), TiffReadFault::kBadStrips},
      {"a count whose byte size overflows 32 bits",
       grey(8).RawEntry(kTagStripOffsets, kTypeRational, 0x40000000, 8).Build(), TiffReadFault::kBadStrips},
      {"an unknown type ends the directory", withStrip(grey(8).RawEntry(270, 99, 1, 0), 64).Build(),
       TiffReadFault::kBadStrips},
      {"no width", withStrip(TiffFileBuilder().Entry(kTagImageLength, kTypeShort, {4}), 4).Build(),
       TiffReadFault::kBadDimensions},
      {"width of 2^31", TiffFileBuilder().Entry(kTagImageWidth, kTypeLong, {0x80000000}).Entry(kTagImageLength, kTypeShort, {1}).Build(),
       TiffReadFault::kBadDimensions},
      {"width x bits beyond 32 bits", rgb({8, 8, 8}, 1).Entry(kTagImageWidth, kTypeLong, {0x7FFFFFFF}).Build(),
       TiffReadFault::kTooLarge},
      {"rows beyond what a DIB holds",
       TiffFileBuilder().Entry(kTagImageWidth, kTypeLong, {60000}).Entry(kTagImageLength, kTypeLong, {60000})
           .Entry(kTagBitsPerSample, kTypeShort, {8}).Build(), TiffReadFault::kTooLarge},
      {"a Group 4 strip of no bytes", withStrip(grey(1).Entry(kTagCompression, kTypeShort, {4}), 0).Build(),
       TiffReadFault::kBadStrips},
  };
  for (const Case& c : cases) {
    PictureInMemory picture;
    EXPECT_EQ(ReadPicture(c.file, picture), c.expected) << c.name;
  }
  // Nothing of the file is believed when the directory lies about the entries it has.
  std::vector<uint8_t> truncated = withStrip(grey(8), 64).Build();
  truncated.resize(truncated.size() - 20);
  PictureInMemory picture;
  EXPECT_NE(ReadPicture(truncated, picture), TiffReadFault::kNone);
}

}  // namespace
}  // namespace quill::test
