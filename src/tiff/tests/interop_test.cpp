// Files written by libtiff's tools and ImageMagick, made at test time, read to the pixels
// ImageMagick reads from each of them; layouts the reader does not take give no picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tiff/tests/picture_support.h"
#include "tiff/tiff_picture.h"

namespace quill::test {
namespace {

class InteropCorpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/quill-tiff-interop-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  static void TearDownTestSuite() { Run("rm -rf '" + dir_ + "'"); }

  static std::string Path(const std::string& name) { return dir_ + "/" + name; }

  // A tool that fails makes the test fail: a corpus that was not made checks nothing.
  static void Run(const std::string& command) {
    const int status = std::system((command + " 2>" + dir_ + "/tool-errors.txt").c_str());
    const std::vector<uint8_t> errors = Slurp(dir_ + "/tool-errors.txt");
    ASSERT_EQ(status, 0) << command << "\n" << std::string(errors.begin(), errors.end());
  }

  static std::vector<uint8_t> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  // The file's pixels as ImageMagick reads them, 8-bit red, green, blue.
  static std::vector<uint8_t> MagickRgb(const std::string& name) {
    Run("convert '" + Path(name) + "' -depth 8 'rgb:" + Path(name + ".rgb") + "'");
    return Slurp(Path(name + ".rgb"));
  }

  // Our picture as red, green, blue: colours through the colour table. A 4-bit grey table runs in
  // steps of 16 to 240 where ImageMagick counts in steps of 17 to 255: the levels are compared.
  static std::vector<uint8_t> OurRgb(const PictureInMemory& picture, bool fourBitGrey) {
    const TiffPictureFormat& f = picture.format;
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t{f.width} * f.height * 3);
    for (uint32_t y = 0; y < f.height; ++y) {
      const uint8_t* row = picture.Row(y);
      for (uint32_t x = 0; x < f.width; ++x) {
        if (f.bitCount == 24) {
          rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
          continue;
        }
        const uint32_t bitOffset = x * f.bitCount;
        const uint32_t index = (row[bitOffset / 8] >> (8 - f.bitCount - bitOffset % 8)) & ((1u << f.bitCount) - 1);
        for (int c = 2; c >= 0; --c) {
          const uint8_t value = f.colors[index][c];
          rgb.push_back(fourBitGrey ? static_cast<uint8_t>(value / 16 * 17) : value);
        }
      }
    }
    return rgb;
  }

  // Read as the program reads them, from the file.
  static TiffReadFault ReadFile(const std::string& name, PictureInMemory& picture) {
    FileTiffSource source(Path(name).c_str());
    EXPECT_TRUE(source.IsOpen()) << name;
    CoreStripDecoder decoder;
    return ReadTiffPicture(source, &decoder, 4, picture);
  }

  // The pixels libtiff's own image reader gives, through tiff2rgba.
  static std::vector<uint8_t> LibtiffRgb(const std::string& name) {
    Run("tiff2rgba '" + Path(name) + "' '" + Path(name + ".rgba.tif") + "'");
    return MagickRgb(name + ".rgba.tif");
  }

  enum class Reference { kMagick, kLibtiff };

  static void ExpectSamePixels(const std::string& name, bool fourBitGrey = false,
                               Reference reference = Reference::kMagick) {
    SCOPED_TRACE(name);
    PictureInMemory picture;
    ASSERT_EQ(ReadFile(name, picture), TiffReadFault::kNone);
    const std::vector<uint8_t> expected = reference == Reference::kMagick ? MagickRgb(name) : LibtiffRgb(name);
    const std::vector<uint8_t> ours = OurRgb(picture, fourBitGrey);
    ASSERT_EQ(ours.size(), expected.size());
    for (size_t i = 0; i < ours.size(); ++i) {
      const size_t pixel = i / 3;
      ASSERT_EQ(ours[i], expected[i]) << "pixel " << pixel % picture.format.width << ","
                                      << pixel / picture.format.width;
    }
  }

  static std::string dir_;
};

std::string InteropCorpus::dir_;

TEST_F(InteropCorpus, BilevelPagesInEveryCodingByteOrderAndStripLayout) {
  struct Coding {
    const char* name;
    const char* option;
  } codings[] = {{"g3", "-c g3"}, {"g3_2d", "-c g3:2d"}, {"g3_1d_fill", "-c g3:1d,fill"},
                 {"g4", "-c g4"},  {"none", "-c none"}};
  int files = 0;
  for (unsigned width : {1728u, 2480u, 2550u, 33u}) {
    const std::string base = "page" + std::to_string(width) + ".tif";
    // A dithered picture with fine detail: noise codes larger than the rows it stands for.
    Run("convert -seed 7 -size " + std::to_string(width) + "x300 plasma:fractal -colorspace gray "
        "-ordered-dither h4x4a -type bilevel -depth 1 -define quantum:polarity=min-is-white -compress none '" +
        Path(base) + "'");
    for (const Coding& coding : codings) {
      for (int variant = 0; variant < 3; ++variant) {
        // Little-endian in 64-row strips; big-endian in one strip; low bit first in 17-row strips.
        const char* layout = variant == 0 ? "-r 64" : variant == 1 ? "-B -r 300" : "-f lsb2msb -r 17";
        const std::string name = "page" + std::to_string(width) + "_" + coding.name + "_" + std::to_string(variant) + ".tif";
        Run(std::string("tiffcp ") + coding.option + " " + layout + " '" + Path(base) + "' '" + Path(name) + "'");
        if (HasFatalFailure()) return;
        ExpectSamePixels(name);
        ++files;
      }
    }
  }
  // Black is zero: the other polarity, through the coding that keeps the most state.
  Run("convert -seed 3 -size 1728x120 plasma:fractal -colorspace gray -ordered-dither h4x4a -type bilevel -depth 1 "
      "-define quantum:polarity=min-is-black -compress none '" + Path("black_is_zero.tif") + "'");
  Run("tiffcp -c g4 -r 64 '" + Path("black_is_zero.tif") + "' '" + Path("black_is_zero_g4.tif") + "'");
  ExpectSamePixels("black_is_zero_g4.tif");
  EXPECT_EQ(files, 60);
}

TEST_F(InteropCorpus, GreyPaletteAndColourImagesInBothByteOrders) {
  // ImageMagick reads its own 4-bit white-is-zero files as if black were zero (samples of 12 as
  // light grey); libtiff, and the TIFF rules, take 12 of 15 as dark. There libtiff is the
  // reference, and the test says when ImageMagick stops disagreeing.
  struct Image {
    const char* name;
    const char* options;
    bool fourBitGrey;
    Reference reference;
  } images[] = {
      {"grey8_black_is_zero.tif", "-colorspace gray -depth 8 -define quantum:polarity=min-is-black", false, Reference::kMagick},
      {"grey8_white_is_zero.tif", "-colorspace gray -depth 8 -define quantum:polarity=min-is-white", false, Reference::kMagick},
      {"grey4_black_is_zero.tif", "-colorspace gray -depth 4 -define quantum:polarity=min-is-black", true, Reference::kMagick},
      {"grey4_white_is_zero.tif", "-colorspace gray -depth 4 -define quantum:polarity=min-is-white", true, Reference::kLibtiff},
      {"palette4.tif", "-colors 16 -type palette -depth 4", false, Reference::kMagick},
      {"palette8.tif", "-colors 200 -type palette -depth 8", false, Reference::kMagick},
      {"rgb24.tif", "-type truecolor -depth 8", false, Reference::kMagick},
  };
  for (const Image& image : images) {
    // An odd width: rows are padded in the DIB, never in the file.
    Run(std::string("convert -seed 11 -size 37x23 plasma:fractal ") + image.options + " -compress none '" +
        Path(image.name) + "'");
    ExpectSamePixels(image.name, image.fourBitGrey, image.reference);
    const std::string big = std::string("big_") + image.name;
    Run("tiffcp -B -c none -r 5 '" + Path(image.name) + "' '" + Path(big) + "'");
    ExpectSamePixels(big, image.fourBitGrey, image.reference);
  }
  EXPECT_NE(MagickRgb("grey4_white_is_zero.tif"), LibtiffRgb("grey4_white_is_zero.tif"));
  // The palettes hold 16-bit entries, as libtiff writes them.
  Run("tiffinfo '" + Path("big_palette8.tif") + "' > '" + Path("palette8.txt") + "'");
  const std::vector<uint8_t> info = Slurp(Path("palette8.txt"));
  EXPECT_NE(std::string(info.begin(), info.end()).find("Photometric Interpretation: palette"), std::string::npos);
}

TEST_F(InteropCorpus, UnsupportedLayoutsGiveNoPicture) {
  Run("convert -seed 5 -size 40x30 plasma:fractal -depth 8 -compress none '" + Path("colour.tif") + "'");
  struct Case {
    const char* name;
    std::string make;
    TiffReadFault expected;
  } cases[] = {
      {"lzw.tif", "tiffcp -c lzw '" + Path("colour.tif") + "' '" + Path("lzw.tif") + "'",
       TiffReadFault::kUnsupportedCompression},
      {"grey2.tif", "convert '" + Path("colour.tif") + "' -colorspace gray -depth 2 -compress none '" + Path("grey2.tif") + "'",
       TiffReadFault::kUnsupportedLayout},
      {"rgb16.tif", "convert '" + Path("colour.tif") + "' -depth 16 -compress none '" + Path("rgb16.tif") + "'",
       TiffReadFault::kUnsupportedLayout},
      {"tiled.tif", "tiffcp -t -w 16 -l 16 '" + Path("colour.tif") + "' '" + Path("tiled.tif") + "'",
       TiffReadFault::kTiled},
      {"planes.tif", "tiffcp -p separate '" + Path("colour.tif") + "' '" + Path("planes.tif") + "'",
       TiffReadFault::kUnsupportedLayout},
  };
  for (const Case& c : cases) {
    Run(c.make);
    PictureInMemory picture;
    EXPECT_EQ(ReadFile(c.name, picture), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace quill::test
