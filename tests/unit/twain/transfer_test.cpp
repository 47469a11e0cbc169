// Image transfers driven through the installed source manager and the virtual scanner: every
// image handed over is compared pixel for pixel, colours included, with the scanner's page
// generator; batches, cancelled pages, every failure report of a transfer, and the end of the
// acquisition after each.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "filter/kestrel_filter.h"
#include "config/scan_settings.h"
#include "scanner/tests/test_support.h"
#include "twain/transfer_output.h"
#include "tests/unit/twain/transfer_support.h"

namespace quill {
namespace {

using tvscan::PaperSize;
using tvscan::PixelType;
using tvscan_test::ScenarioFile;

class FilterEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { BindInstalledFilter(); }
  void TearDown() override { ReleaseProgramFilter(); }
};
const auto* const kFilter = ::testing::AddGlobalTestEnvironment(new FilterEnvironment);

const char kTraceHeading[] = "TWAIN Data source error is Notifid\n";

std::string Trace(const char* triplet) { return std::string(kTraceHeading) + triplet; }

// --- One acquisition per case, each page compared ---

struct TransferCase {
  const char* name;
  LONG scanMech;
  PageSetup page;
  LONG compress;
  const char* scenario;
};

std::ostream& operator<<(std::ostream& out, const TransferCase& c) { return out << c.name; }

class TransferTest : public ::testing::TestWithParam<TransferCase> {};

// Applies a job of one transfer mode and compression and runs the connection's batch to its end:
// the source disabled again, in state 4.
void RunToTheEnd(CapturingConnection& connection, LONG scanMech, LONG compress) {
  JobSetup job;
  job.scanMech = scanMech;
  job.compress = compress;
  ApplyJob(job);
  connection.Run();
  EXPECT_FALSE(connection.timedOut);
  EXPECT_EQ(connection.stateAfterLoop, 4);
}

TEST_P(TransferTest, EveryPageArrivesWholeInItsColours) {
  const TransferCase& c = GetParam();
  ScenarioFile scenario(std::string("pages = 2\n") + c.scenario);
  BoxRecorder boxes;
  CapturingConnection connection(c.page);
  RunToTheEnd(connection, c.scanMech, c.compress);
  for (const ShownBox& box : boxes.shown) ADD_FAILURE() << "unexpected report: " << box.text;
  if (c.scanMech == 2) {
    ASSERT_EQ(connection.fileBytes.size(), 2u);
    EXPECT_TRUE(SamePageInBmp(connection.fileBytes[0], 1, c.page));
    EXPECT_TRUE(SamePageInBmp(connection.fileBytes[1], 2, c.page));
    // Displayed only: the temporary file goes after the batch.
    EXPECT_EQ(GetFileAttributesA(connection.fileNames[0].c_str()), INVALID_FILE_ATTRIBUTES);
  } else {
    ASSERT_EQ(connection.displayed.size(), 2u);
    EXPECT_TRUE(SamePage(connection.displayed[0], 1, c.page));
    EXPECT_TRUE(SamePage(connection.displayed[1], 2, c.page));
  }
}

constexpr PageSetup kBw{PixelType::Bw, 50, false, PaperSize::A4};
constexpr PageSetup kBwVanilla{PixelType::Bw, 50, true, PaperSize::A4};
constexpr PageSetup kGray{PixelType::Gray, 50, false, PaperSize::A4};
constexpr PageSetup kGrayVanilla{PixelType::Gray, 50, true, PaperSize::A4};
constexpr PageSetup kGray4{PixelType::Gray, 50, false, PaperSize::A4, 4};
constexpr PageSetup kGray4Vanilla{PixelType::Gray, 50, true, PaperSize::A4, 4};
constexpr PageSetup kRgb{PixelType::Rgb, 50, false, PaperSize::A4};
constexpr PageSetup kPalette{PixelType::Palette, 50, false, PaperSize::A4};
constexpr PageSetup kA4At300{PixelType::Bw, 300, false, PaperSize::A4};          // 2480 wide
constexpr PageSetup kLetterAt300{PixelType::Bw, 300, false, PaperSize::Letter};  // 2550 wide
constexpr PageSetup kLetterAt300Vanilla{PixelType::Bw, 300, true, PaperSize::Letter};
constexpr PageSetup kRgbLetter{PixelType::Rgb, 75, false, PaperSize::Letter};

INSTANTIATE_TEST_SUITE_P(
    Native, TransferTest,
    ::testing::Values(TransferCase{"bw", 0, kBw, 0, ""}, TransferCase{"bw_vanilla", 0, kBwVanilla, 0, ""},
                      TransferCase{"gray", 0, kGray, 0, ""}, TransferCase{"gray_vanilla", 0, kGrayVanilla, 0, ""},
                      TransferCase{"gray4", 0, kGray4, 0, "gray_bits = 4\n"},
                      TransferCase{"rgb", 0, kRgb, 0, ""}, TransferCase{"palette", 0, kPalette, 0, ""},
                      TransferCase{"a4_300", 0, kA4At300, 0, ""},
                      TransferCase{"letter_300", 0, kLetterAt300, 0, "paper = Letter\n"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Memory, TransferTest,
    ::testing::Values(
        TransferCase{"bw", 1, kBw, 0, ""}, TransferCase{"bw_vanilla", 1, kBwVanilla, 0, ""},
        TransferCase{"gray", 1, kGray, 0, ""}, TransferCase{"gray_vanilla", 1, kGrayVanilla, 0, ""},
        // 16 greys: a table of 16 entries in steps of 17, falling for the other flavor.
        TransferCase{"gray4", 1, kGray4, 0, "gray_bits = 4\n"},
        TransferCase{"gray4_vanilla", 1, kGray4Vanilla, 0, "gray_bits = 4\n"},
        TransferCase{"rgb", 1, kRgb, 0, ""}, TransferCase{"palette", 1, kPalette, 0, ""},
        TransferCase{"a4_300", 1, kA4At300, 0, ""},
        TransferCase{"letter_300", 1, kLetterAt300, 0, "paper = Letter\n"},
        // Rows padded to 32 bits by the source, whatever the DIB's stride is.
        TransferCase{"bw_padded_letter", 1, kLetterAt300, 0, "paper = Letter\npad_rows = 1\n"},
        TransferCase{"gray_padded", 1, kGray, 0, "pad_rows = 1\n"},
        TransferCase{"rgb_padded_letter", 1, kRgbLetter, 0, "paper = Letter\npad_rows = 1\n"},
        // The length is learnt from the rows delivered.
        TransferCase{"bw_unknown_length", 1, kBw, 0, "unknown_length = 1\n"},
        TransferCase{"rgb_unknown_length", 1, kRgb, 0, "unknown_length = 1\n"},
        // Rows beyond the announced length are left out.
        TransferCase{"gray_extra_rows", 1, kGray, 0, "extra_rows = 7\n"},
        TransferCase{"g31d", 1, kBw, 1, ""}, TransferCase{"g31d_eol", 1, kBw, 2, ""},
        TransferCase{"g32d", 1, kBw, 3, ""}, TransferCase{"g4", 1, kBw, 4, ""},
        TransferCase{"g4_vanilla", 1, kBwVanilla, 4, ""},
        TransferCase{"g4_a4_300", 1, kA4At300, 4, ""},
        TransferCase{"g4_letter_300", 1, kLetterAt300, 4, "paper = Letter\n"},
        TransferCase{"g32d_letter_300_vanilla", 1, kLetterAt300Vanilla, 3, "paper = Letter\n"},
        TransferCase{"g31d_letter_300", 1, kLetterAt300, 1, "paper = Letter\n"},
        TransferCase{"g4_unknown_length", 1, kBw, 4, "unknown_length = 1\n"},
        // Far more coded bytes than twice the image: cut off at the buffer, the page intact.
        TransferCase{"g4_extra_coded_bytes", 1, kBw, 4, "extra_coded_bytes = 200000\n"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    File, TransferTest,
    ::testing::Values(TransferCase{"bw", 2, kBw, 0, ""}, TransferCase{"bw_vanilla", 2, kBwVanilla, 0, ""},
                      TransferCase{"gray", 2, kGray, 0, ""}, TransferCase{"rgb", 2, kRgb, 0, ""},
                      TransferCase{"palette", 2, kPalette, 0, ""},
                      TransferCase{"letter_300", 2, kLetterAt300, 0, "paper = Letter\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Memory DIB header ---

TEST(MemoryTransferHeaderTest, ResolutionAndSizesFromTheImageInformation) {
  ScenarioFile scenario("pages = 1\n");
  JobSetup job;
  job.scanMech = 1;
  ApplyJob(job);
  CapturingConnection connection(kA4At300);
  connection.Run();
  ASSERT_EQ(connection.displayed.size(), 1u);
  BITMAPINFOHEADER header;
  std::memcpy(&header, connection.displayed[0].data(), sizeof header);
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 2480);
  EXPECT_EQ(header.biHeight, 3507);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 1);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 3507u * 312u);
  EXPECT_EQ(header.biXPelsPerMeter, 11811);  // 300 x 10000 / 254, truncated
  EXPECT_EQ(header.biYPelsPerMeter, 11811);
  EXPECT_EQ(header.biClrUsed, 2u);
  EXPECT_EQ(header.biClrImportant, 0u);
}

TEST(MemoryTransferHeaderTest, PaletteTheSourceWithholdsGivesAFullGrayTable) {
  ScenarioFile scenario("pages = 1\npalette = 0\n");
  JobSetup job;
  job.scanMech = 1;
  ApplyJob(job);
  BoxRecorder boxes;
  CapturingConnection connection(kPalette);
  connection.Run();
  ASSERT_EQ(connection.displayed.size(), 1u);
  EXPECT_TRUE(boxes.shown.empty());
  const std::vector<uint8_t>& dib = connection.displayed[0];
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib.data(), sizeof header);
  EXPECT_EQ(header.biClrUsed, 0u);
  // Pixels after all 256 entries, where every DIB reader looks for them.
  const tvscan::Raster page = tvscan::GeneratePage(1, kPalette.Settings());
  const size_t stride = (page.row_bytes + 3) / 4 * 4;
  const uint8_t* topRow = dib.data() + 40 + 1024 + (page.height - 1) * stride;
  EXPECT_EQ(0, std::memcmp(topRow, page.Row(0), page.row_bytes));
  EXPECT_EQ(dib[40 + 4 * 255], 255);
}

// --- Batches ---

TEST(BatchTest, FiftyPagesWithoutTheDialogEndDisabled) {
  ScenarioFile scenario("pages = 50\n");
  JobSetup job;
  job.scanMech = 1;
  ApplyJob(job);
  BoxRecorder boxes;
  CapturingConnection connection(kBw);
  connection.Run();
  EXPECT_EQ(connection.stateAfterLoop, 4);
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_EQ(connection.displayed.size(), 50u);
  for (uint32_t page = 1; page <= 50; ++page) {
    EXPECT_TRUE(SamePage(connection.displayed[page - 1], page, kBw));
  }
}

// Presses the dialog's buttons as a user would: Scan, wait for the batch, Scan again, Close.
void DriveTwoBatches(CapturingConnection& connection, int pagesPerBatch) {
  HWND dialog = tvscan_test::WaitForDialog("TALVORN Scanner");
  if (!dialog) return;
  HWND scan = GetDlgItem(dialog, IDOK);
  for (int batch = 1; batch <= 2; ++batch) {
    for (int i = 0; i < 1000 && !IsWindowEnabled(scan); ++i) Sleep(10);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(scan));
    for (int i = 0; i < 3000 && connection.handedOver < batch * pagesPerBatch; ++i) Sleep(10);
  }
  for (int i = 0; i < 1000 && !IsWindowEnabled(scan); ++i) Sleep(10);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

TEST(BatchTest, WithTheDialogTwoBatchesFollowOneAcquireUntilItIsClosed) {
  ScenarioFile scenario("pages = 3\n");
  for (LONG mech : {0L, 1L}) {
    SCOPED_TRACE(mech);
    JobSetup job;
    job.scanMech = mech;
    job.showUI = 1;
    ApplyJob(job);
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    std::thread user([&connection] { DriveTwoBatches(connection, 3); });
    connection.Run(30000);
    user.join();
    EXPECT_FALSE(connection.timedOut);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_LT(connection.stateAfterLoop, 5);  // the close request ended the acquisition
    ASSERT_EQ(connection.displayed.size(), 6u);
    for (uint32_t page = 1; page <= 6; ++page) {
      EXPECT_TRUE(SamePage(connection.displayed[page - 1], page, kBw));
    }
  }
}

TEST(BatchTest, CancelledPageIsSkippedAndTheBatchGoesOn) {
  ScenarioFile scenario("pages = 3\ncancel_page = 2\n");
  for (LONG mech : {0L, 1L, 2L}) {
    SCOPED_TRACE(mech);
    JobSetup job;
    job.scanMech = mech;
    ApplyJob(job);
    BoxRecorder boxes;
    CapturingConnection connection(kGray);
    connection.Run();
    EXPECT_EQ(connection.stateAfterLoop, 4);
    EXPECT_TRUE(boxes.shown.empty());
    if (mech == 2) {
      ASSERT_EQ(connection.fileBytes.size(), 2u);
      EXPECT_TRUE(SamePageInBmp(connection.fileBytes[0], 1, kGray));
      EXPECT_TRUE(SamePageInBmp(connection.fileBytes[1], 3, kGray));
    } else {
      ASSERT_EQ(connection.displayed.size(), 2u);
      EXPECT_TRUE(SamePage(connection.displayed[0], 1, kGray));
      EXPECT_TRUE(SamePage(connection.displayed[1], 3, kGray));
    }
  }
}

TEST(BatchTest, RefusedImageIsNotCountedAgainstTheBatch) {
  ScenarioFile scenario("pages = 3\n");
  JobSetup job;
  job.scanMech = 1;
  ApplyJob(job);
  CapturingConnection connection(kBw);
  connection.refuseImages = 1;
  connection.Run();
  EXPECT_EQ(connection.stateAfterLoop, 4);
  EXPECT_EQ(connection.displayed.size(), 3u);
}

// --- Output stage hand-over and the running file number ---

TEST(FileNumberTest, AdvancesByTheStepAndWrapsAtTheModulus) {
  ScanSettings& settings = TheSettings();
  struct Step {
    DWORD from, step, modulus, to;
  } steps[] = {{999, 1, 1000, 0}, {995, 7, 1000, 2}, {7, 1, 1000, 8}, {99999, 1, 100000, 0},
               // No modulus to wrap at: the number goes on (and wraps at 32 bits) without dividing.
               {41, 1, 0, 42}, {0xFFFFFFFFu, 2, 0, 1}};
  for (const Step& s : steps) {
    RunningFileNumber = s.from;
    settings.FileNumStep = s.step;
    settings.FileNumModulus = s.modulus;
    AdvanceRunningFileNumber(settings);
    EXPECT_EQ(RunningFileNumber, s.to) << s.from << " + " << s.step << " mod " << s.modulus;
  }
}

TEST(FileNumberTest, EveryImageToAFileAdvancesItWrittenOrNot) {
  ScenarioFile scenario("pages = 3\n");
  for (LONG mech : {0L, 1L}) {
    SCOPED_TRACE(mech);
    JobSetup job;
    job.scanMech = mech;
    job.destination = 1;
    job.fileIdNumber = 98;
    job.fileNumStep = 1;
    job.fileNumDigit = 1;  // two digits: 99 wraps to 0
    ApplyJob(job);
    CapturingConnection connection(kBw);
    connection.Run();
    EXPECT_EQ(connection.stateAfterLoop, 4);
    EXPECT_TRUE(connection.displayed.empty());
    ASSERT_EQ(connection.saved.size(), 3u);
    EXPECT_TRUE(SamePage(connection.saved[2], 3, kBw));
    EXPECT_EQ(RunningFileNumber, 1u);
    EXPECT_EQ(TheSettings().FileIdNumber, 1u);  // stored when the source was disabled
  }
}

TEST(FileNumberTest, DeclinedSaveShowsTheImageAndEndsTheBatchAfterIt) {
  ScenarioFile scenario("pages = 3\n");
  for (LONG mech : {0L, 1L}) {
    SCOPED_TRACE(mech);
    JobSetup job;
    job.scanMech = mech;
    job.destination = 2;
    job.fileIdNumber = 5;
    ApplyJob(job);
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    connection.saveResults = {1, 0};
    connection.Run();
    EXPECT_EQ(connection.stateAfterLoop, 4);  // the third page was dropped, the source disabled
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(connection.displayed.size(), 2u);
    EXPECT_TRUE(SamePage(connection.displayed[1], 2, kBw));
    EXPECT_EQ(RunningFileNumber, 7u);
  }
}

// --- Failures: each reported once with its exact text, and the acquisition ends ---

struct FailureCase {
  const char* name;
  LONG scanMech;
  const char* scenario;
  std::string report;
  size_t imagesBefore;  // images handed over before the failure
  PageSetup page;
  LONG compress = 0;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) { return out << c.name; }

class FailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, ReportsOnceAndTheAcquisitionEnds) {
  const FailureCase& c = GetParam();
  ScenarioFile scenario(std::string("pages = 3\n") + c.scenario);
  BoxRecorder boxes;
  CapturingConnection connection(c.page);
  RunToTheEnd(connection, c.scanMech, c.compress);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, c.report);
  EXPECT_FALSE(boxes.shown[0].caption.has_value());
  EXPECT_EQ(boxes.shown[0].style & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(static_cast<size_t>(connection.handedOver), c.imagesBefore);
  for (size_t i = 0; i < connection.displayed.size(); ++i) {
    EXPECT_TRUE(SamePage(connection.displayed[i], static_cast<uint32_t>(i + 1), c.page));
  }
}

const char kImageInfo[] = "DG_IMAGE / DAT_IMAGEINFO / MSG_GET";
const char kNativeXfer[] = "DG_IMAGE / DAT_IMAGENATIVEXFER / MSG_GET";
const char kSetupMem[] = "DG_CONTROL / DAT_SETUPMEMXFER / MSG_GET";
const char kMemXfer[] = "DG_IMAGE / DAT_IMAGEMEMXFER / MSG_GET";
const char kFileXfer[] = "DG_CONTROL / DAT_SETUPFILEXFER / MSG_GET";

INSTANTIATE_TEST_SUITE_P(
    Transfers, FailureTest,
    ::testing::Values(
        FailureCase{"native_image_info", 0,
                    "fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE TWCC_BUMMER page 2\n",
                    Trace(kImageInfo), 1, kBw},
        FailureCase{"native_transfer", 0,
                    "fail = DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET TWRC_FAILURE TWCC_LOWMEMORY page 2\n",
                    Trace(kNativeXfer), 1, kBw},
        // A DIB whose header reaches beyond its block is not handed over.
        FailureCase{"native_broken_dib", 0, "broken_native_dib = 1\n", Trace(kNativeXfer), 0, kBw},
        FailureCase{"memory_image_info", 1,
                    "fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE TWCC_BUMMER page 3\n",
                    Trace(kImageInfo), 2, kBw},
        FailureCase{"memory_setup", 1,
                    "fail = DG_CONTROL DAT_SETUPMEMXFER MSG_GET TWRC_FAILURE TWCC_BUMMER page 2\n",
                    Trace(kSetupMem), 1, kBw},
        FailureCase{"memory_first_strip", 1,
                    "fail = DG_IMAGE DAT_IMAGEMEMXFER MSG_GET TWRC_FAILURE TWCC_PAPERJAM page 2\n",
                    Trace(kMemXfer), 1, kBw},
        // The source is inside the page when its second strip fails: the page must be ended.
        FailureCase{"memory_later_strip", 1, "fail_strip = 2\n", Trace(kMemXfer), 0, kGray},
        FailureCase{"memory_coded_later_strip", 1, "fail_strip = 2\nextra_coded_bytes = 200000\n",
                    Trace(kMemXfer), 0, kBw, 4},
        // A source that fills the buffer but never says how much: no rows are taken from it.
        FailureCase{"memory_strip_without_count", 1, "strip_count_unset = 1\n", Trace(kMemXfer), 0, kBw},
        FailureCase{"memory_coded_too_large", 1, "announced_size = 10000000 10000000\n",
                    "Not enough memory", 0, kBw, 4},
        FailureCase{"memory_too_large", 1, "announced_size = 10000000 10000000\n",
                    "Not enough memory", 0, kBw},
        FailureCase{"memory_rgb_too_large", 1, "announced_size = 30000 40000\n", "Not enough memory",
                    0, kRgb},
        // Nothing transferred yet, so no temporary file to delete: no second report.
        FailureCase{"file_image_info_first", 2,
                    "fail = DG_IMAGE DAT_IMAGEINFO MSG_GET TWRC_FAILURE TWCC_BUMMER page 1\n",
                    Trace(kImageInfo), 0, kBw},
        FailureCase{"file_transfer", 2,
                    "fail = DG_IMAGE DAT_IMAGEFILEXFER MSG_GET TWRC_FAILURE TWCC_BUMMER page 2\n",
                    Trace(kFileXfer), 1, kBw}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FailureTest, RefusedFileSetupIsReportedAndEveryPageStillTransferred) {
  ScenarioFile scenario("pages = 2\nfail = DG_CONTROL DAT_SETUPFILEXFER MSG_SET TWRC_FAILURE TWCC_BADVALUE\n");
  JobSetup job;
  job.scanMech = 2;
  ApplyJob(job);
  BoxRecorder boxes;
  CapturingConnection connection(kBw);
  connection.Run();
  EXPECT_EQ(connection.stateAfterLoop, 4);
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const ShownBox& box : boxes.shown) {
    EXPECT_EQ(box.text, "TWAIN Interface error\nFile Transfer Information error.\n\n  "
                        "Data parameter out of range\n");
    EXPECT_EQ(box.caption, std::optional<std::string>("TWAIN Tessel Utility (32)"));
  }
  EXPECT_EQ(connection.reportedIds, (std::vector<UINT>{5000, 5000}));
  EXPECT_EQ(connection.fileNames.size(), 2u);
}

TEST(FailureTest, FilterLibraryMissingAsksForUncompressedPagesWhichArriveWhole) {
  ScenarioFile scenario("pages = 1\n");
  JobSetup job;
  job.scanMech = 1;
  job.compress = 4;
  ApplyJob(job);
  ReleaseProgramFilter();
  BoxRecorder boxes;
  CapturingConnection connection(kBw);
  connection.Run();
  BindInstalledFilter();
  EXPECT_EQ(connection.stateAfterLoop, 4);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "The filter library is not loaded, so pages cannot be decoded from CCITT compression. "
            "They are transferred uncompressed.");
  ASSERT_EQ(connection.displayed.size(), 1u);
  EXPECT_TRUE(SamePage(connection.displayed[0], 1, kBw)) << "not a blank page in its place";
}

}  // namespace
}  // namespace quill
