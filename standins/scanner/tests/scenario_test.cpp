// Each scenario key observed through the protocol, a faulty scenario file reported with its
// line, and the parser's verdicts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "scanner/image_encoding.h"
#include "scanner/picture_file.h"
#include "scanner/scenario.h"
#include "scanner/tests/test_support.h"
#include "scanner/tests/twain_client.h"

namespace tvscan_test {
namespace {

constexpr TW_UINT16 kInquiry = DAT_CUSTOMBASE + 1;

// A client with the source open at 50 dpi, native transfers unless told otherwise.
class ScenarioTest : public ::testing::Test {
 protected:
  void Open(const std::string& scenario_text, const char* product = "TALVORN Virtual Scanner") {
    scenario_ = std::make_unique<ScenarioFile>(scenario_text);
    ASSERT_TRUE(client_.loaded());
    ASSERT_EQ(client_.OpenManager(), TWRC_SUCCESS);
    ASSERT_EQ(client_.OpenSource(product), TWRC_SUCCESS);
    ASSERT_EQ(client_.SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 50), TWRC_SUCCESS);
  }
  // Ends what Open began, so that the next Open starts afresh on another scenario.
  void Close() {
    client_.CloseSource();
    client_.CloseManager();
    scenario_.reset();
  }
  std::vector<ReceivedImage> Batch(TW_UINT16 mechanism = TWSX_NATIVE) {
    EXPECT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
    EXPECT_EQ(client_.Enable(false), TWRC_SUCCESS);
    TW_UINT16 event = MSG_NULL;
    EXPECT_TRUE(client_.WaitForEvent(event, 10000));
    EXPECT_EQ(event, MSG_XFERREADY);
    std::vector<ReceivedImage> images = client_.TransferBatch(mechanism);
    EXPECT_EQ(client_.Disable(), TWRC_SUCCESS);
    return images;
  }
  static tvscan::Raster Page(uint32_t number) {
    tvscan::PageSettings settings;
    settings.dpi = 50;
    return tvscan::GeneratePage(number, settings);
  }
  std::unique_ptr<ScenarioFile> scenario_;
  TwainClient client_;
};

TEST_F(ScenarioTest, PagesFillTheFeederForEachBatch) {
  Open("pages = 4\n");
  EXPECT_EQ(Batch().size(), 4u);
  std::vector<ReceivedImage> second = Batch();
  ASSERT_EQ(second.size(), 4u);
  EXPECT_TRUE(SameRaster(Page(5), second[0].raster));  // numbering goes on across batches
}

TEST_F(ScenarioTest, EmptyFeederRefusesToEnable) {
  Open("pages = 0\n");
  TW_UINT16 type = 0;
  std::vector<TW_UINT32> loaded;
  EXPECT_EQ(client_.GetCap(MSG_GETCURRENT, CAP_FEEDERLOADED, type, loaded), TWRC_SUCCESS);
  EXPECT_EQ(loaded, std::vector<TW_UINT32>{0});
  EXPECT_EQ(client_.Enable(false), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_OPERATIONERROR);
}

TEST_F(ScenarioTest, OfflineDeviceSaysSoAndCannotBeEnabled) {
  Open("online = 0\n");
  TW_UINT16 type = 0;
  std::vector<TW_UINT32> online;
  EXPECT_EQ(client_.GetCap(MSG_GET, CAP_DEVICEONLINE, type, online), TWRC_SUCCESS);
  EXPECT_EQ(type, TWON_ONEVALUE);
  EXPECT_EQ(online, std::vector<TW_UINT32>{0});
  EXPECT_EQ(client_.Enable(false), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_CHECKDEVICEONLINE);
}

TEST_F(ScenarioTest, ManufacturerAndProductNameOverrideTheIdentity) {
  Open("manufacturer = \"TALVORN \"\nproduct_name = Other Scanner\n", "Other Scanner");
  EXPECT_STREQ(client_.source().Manufacturer, "TALVORN ");  // trailing blank kept: it is the point
  EXPECT_STREQ(client_.source().ProductName, "Other Scanner");
  EXPECT_STREQ(client_.source().ProductFamily, "TALVORN Scanner");
}

TEST_F(ScenarioTest, InquiryDataAndItsOverrides) {
  // Vendor, product and revision fill their fields, padded with spaces.
  const struct {
    const char* scenario;
    const char* vendor;
    const char* product;
    const char* revision;
  } cases[] = {{"", "TALVORN ", "TV-DS4500V      ", "1.07"},
               {"inquiry_vendor = ACME\ninquiry_product = FB-1\ninquiry_revision = 2.5\n", "ACME    ",
                "FB-1            ", "2.5 "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    Open(c.scenario);
    uint8_t block[36];
    std::memset(block, 0xAA, sizeof block);
    ASSERT_EQ(client_.CallSource(DG_CONTROL, kInquiry, MSG_GET, block), TWRC_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block + 8), 8), c.vendor);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block + 16), 16), c.product);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block + 32), 4), c.revision);
    Close();
  }
}

TEST_F(ScenarioTest, InquiryCanBeUnsupported) {
  Open("inquiry = 0\n");
  uint8_t block[36] = {};
  EXPECT_EQ(client_.CallSource(DG_CONTROL, kInquiry, MSG_GET, block), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_BADPROTOCOL);
}

TEST_F(ScenarioTest, FailureOfATripletForOnePage) {
  Open("pages = 3\nfail = DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET TWRC_FAILURE TWCC_PAPERJAM page 2\n");
  std::vector<ReceivedImage> images = Batch();
  ASSERT_EQ(images.size(), 2u);  // the batch ends at the failing page (the client resets)
  EXPECT_EQ(images[0].result, TWRC_XFERDONE);
  EXPECT_EQ(images[1].result, TWRC_FAILURE);
  EXPECT_EQ(images[1].condition, TWCC_PAPERJAM);
}

TEST_F(ScenarioTest, FailureOfATripletEveryTime) {
  Open("fail = DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS TWRC_FAILURE TWCC_LOWMEMORY\n");
  EXPECT_EQ(client_.Enable(false), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_LOWMEMORY);
}

TEST_F(ScenarioTest, FailureOfOneCapabilityLeavesTheOthersAndIsTraced) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string trace = std::string(folder) + "tvscan_trace.txt";
  DeleteFileA(trace.c_str());
  Open("fail = DG_CONTROL DAT_CAPABILITY MSG_SET TWRC_FAILURE TWCC_BADVALUE cap ICAP_XFERMECH\n"
       "trace = \"" + trace + "\"\n");
  EXPECT_EQ(client_.SetOneValue(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES), TWRC_SUCCESS);
  EXPECT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_BADVALUE);
  client_.CloseSource();

  std::ifstream file(trace);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("DG 1 DAT 0x0001 MSG 0x0006 CAP 0x0102 RC 0 CC 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("DG 1 DAT 0x0001 MSG 0x0006 CAP 0x0103 RC 1 CC 10\n"), std::string::npos) << text;
  file.close();
  DeleteFileA(trace.c_str());
}

TEST_F(ScenarioTest, CancelledPageIsSkippedAndTheBatchGoesOn) {
  Open("pages = 3\ncancel_page = 2\n");
  std::vector<ReceivedImage> images = Batch();
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[1].result, TWRC_CANCEL);
  EXPECT_EQ(images[2].result, TWRC_XFERDONE);
  EXPECT_TRUE(SameRaster(Page(3), images[2].raster));
}

TEST_F(ScenarioTest, UnknownLengthInMemoryMode) {
  Open("pages = 1\nunknown_length = 1\n");
  std::vector<ReceivedImage> images = Batch(TWSX_MEMORY);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].info.ImageLength, -1);
  EXPECT_TRUE(SameRaster(Page(1), images[0].raster));  // the strips carry the whole page
}

TEST_F(ScenarioTest, StripsLongerThanAnnounced) {
  Open("pages = 1\nextra_rows = 7\n");
  std::vector<ReceivedImage> images = Batch(TWSX_MEMORY);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].raster.height, static_cast<uint32_t>(images[0].info.ImageLength) + 7);
}

TEST_F(ScenarioTest, RowsPaddedTo32Bits) {
  Open("pages = 1\npad_rows = 1\n");
  ASSERT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
  std::vector<ReceivedImage> images = Batch(TWSX_MEMORY);
  ASSERT_EQ(images.size(), 1u);
  uint32_t bytes_per_row = images[0].strips.front().BytesPerRow;
  EXPECT_EQ(images[0].raster.row_bytes, 413u);  // 413 grey pixels at 50 dpi
  EXPECT_EQ(bytes_per_row, 416u);
  tvscan::PageSettings gray;
  gray.pixel_type = tvscan::PixelType::Gray;
  gray.dpi = 50;
  EXPECT_TRUE(SameRaster(tvscan::GeneratePage(1, gray), images[0].raster));
}

TEST_F(ScenarioTest, ChosenStripFailsAndLeavesThePageOpen) {
  Open("pages = 1\nfail_strip = 2\n");
  ASSERT_EQ(client_.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);  // four strips
  ASSERT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  ASSERT_EQ(client_.Enable(false), TWRC_SUCCESS);
  TW_UINT16 event = MSG_NULL;
  ASSERT_TRUE(client_.WaitForEvent(event, 10000));
  TW_SETUPMEMXFER setup{};
  ASSERT_EQ(client_.CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
  HGLOBAL buffer = GlobalAlloc(GHND, setup.Preferred);
  TW_IMAGEMEMXFER strip{};
  strip.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, setup.Preferred, buffer};
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_OPERATIONERROR);
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_FAILURE);  // still in 7
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  GlobalFree(buffer);
  EXPECT_EQ(client_.Disable(), TWRC_SUCCESS);
}

TEST_F(ScenarioTest, ExtraCodedBytesFollowTheCcittData) {
  Open("pages = 1\nextra_coded_bytes = 100000\n");
  ASSERT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  ASSERT_EQ(client_.SetOneValue(ICAP_COMPRESSION, TWTY_UINT16, TWCP_GROUP4), TWRC_SUCCESS);
  std::vector<ReceivedImage> images = Batch(TWSX_MEMORY);
  ASSERT_EQ(images.size(), 1u);
  const size_t coded = tvscan::EncodeCcitt(Page(1), TWCP_GROUP4, 4, false).size();
  EXPECT_EQ(images[0].bytes_received, coded + 100000);
}

TEST_F(ScenarioTest, AnnouncedSizeReplacesThePagesInTheImageInformation) {
  Open("pages = 1\nannounced_size = 30000 40000\n");
  ASSERT_EQ(client_.SetOneValue(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  ASSERT_EQ(client_.Enable(false), TWRC_SUCCESS);
  TW_UINT16 event = MSG_NULL;
  ASSERT_TRUE(client_.WaitForEvent(event, 10000));
  TW_IMAGEINFO info{};
  ASSERT_EQ(client_.CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  EXPECT_EQ(info.ImageWidth, 30000);
  EXPECT_EQ(info.ImageLength, 40000);
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(client_.CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(client_.Disable(), TWRC_SUCCESS);
}

TEST_F(ScenarioTest, PaletteCanBeMissing) {
  TW_PALETTE8 palette{};
  Open("");
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_SUCCESS);
  EXPECT_EQ(palette.NumColors, 2);
  Close();
  Open("palette = 0\n");
  EXPECT_EQ(client_.CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_FAILURE);
  EXPECT_EQ(client_.SourceCondition(), TWCC_BADPROTOCOL);
}

// Opens the source, which must refuse (TWCC_BUMMER) after a message box of its own; a second
// thread reads the box as a user would and presses OK. The box's text, empty when none showed.
std::string MessageOfARefusedOpening(TwainClient& client) {
  std::string shown;
  std::thread user([&shown] {
    HWND box = WaitForDialog("TALVORN Scanner");
    if (!box) return;
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text control
    shown = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(client.OpenSource(), TWRC_FAILURE);
  user.join();
  EXPECT_EQ(client.ManagerCondition(), TWCC_BUMMER);
  return shown;
}

TEST(ScenarioFileTest, FaultIsShownWithItsLineAndOpeningFails) {
  ScenarioFile scenario("# demo\npages = 2\ncolour = red\n");
  TwainClient client;
  ASSERT_EQ(client.OpenManager(), TWRC_SUCCESS);
  const std::string shown = MessageOfARefusedOpening(client);
  EXPECT_NE(shown.find("line 3: unknown key \"colour\""), std::string::npos) << shown;
  EXPECT_NE(shown.find(scenario.path()), std::string::npos) << shown;
}

TEST(ScenarioParserTest, ReadsEveryKey) {
  tvscan::ScenarioOutcome outcome = tvscan::ParseScenario(
      "pages = 5  # comment\r\nonline = no\nmanufacturer = X\nproduct_name = Y\ninquiry_vendor = V\n"
      "inquiry_product = P\ninquiry_revision = 1.2\ninquiry = 0\n"
      "fail = DG_CONTROL 0x8001 MSG_GET TWRC_CHECKSTATUS 5 page 3\ncancel_page = 2\n"
      "unknown_length = 1\nextra_rows = 9\npad_rows = yes\npalette = false\npage_folder = \"C:\\pages\"\n"
      "fail_strip = 3\nextra_coded_bytes = 77\nannounced_size = 30000 40000\npaper = Letter\n"
      "broken_native_dib = 1\n");
  ASSERT_TRUE(outcome.ok) << outcome.line << ": " << outcome.message;
  const tvscan::Scenario& s = outcome.scenario;
  EXPECT_EQ(s.pages, 5u);
  EXPECT_FALSE(s.online);
  EXPECT_EQ(s.inquiry_revision, "1.2");
  ASSERT_EQ(s.failures.size(), 1u);
  EXPECT_EQ(s.failures[0].dat, 0x8001);
  EXPECT_EQ(s.failures[0].return_code, 2);
  EXPECT_EQ(s.failures[0].condition_code, 5);
  EXPECT_EQ(s.failures[0].page, 3u);
  EXPECT_EQ(s.cancel_page, 2u);
  EXPECT_TRUE(s.unknown_length);
  EXPECT_EQ(s.extra_rows, 9u);
  EXPECT_TRUE(s.pad_rows);
  EXPECT_FALSE(s.palette);
  EXPECT_EQ(s.page_folder, "C:\\pages");
  EXPECT_TRUE(s.pages_given);
  EXPECT_EQ(s.fail_strip, 3u);
  EXPECT_EQ(s.extra_coded_bytes, 77u);
  EXPECT_EQ(s.announced_width, 30000u);
  EXPECT_EQ(s.announced_length, 40000u);
  EXPECT_TRUE(s.letter);
  EXPECT_TRUE(s.broken_native_dib);
}

TEST(ScenarioParserTest, NamesTheLineOfEveryFault) {
  struct Fault {
    const char* text;
    uint32_t line;
    const char* message;
  } faults[] = {
      {"pages = 2\nspeed = 9\n", 2, "unknown key \"speed\""},
      {"pages = many\n", 1, "bad value \"many\" for \"pages\""},
      {"\n\npages = -1\n", 3, "bad value \"-1\" for \"pages\""},
      {"online = maybe\n", 1, "bad value \"maybe\" for \"online\""},
      {"inquiry_vendor = TOOLONGVENDOR\n", 1, "bad value \"TOOLONGVENDOR\" for \"inquiry_vendor\""},
      {"fail = DG_IMAGE DAT_NOPE MSG_GET TWRC_FAILURE TWCC_BUMMER\n", 1, "bad value"},
      {"fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE\n", 1, "bad value"},
      {"fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE TWCC_BUMMER page 0\n", 1, "bad value"},
      {"cancel_page = 0\n", 1, "bad value"},
      {"fail = DG_CONTROL DAT_CAPABILITY MSG_SET TWRC_FAILURE 1 cap\n", 1, "bad value"},
      {"fail = DG_CONTROL DAT_CAPABILITY MSG_SET TWRC_FAILURE 1 cap ICAP_NOPE\n", 1, "bad value"},
      {"fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE 1 cap ICAP_UNITS\n", 1, "bad value"},
      {"fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE 1 page 2 page 3\n", 1, "bad value"},
      {"fail_strip = 0\n", 1, "bad value"},
      {"paper = A3\n", 1, "bad value"},
      {"announced_size = 30000\n", 1, "bad value"},
      {"announced_size = 0 5\n", 1, "bad value"},
      {"just words\n", 1, "expected \"key = value\""},
  };
  for (const Fault& fault : faults) {
    tvscan::ScenarioOutcome outcome = tvscan::ParseScenario(fault.text);
    EXPECT_FALSE(outcome.ok) << fault.text;
    EXPECT_EQ(outcome.line, fault.line) << fault.text;
    EXPECT_EQ(outcome.message.rfind(fault.message, 0), 0u) << fault.text << " -> " << outcome.message;
  }
}

}  // namespace
}  // namespace tvscan_test

namespace tvscan_test {
namespace {

std::string TempFolder(const char* name) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

tvscan::Picture PictureOf(const tvscan::Raster& bw) {
  tvscan::Picture picture;
  picture.width = bw.width;
  picture.height = bw.height;
  for (uint32_t y = 0; y < bw.height; ++y) {
    for (uint32_t x = 0; x < bw.width; ++x) {
      uint8_t v = (bw.Row(y)[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;  // chocolate: 1 is white
      picture.pixels.push_back(tvscan::Colour{v, v, v});
    }
  }
  return picture;
}

TEST(PageFolderTest, FeedsTheFolderFilesInNameOrder) {
  std::string folder = TempFolder("tvscan_pages");
  tvscan::PageSettings rgb;
  rgb.pixel_type = tvscan::PixelType::Rgb;
  rgb.dpi = 50;
  tvscan::PageSettings bw;
  bw.dpi = 75;
  tvscan::Raster first = tvscan::GeneratePage(11, rgb), second = tvscan::GeneratePage(12, rgb);
  tvscan::Raster third = tvscan::GeneratePage(13, bw);
  ASSERT_TRUE(tvscan::WriteBytes(folder + "\\a.bmp", tvscan::BuildBmpFile(tvscan::BuildDib(first, rgb))));
  ASSERT_TRUE(tvscan::WriteTiffFile(folder + "\\B.TIF", second, rgb, TWCP_NONE, 0));
  ASSERT_TRUE(tvscan::WriteTiffFile(folder + "\\c.tiff", third, bw, TWCP_GROUP4, 0));
  ASSERT_TRUE(tvscan::WriteBytes(folder + "\\notes.txt", {'x'}));

  ScenarioFile scenario("page_folder = " + folder + "\n");
  TwainClient client;
  ASSERT_EQ(client.OpenManager(), TWRC_SUCCESS);
  ASSERT_EQ(client.OpenSource(), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  ASSERT_EQ(client.SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 50), TWRC_SUCCESS);
  ASSERT_EQ(client.Enable(false), TWRC_SUCCESS);
  TW_UINT16 event = MSG_NULL;
  ASSERT_TRUE(client.WaitForEvent(event, 10000));
  std::vector<ReceivedImage> images = client.TransferBatch(TWSX_NATIVE);
  ASSERT_EQ(images.size(), 3u);  // as many pages as files, when `pages` is not given
  EXPECT_TRUE(SameRaster(first, images[0].raster));
  EXPECT_TRUE(SameRaster(second, images[1].raster));
  tvscan::Picture picture = PictureOf(third);
  EXPECT_TRUE(SameRaster(tvscan::ConvertPicture(picture.pixels, picture.width, picture.height, rgb), images[2].raster));
  client.Disable();
  client.CloseSource();
  client.CloseManager();
  for (const char* name : {"a.bmp", "B.TIF", "c.tiff", "notes.txt"}) DeleteFileA((folder + "\\" + name).c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(PageFolderTest, EmptyFolderIsReportedWhenOpening) {
  std::string folder = TempFolder("tvscan_empty");
  ScenarioFile scenario("page_folder = " + folder + "\n");
  TwainClient client;
  ASSERT_EQ(client.OpenManager(), TWRC_SUCCESS);
  const std::string shown = MessageOfARefusedOpening(client);
  EXPECT_NE(shown.find("holds no BMP or TIFF file"), std::string::npos) << shown;
  RemoveDirectoryA(folder.c_str());
}

TEST(PictureFileTest, RefusesDamagedFilesWithAReason) {
  tvscan::PageSettings gray;
  gray.pixel_type = tvscan::PixelType::Gray;
  gray.dpi = 50;
  std::vector<uint8_t> bmp = tvscan::BuildBmpFile(tvscan::BuildDib(tvscan::GeneratePage(1, gray), gray));
  tvscan::Picture picture;
  std::string problem;
  ASSERT_TRUE(tvscan::ReadPicture(bmp, picture, problem)) << problem;
  EXPECT_EQ(picture.width, 413u);
  std::vector<uint8_t> cut(bmp.begin(), bmp.begin() + bmp.size() / 2);
  EXPECT_FALSE(tvscan::ReadPicture(cut, picture, problem));
  EXPECT_EQ(problem, "BMP pixel data cut short");
  std::vector<uint8_t> huge = bmp;
  huge[18] = huge[19] = huge[20] = 0xFF;  // width 16.7 million
  huge[21] = 0x00;
  EXPECT_FALSE(tvscan::ReadPicture(huge, picture, problem));
  EXPECT_EQ(problem, "BMP size not supported");
  std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 0xF0, 0xFF, 0, 0};
  EXPECT_FALSE(tvscan::ReadPicture(tiff, picture, problem));
  EXPECT_EQ(problem, "TIFF directory outside the file");
  EXPECT_FALSE(tvscan::ReadPicture({'G', 'I', 'F', '8'}, picture, problem));
  EXPECT_TRUE(tvscan::IsPictureName("PAGE.TIFF"));
  EXPECT_FALSE(tvscan::IsPictureName("page.png"));
}

}  // namespace
}  // namespace tvscan_test
