// Every transfer mechanism, pixel type and compression, driven through the installed manager;
// every image compared pixel for pixel with the page generator.
#include <gtest/gtest.h>

#include <string>

#include "scanner/image_encoding.h"
#include "scanner/tests/test_support.h"
#include "scanner/tests/twain_client.h"

namespace tvscan_test {
namespace {

using tvscan::PixelType;

struct TransferCase {
  const char* name;
  TW_UINT16 mechanism;
  PixelType pixel_type;
  TW_UINT16 compression;
  TW_UINT16 file_format;
  bool vanilla;
};

std::ostream& operator<<(std::ostream& out, const TransferCase& c) { return out << c.name; }

class TransferTest : public ::testing::TestWithParam<TransferCase> {};

TEST_P(TransferTest, DeliversTheGeneratedPagesExactly) {
  const TransferCase& c = GetParam();
  ScenarioFile scenario("pages = 3\n");
  TwainClient client;
  ASSERT_TRUE(client.loaded());
  ASSERT_EQ(client.OpenManager(), TWRC_SUCCESS);
  ASSERT_EQ(client.OpenSource(), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, c.mechanism), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT16>(c.pixel_type)), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_PIXELFLAVOR, TWTY_UINT16, c.vanilla ? TWPF_VANILLA : TWPF_CHOCOLATE), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 50), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_COMPRESSION, TWTY_UINT16, c.compression), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);
  if (c.mechanism == TWSX_FILE) {
    ASSERT_EQ(client.SetOneValue(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, c.file_format), TWRC_SUCCESS);
  }
  ASSERT_EQ(client.Enable(false), TWRC_SUCCESS);
  TW_UINT16 event = MSG_NULL;
  ASSERT_TRUE(client.WaitForEvent(event, 10000));
  ASSERT_EQ(event, MSG_XFERREADY);

  std::vector<ReceivedImage> images = client.TransferBatch(c.mechanism, c.file_format);
  ASSERT_EQ(images.size(), 2u);
  tvscan::PageSettings settings;
  settings.pixel_type = c.pixel_type;
  settings.dpi = 50;
  settings.vanilla = c.vanilla;
  for (uint32_t page = 1; page <= 2; ++page) {
    const ReceivedImage& image = images[page - 1];
    ASSERT_EQ(image.result, TWRC_XFERDONE) << "page " << page << " condition " << image.condition;
    EXPECT_EQ(image.info.XResolution.Whole, 50);
    EXPECT_EQ(image.info.PixelType, static_cast<TW_INT16>(c.pixel_type));
    bool coded_here = c.mechanism == TWSX_MEMORY || (c.mechanism == TWSX_FILE && c.file_format == TWFF_TIFF);
    EXPECT_EQ(image.info.Compression, coded_here ? c.compression : TW_UINT16(TWCP_NONE));
    EXPECT_TRUE(SameRaster(tvscan::GeneratePage(page, settings), image.raster)) << "page " << page;
    bool has_table = c.mechanism == TWSX_NATIVE || c.file_format == TWFF_BMP || c.pixel_type == PixelType::Palette;
    if (c.mechanism != TWSX_MEMORY && has_table) {
      std::vector<tvscan::Colour> expected = tvscan::ColourTable(settings);
      ASSERT_EQ(image.colours.size(), expected.size());
      for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(image.colours[i].red, expected[i].red) << i;
        EXPECT_EQ(image.colours[i].blue, expected[i].blue) << i;
      }
    }
  }
  if (c.mechanism == TWSX_MEMORY && c.compression == TWCP_NONE) {
    const TW_IMAGEMEMXFER& strip = images[0].strips.front();
    EXPECT_EQ(strip.BytesPerRow, images[0].raster.row_bytes);  // whole bytes, no 32-bit padding
    EXPECT_EQ(strip.YOffset, 0u);
    uint32_t rows = 0;
    for (const TW_IMAGEMEMXFER& each : images[0].strips) rows += each.Rows;
    EXPECT_EQ(rows, images[0].raster.height);
  }
  EXPECT_EQ(client.pending_after_last(), 0);
  EXPECT_EQ(client.Disable(), TWRC_SUCCESS);
  EXPECT_EQ(client.CloseSource(), TWRC_SUCCESS);
  EXPECT_EQ(client.CloseManager(), TWRC_SUCCESS);
}

const TransferCase kCases[] = {
    {"NativeBw", TWSX_NATIVE, PixelType::Bw, TWCP_NONE, TWFF_BMP, false},
    {"NativeBwVanilla", TWSX_NATIVE, PixelType::Bw, TWCP_NONE, TWFF_BMP, true},
    {"NativeGray", TWSX_NATIVE, PixelType::Gray, TWCP_NONE, TWFF_BMP, false},
    {"NativeGrayVanilla", TWSX_NATIVE, PixelType::Gray, TWCP_NONE, TWFF_BMP, true},
    {"NativeRgb", TWSX_NATIVE, PixelType::Rgb, TWCP_NONE, TWFF_BMP, false},
    {"NativePalette", TWSX_NATIVE, PixelType::Palette, TWCP_NONE, TWFF_BMP, false},
    {"MemoryBw", TWSX_MEMORY, PixelType::Bw, TWCP_NONE, TWFF_BMP, false},
    {"MemoryGray", TWSX_MEMORY, PixelType::Gray, TWCP_NONE, TWFF_BMP, false},
    {"MemoryRgb", TWSX_MEMORY, PixelType::Rgb, TWCP_NONE, TWFF_BMP, false},
    {"MemoryPalette", TWSX_MEMORY, PixelType::Palette, TWCP_NONE, TWFF_BMP, false},
    {"MemoryGroup31D", TWSX_MEMORY, PixelType::Bw, TWCP_GROUP31D, TWFF_BMP, false},
    {"MemoryGroup31DEol", TWSX_MEMORY, PixelType::Bw, TWCP_GROUP31DEOL, TWFF_BMP, false},
    {"MemoryGroup32D", TWSX_MEMORY, PixelType::Bw, TWCP_GROUP32D, TWFF_BMP, true},
    {"MemoryGroup4", TWSX_MEMORY, PixelType::Bw, TWCP_GROUP4, TWFF_BMP, false},
    {"FileBmpBw", TWSX_FILE, PixelType::Bw, TWCP_NONE, TWFF_BMP, false},
    {"FileBmpGray", TWSX_FILE, PixelType::Gray, TWCP_NONE, TWFF_BMP, false},
    {"FileBmpRgb", TWSX_FILE, PixelType::Rgb, TWCP_NONE, TWFF_BMP, false},
    {"FileBmpPalette", TWSX_FILE, PixelType::Palette, TWCP_NONE, TWFF_BMP, false},
    {"FileTiffBw", TWSX_FILE, PixelType::Bw, TWCP_NONE, TWFF_TIFF, false},
    {"FileTiffGray", TWSX_FILE, PixelType::Gray, TWCP_NONE, TWFF_TIFF, false},
    {"FileTiffRgb", TWSX_FILE, PixelType::Rgb, TWCP_NONE, TWFF_TIFF, false},
    {"FileTiffPalette", TWSX_FILE, PixelType::Palette, TWCP_NONE, TWFF_TIFF, false},
    {"FileTiffGroup31D", TWSX_FILE, PixelType::Bw, TWCP_GROUP31D, TWFF_TIFF, false},
    {"FileTiffGroup31DEol", TWSX_FILE, PixelType::Bw, TWCP_GROUP31DEOL, TWFF_TIFF, false},
    {"FileTiffGroup32D", TWSX_FILE, PixelType::Bw, TWCP_GROUP32D, TWFF_TIFF, false},
    {"FileTiffGroup4", TWSX_FILE, PixelType::Bw, TWCP_GROUP4, TWFF_TIFF, true},
};

INSTANTIATE_TEST_SUITE_P(AllModes, TransferTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TransferCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tvscan_test
