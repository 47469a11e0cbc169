// TIFF files written through KESTREL.DLL: what the writer hands the library for each kind of
// image and compression, and files left for libtiff and ImageMagick to read back (the check after
// this executable compares their pixels).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/dib.h"
#include "filter/kestrel_filter.h"
#include "image/tiff_reader.h"
#include "image/tiff_writer.h"
#include "tests/unit/image/dib_builders.h"
#include "tests/unit/rendered_dib.h"

namespace quill {
namespace {

using quill_test::ExeFolder;
using quill_test::RenderRgb;

// The real library, with every command's parameter block and coding bytes remembered.
class RecordingFilter : public KestrelFilter {
 public:
  RecordingFilter() : KestrelFilter(ExeFolder() + "KESTREL.DLL") {}
  struct Call {
    UINT direction;
    CodingParams params;
    uint8_t fileMode;
  };
  WORD Execute(CodingParams* params, UINT direction, UINT third) override {
    // Recorded afterwards, with what the library gave back (the encoded byte count).
    struct Record {
      RecordingFilter* self;
      CodingParams* params;
      UINT direction;
      ~Record() { self->calls.push_back({direction, *params, self->fileMode}); }
    } record{this, params, direction};
    return KestrelFilter::Execute(params, direction, third);
  }
  void SetEncode(uint8_t mode, uint8_t k) override {
    encodes.push_back(mode);
    encodeK = k;
    KestrelFilter::SetEncode(mode, k);
  }
  void SetFileOutput(const char* name, uint8_t flag1, uint8_t flag2, uint8_t mode, uint8_t k,
                     uint8_t encodeMode, uint8_t encodeK) override {
    fileMode = mode;
    KestrelFilter::SetFileOutput(name, flag1, flag2, mode, k, encodeMode, encodeK);
  }
  std::vector<Call> calls;
  std::vector<uint8_t> encodes;
  uint8_t encodeK = 0;
  uint8_t fileMode = 0xFF;
};

void WriteReference(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TiffWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ExeFolder() + "tiff_written\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  std::string folder_;
};

TEST_F(TiffWriterTest, EncodesBilevelPagesInMemoryAndKeepsTheirWholeWidth) {
  RecordingFilter filter;
  GlobalBlock page = PatternDib(2550, 60, 1, false, false);  // Letter at 300 dpi: not whole bytes
  const std::vector<BYTE> reference = RenderRgb(page.get());
  const char* names[] = {"letter_none", "letter_g3", "letter_g3eol", "letter_g32d", "letter_g4"};
  const uint8_t modes[] = {0, 5, 4, 6, 3};
  for (DWORD compress = 0; compress <= 4; ++compress) {
    filter.calls.clear();
    filter.encodes.clear();
    const std::string path = folder_ + names[compress] + ".tif";
    ASSERT_EQ(WriteDibToTiffWith(filter, page.get(), path.c_str(), nullptr, compress, 4), 1) << names[compress];
    WriteReference(folder_ + names[compress] + ".rgb", reference);
    const RecordingFilter::Call& write = filter.calls.back();
    EXPECT_EQ(write.direction, 1u);
    EXPECT_EQ(write.fileMode, modes[compress]);
    EXPECT_EQ(write.params.word[2], 319u) << "2550 pixels need 319 bytes, the last one partial";
    EXPECT_EQ(write.params.word[8], 2550u) << "the exact width goes with the rows";
    if (compress == 0) {
      EXPECT_TRUE(filter.encodes.empty());
      EXPECT_EQ(write.params.word[1], 319u * 60u);
    } else {
      ASSERT_EQ(filter.calls.size(), 2u);
      EXPECT_EQ(filter.encodes, std::vector<uint8_t>{modes[compress]});
      EXPECT_EQ(filter.calls[0].direction, 2u);
      EXPECT_EQ(write.params.word[1], filter.calls[0].params.word[7]) << "the encoded byte count";
      EXPECT_LT(write.params.word[1], 319u * 60u);
    }
  }
  EXPECT_EQ(filter.encodeK, 0);
}

// Pages whose coded data is larger than their rows: single-pixel checks, and an ordered dither
// of a grey ramp as a scanner makes of a photo.
GlobalBlock HardToCodeDib(DWORD width, DWORD height, bool dither) {
  GlobalBlock dib = PatternDib(width, height, 1, false, false);
  LockedDib locked(dib.get());
  if (!locked) return GlobalBlock();
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  for (DWORD y = 0; y < height; ++y) {
    BYTE* row = locked.pixels() + y * locked.layout().rowStride;
    std::memset(row, 0, locked.layout().rowStride);
    for (DWORD x = 0; x < width; ++x) {
      const bool set = dither ? static_cast<int>(x * 16 / width) > kBayer[y % 4][x % 4] : (x + y) % 2 == 0;
      if (set) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
  }
  return dib;
}

TEST_F(TiffWriterTest, PagesThatCodeLargerThanTheirRowsAreWrittenWholeInEveryMode) {
  RecordingFilter filter;
  const char* suffixes[] = {"", "_g3", "_g3eol", "_g32d", "_g4"};
  for (const bool dither : {false, true}) {
    GlobalBlock page = HardToCodeDib(1728, 48, dither);
    const std::vector<BYTE> reference = RenderRgb(page.get());
    for (DWORD compress = 1; compress <= 4; ++compress) {
      filter.calls.clear();
      const std::string name = std::string(dither ? "dither" : "checks") + suffixes[compress];
      const std::string path = folder_ + name + ".tif";
      ASSERT_EQ(WriteDibToTiffWith(filter, page.get(), path.c_str(), nullptr, compress, 4), 1) << name;
      // libtiff refuses one-dimensional rows of single-pixel runs ("Buffer overflow"), its own as
      // well as ours: those files get no reference and are not read back.
      const bool oneDimensionalChecks = !dither && (compress == 1 || compress == 2);
      if (!oneDimensionalChecks) WriteReference(folder_ + name + ".rgb", reference);
      const uint32_t coded = filter.calls.back().params.word[1];
      if (!dither) {
        EXPECT_GT(coded, 216u * 48u * 2 + 1024) << name << ": larger than the first buffer";
      }
    }
  }
}

TEST_F(TiffWriterTest, WritesGreyPaletteAndColourImagesUncompressedWithTheirColours) {
  RecordingFilter filter;
  struct Case {
    const char* name;
    DWORD width;
    WORD bits;
    bool whiteFirst;
    bool colours;
    bool paletteHandedOver;
  } cases[] = {{"grey8", 101, 8, false, false, false},
               {"grey8_white_first", 101, 8, true, false, false},
               {"palette8", 101, 8, false, true, true},
               {"palette4", 33, 4, false, true, true},
               {"rgb24", 5, 24, false, false, false},
               {"bilevel_white_first_g4", 77, 1, true, false, false}};
  for (const Case& c : cases) {
    filter.calls.clear();
    GlobalBlock dib = PatternDib(c.width, 19, c.bits, c.whiteFirst, c.colours);
    const std::string path = folder_ + c.name + ".tif";
    ASSERT_EQ(WriteDibToTiffWith(filter, dib.get(), path.c_str(), nullptr, 4, 4), 1) << c.name;
    WriteReference(folder_ + c.name + ".rgb", RenderRgb(dib.get()));
    const RecordingFilter::Call& write = filter.calls.back();
    if (c.bits > 1) {
      EXPECT_EQ(filter.calls.size(), 1u) << c.name << ": no encoding for grey and colour";
      EXPECT_EQ(write.fileMode, 0) << c.name;
    }
    EXPECT_EQ(write.params.word[2], (c.width * c.bits + 7) / 8) << c.name;
    EXPECT_EQ(write.params.word[9] != 0, c.paletteHandedOver) << c.name;
    EXPECT_EQ(write.params.word[10], c.paletteHandedOver ? (1u << c.bits) : 0u) << c.name;
  }

  // An 8-bit image whose table is a grey ramp of 16 entries: its indexes 0..15 are not greys.
  BITMAPINFOHEADER header = InfoHeader(40, 8, 8, 16);
  header.biXPelsPerMeter = header.biYPelsPerMeter = 11811;
  std::vector<BYTE> bytes = DibBytes(header, 16 * 4 + 40 * 8);
  auto* table = reinterpret_cast<RGBQUAD*>(bytes.data() + sizeof header);
  for (BYTE i = 0; i < 16; ++i) table[i] = RGBQUAD{BYTE(i * 17), BYTE(i * 17), BYTE(i * 17), 0};
  for (size_t p = 0; p < 40 * 8; ++p) bytes[sizeof header + 16 * 4 + p] = static_cast<BYTE>((p * 7) % 16);
  GlobalBlock shortRamp = BlockWith(bytes);
  filter.calls.clear();
  ASSERT_EQ(WriteDibToTiffWith(filter, shortRamp.get(), (folder_ + "short_ramp8.tif").c_str(), nullptr, 0, 4), 1);
  WriteReference(folder_ + "short_ramp8.rgb", RenderRgb(shortRamp.get()));
  EXPECT_EQ(filter.calls.back().params.word[10], 16u) << "the short ramp goes with the file";
}

TEST_F(TiffWriterTest, TakesResolutionAndSizeFromTheTransferOrTheHeader) {
  RecordingFilter filter;
  GlobalBlock dib = PatternDib(2550, 10, 1, false, false);
  TW_IMAGEINFO info = {};
  info.XResolution.Whole = 300;
  info.YResolution.Whole = 300;
  info.ImageWidth = 2550;
  info.ImageLength = -1;  // unknown: the DIB decides
  const std::string path = folder_ + "scratch.tif";
  ASSERT_EQ(WriteDibToTiffWith(filter, dib.get(), path.c_str(), &info, 0, 0), 1);
  EXPECT_EQ(filter.GetXResolution(), 300);
  EXPECT_EQ(filter.GetImageWidth(), 10200u) << "8.5 inch";
  EXPECT_EQ(filter.GetImageLength(), 40u);

  info.XResolution.Whole = 0;  // a source that says nothing: no division by zero
  info.YResolution.Whole = 0;
  ASSERT_EQ(WriteDibToTiffWith(filter, dib.get(), path.c_str(), &info, 0, 0), 1);
  EXPECT_EQ(filter.GetImageWidth(), 12750u) << "at the default 240 dpi";

  {
    LockedDib locked(dib.get());
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(locked.bytes());
    header->biXPelsPerMeter = 7874;
    header->biYPelsPerMeter = 0;
  }
  ASSERT_EQ(WriteDibToTiffWith(filter, dib.get(), path.c_str(), nullptr, 0, 0), 1);
  EXPECT_EQ(filter.GetXResolution(), 200);
  EXPECT_EQ(filter.GetYResolution(), 240);
  DeleteFileA(path.c_str());
}

TEST_F(TiffWriterTest, ReportsNothingWrittenForFilesThatCannotBeMade) {
  RecordingFilter filter;
  GlobalBlock dib = PatternDib(16, 4, 8, false, false);
  EXPECT_EQ(WriteDibToTiffWith(filter, dib.get(), "Q:\\no\\such\\folder\\x.tif", nullptr, 0, 0), 0);
  EXPECT_EQ(WriteDibToTiffWith(filter, nullptr, "x.tif", nullptr, 0, 0), 0);
  EXPECT_EQ(CodingModeForCompression(9), 0) << "an edited registry value means no compression";

  // A run-length bitmap holds a few bytes for a large picture: nothing may read it as rows.
  BITMAPINFOHEADER header = InfoHeader(640, 480, 8, 2);
  header.biCompression = BI_RLE8;
  header.biSizeImage = 2;
  std::vector<BYTE> bytes = DibBytes(header, 2 * 4 + 2);
  bytes.back() = 1;  // 00 01: the end of the bitmap
  GlobalBlock runLength = BlockWith(bytes);
  const std::string path = folder_ + "run_length.tif";
  DeleteFileA(path.c_str());
  EXPECT_EQ(WriteDibToTiffWith(filter, runLength.get(), path.c_str(), nullptr, 0, 0), 0);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// What the writer wrote, read back: the same pixels and colours in every compression and layout,
// CCITT strips decoded by the library at its padded line length with the page's exact width.
TEST_F(TiffWriterTest, FilesWrittenAreReadBackToTheSamePicture) {
  RecordingFilter filter;
  struct Case {
    const char* name;
    DWORD width;
    WORD bits;
    bool whiteFirst;
    bool colours;
    DWORD compress;
  } cases[] = {{"letter_none", 2550, 1, false, false, 0}, {"letter_g3", 2550, 1, false, false, 1},
               {"letter_g3eol", 2550, 1, true, false, 2},  {"letter_g32d", 2550, 1, false, false, 3},
               {"letter_g4", 2550, 1, true, false, 4},     {"grey8", 101, 8, false, false, 0},
               {"grey8_white_first", 101, 8, true, false, 0}, {"palette8", 101, 8, false, true, 0},
               {"palette4", 33, 4, false, true, 0},        {"rgb24", 5, 24, false, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlobalBlock written = PatternDib(c.width, 70, c.bits, c.whiteFirst, c.colours);
    const std::string path = folder_ + "read_back_" + c.name + ".tif";
    ASSERT_EQ(WriteDibToTiffWith(filter, written.get(), path.c_str(), nullptr, c.compress, 4), 1);
    filter.calls.clear();
    TiffReadFault fault = TiffReadFault::kRefused;
    GlobalBlock read = ReadTiffToDibWith(path.c_str(), &filter, 4, &fault);
    ASSERT_EQ(fault, TiffReadFault::kNone);
    ASSERT_TRUE(read);
    EXPECT_EQ(RenderRgb(read.get()), RenderRgb(written.get()));
    LockedDib locked(read.get());
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked.layout().bitCount, c.bits);
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(locked.bytes())->biXPelsPerMeter, 11811);
    if (c.compress == 0) {
      EXPECT_TRUE(filter.calls.empty()) << "rows stored as they are need no library";
      continue;
    }
    ASSERT_EQ(filter.calls.size(), 1u) << "the writer's one strip, decoded once";
    const CodingParams& words = filter.calls[0].params;
    EXPECT_EQ(filter.calls[0].direction, 2u);
    EXPECT_EQ(words.word[2], 320u) << "L: 2550 bits rounded up to 32";
    EXPECT_EQ(words.word[3], 70u);
    EXPECT_EQ(words.word[7], 320u * 70u) << "bytes produced: every row";
    EXPECT_EQ(words.word[8], 2550u) << "the page's width";
  }

  // No filter object: a coded page gives no DIB; a file cut short neither.
  TiffReadFault fault = TiffReadFault::kNone;
  EXPECT_FALSE(ReadTiffToDibWith((folder_ + "read_back_letter_g4.tif").c_str(), nullptr, 4, &fault));
  EXPECT_EQ(fault, TiffReadFault::kDecoderFailed);
  std::ifstream in(folder_ + "read_back_rgb24.tif", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(folder_ + "cut.tif", std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() / 3);
  EXPECT_FALSE(ReadTiffToDibWith((folder_ + "cut.tif").c_str(), &filter, 4, &fault));
  EXPECT_FALSE(ReadTiffToDibWith((folder_ + "no_such_file.tif").c_str(), &filter, 4, &fault));
  EXPECT_EQ(fault, TiffReadFault::kNotTiff);
}

}  // namespace
}  // namespace quill
