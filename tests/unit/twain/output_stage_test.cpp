// The output stage with real files: numbered BMP and TIFF files from every transfer mode, the
// overwrite question with its three answers, the temporary file of file mode, and the program
// launched after the batch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "twain/confirm_overwrite.h"
#include "filter/kestrel_filter.h"
#include "twain/output_names.h"
#include "tests/unit/rendered_dib.h"
#include "config/scan_settings.h"
#include "scanner/tests/test_support.h"
#include "twain/transfer_output.h"
#include "tests/unit/twain/transfer_support.h"

namespace quill {
namespace {

using tvscan_test::ScenarioFile;

const PageSetup kBw;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Numbered(int number, const char* extension = ".BMP") {
  char name[32];
  std::snprintf(name, sizeof name, "IMAGE%03d%s", number, extension);
  return TransferFolder() + name;
}

// An empty output folder and a fresh start of the names for every test.
void ClearOutput() {
  for (const char* pattern : {"*.BMP", "*.TIF", "*.txt"}) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TransferFolder() + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do DeleteFileA((TransferFolder() + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  OutputNames = OutputNameRecord();
}

// Answers the overwrite question from a list, then No; remembers what it was asked.
class ScriptedAnswers : public OverwriteQuestion {
 public:
  explicit ScriptedAnswers(std::vector<OverwriteChoice> answers) : answers_(std::move(answers)), scope_(*this) {}
  OverwriteChoice Ask(const std::string& message, const std::string& caption) override {
    asked.push_back(message);
    EXPECT_EQ(caption, "Confirm overwrite");
    if (answers_.empty()) return kOverwriteNo;
    const OverwriteChoice answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
  }
  std::vector<std::string> asked;

 private:
  std::vector<OverwriteChoice> answers_;
  ScopedOverwriteQuestion scope_;
};

// The value of a tag of the first directory of a little-endian TIFF file; 0 when absent.
uint32_t TiffTag(const std::vector<uint8_t>& file, uint16_t tag) {
  auto u16 = [&](size_t at) { return at + 2 <= file.size() ? uint32_t(file[at] | file[at + 1] << 8) : 0u; };
  auto u32 = [&](size_t at) { return at + 4 <= file.size() ? u16(at) | u16(at + 2) << 16 : 0u; };
  const size_t directory = u32(4);
  const uint32_t entries = u16(directory);
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t entry = directory + 2 + i * 12;
    if (u16(entry) == tag) return u16(entry + 2) == 3 ? u16(entry + 8) : u32(entry + 8);
  }
  return 0;
}

// A job that writes every page to a numbered file from number 1, into an emptied output folder.
void ApplyFileJob(LONG scanMech, LONG fileFormat = 0, LONG compress = 0) {
  ClearOutput();
  JobSetup job;
  job.scanMech = scanMech;
  job.destination = 1;
  job.fileFormat = fileFormat;
  job.compress = compress;
  job.fileIdNumber = 1;
  ApplyJob(job);
}

void WriteMarker(const std::string& path) { std::ofstream(path, std::ios::binary) << "keep me"; }

TEST(OutputStageTest, EveryModeWritesNumberedFilesWithThePagesPixelForPixel) {
  ScenarioFile scenario("pages = 3\n");
  for (LONG mech : {0L, 1L, 2L}) {
    SCOPED_TRACE(mech);
    ApplyFileJob(mech);
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    connection.realOutput = true;
    connection.Run();
    EXPECT_TRUE(boxes.shown.empty());
    for (int page = 1; page <= 3; ++page) {
      EXPECT_TRUE(SamePageInBmp(ReadFile(Numbered(page)), static_cast<uint32_t>(page), kBw))
          << Numbered(page);
    }
    EXPECT_FALSE(Exists(Numbered(4)));
    EXPECT_FALSE(Exists(TransferFolder() + "$TMPDIB$.BMP")) << "the temporary file was renamed";
    EXPECT_EQ(TheSettings().FileIdNumber, 4u) << "stored when the source was disabled";
    EXPECT_STREQ(OutputNames.FirstFileName, Numbered(1).c_str());
    EXPECT_STREQ(OutputNames.LastFileName, Numbered(3).c_str());
  }
}

TEST(OutputStageTest, TiffFilesCarryTheChosenCompressionAndTheWholeLetterWidth) {
  ScenarioFile scenario("pages = 2\npaper = Letter\n");
  BindInstalledFilter();
  ApplyFileJob(1, 1, 4);
  BoxRecorder boxes;
  PageSetup letter;
  letter.dpi = 300;
  letter.paper = tvscan::PaperSize::Letter;
  CapturingConnection connection(letter);
  connection.realOutput = true;
  connection.Run();
  EXPECT_TRUE(boxes.shown.empty());
  for (int page = 1; page <= 2; ++page) {
    const std::vector<uint8_t> tiff = ReadFile(Numbered(page, ".TIF"));
    ASSERT_GT(tiff.size(), 8u) << page;
    EXPECT_EQ(TiffTag(tiff, 256), 2550u) << "a Letter page keeps its 2550 pixels";
    EXPECT_EQ(TiffTag(tiff, 259), 4u) << "Group 4";
  }
}

TEST(OutputStageTest, NoLeavesTheFileAndEndsTheBatchInNativeAndMemoryMode) {
  ScenarioFile scenario("pages = 3\n");
  for (LONG mech : {0L, 1L}) {
    SCOPED_TRACE(mech);
    ApplyFileJob(mech);
    WriteMarker(Numbered(2));
    BoxRecorder boxes;
    ScriptedAnswers answers({kOverwriteNo});
    CapturingConnection connection(kBw);
    connection.realOutput = true;
    connection.Run();
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0], Numbered(2) + "\nFile already exist, do you wish to overwrite?");
    EXPECT_EQ(ReadFile(Numbered(2)), std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_TRUE(Exists(Numbered(1)));
    EXPECT_FALSE(Exists(Numbered(3))) << "the batch ended at the declined file";
    EXPECT_TRUE(boxes.shown.empty()) << "a declined file needs no message";
    EXPECT_EQ(connection.stateAfterLoop, 4);
  }
}

TEST(OutputStageTest, YesToAllOverwritesTheRestOfTheBatchAndTheNextBatchAsksAgain) {
  ScenarioFile scenario("pages = 4\n");
  for (LONG mech : {1L, 2L}) {
    SCOPED_TRACE(mech);
    ApplyFileJob(mech);
    for (int n = 1; n <= 8; ++n) WriteMarker(Numbered(n));
    BoxRecorder boxes;
    ScriptedAnswers answers({kOverwriteYes, kOverwriteAll, kOverwriteYes, kOverwriteAll});
    {
      CapturingConnection connection(kBw);
      connection.realOutput = true;
      connection.Run();
    }
    EXPECT_EQ(answers.asked.size(), 2u) << "Yes, then Yes to ALL at the second file";
    for (int n = 1; n <= 4; ++n) EXPECT_GT(ReadFile(Numbered(n)).size(), 100u) << n;
    {
      CapturingConnection connection(kBw);  // the next batch starts at IMAGE005
      connection.realOutput = true;
      connection.Run();
    }
    EXPECT_EQ(answers.asked.size(), 4u) << "a new batch asks again";
    EXPECT_GT(ReadFile(Numbered(8)).size(), 100u);
    EXPECT_TRUE(boxes.shown.empty());
  }
}

TEST(OutputStageTest, FileModeDeletesTheDeclinedTransfersTemporaryFile) {
  ScenarioFile scenario("pages = 2\n");
  ApplyFileJob(2);
  WriteMarker(Numbered(1));
  BoxRecorder boxes;
  ScriptedAnswers answers({kOverwriteNo});
  CapturingConnection connection(kBw);
  connection.Run();
  EXPECT_EQ(answers.asked.size(), 1u);
  EXPECT_EQ(ReadFile(Numbered(1)).size(), 7u) << "left as it was";
  EXPECT_FALSE(Exists(TransferFolder() + "$TMPDIB$.BMP")) << "deleted after the batch";
}

// Pages that used to be lost: CCITT strips with no filter library to decode them, TIFF files the
// program does not show yet, and a file-mode transfer whose temporary name does not fit.
TEST(OutputStageTest, NoPageIsLostToAMissingFilterAnUnshownFileOrANameThatDoesNotFit) {
  ScenarioFile scenario("pages = 2\n");
  {
    SCOPED_TRACE("memory mode, Group 4, no filter library");
    ReleaseProgramFilter();
    ApplyFileJob(1, 0, 4);
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    connection.realOutput = true;
    connection.Run();
    connection.Run();
    BindInstalledFilter();
    EXPECT_EQ(boxes.shown.size(), 1u) << "said once for both acquisitions";
    if (!boxes.shown.empty()) {
      EXPECT_EQ(boxes.shown[0].text,
                "The filter library is not loaded, so pages cannot be decoded from CCITT compression. "
                "They are transferred uncompressed.");
    }
    for (int page = 1; page <= 2; ++page) {
      EXPECT_TRUE(SamePageInBmp(ReadFile(Numbered(page)), static_cast<uint32_t>(page), kBw)) << page;
    }
  }
  {
    SCOPED_TRACE("file mode, TIFF, display only");
    ClearOutput();
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    // With the display as the only destination the source writes into the current folder.
    ASSERT_TRUE(SetCurrentDirectoryA(TransferFolder().c_str()));
    JobSetup job;
    job.scanMech = 2;
    job.destination = 0;
    job.fileFormat = 1;
    ApplyJob(job);
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    connection.Run();
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(boxes.shown.empty());
    // Each TIFF page is read and shown as it comes; once shown, none is kept on disk.
    ASSERT_EQ(connection.displayed.size(), 2u);
    for (uint32_t page = 1; page <= 2; ++page) {
      EXPECT_TRUE(SamePage(connection.displayed[page - 1], page, kBw)) << page;
    }
    EXPECT_FALSE(Exists(TransferFolder() + "$TMPTIF$~1.TIF"));
    EXPECT_FALSE(Exists(TransferFolder() + "$TMPTIF$.TIF"));
  }
  {
    SCOPED_TRACE("file mode, a temporary name that does not fit");
    ClearOutput();
    JobSetup job;
    job.scanMech = 2;
    job.destination = 1;
    job.fileFormat = 1;
    ApplyJob(job);
    // Fits the setting, but not with "\$TMPTIF$.TIF" in the source's 255 characters.
    const std::string folder = "C:\\" + std::string(246, 'x');
    std::snprintf(TheSettings().FilePath, sizeof TheSettings().FilePath, "%s", folder.c_str());
    BoxRecorder boxes;
    CapturingConnection connection(kBw);
    connection.Run();
    EXPECT_EQ(boxes.shown.size(), 1u);
    if (!boxes.shown.empty()) {
      EXPECT_EQ(boxes.shown[0].text,
                "The output file name would be longer than 260 characters. Choose a shorter folder or "
                "fixed part of the name.\n");
    }
    EXPECT_EQ(connection.stateAfterLoop, 4) << "the batch ended and the source was disabled";
    EXPECT_FALSE(connection.timedOut);
  }
}

TEST(OutputStageTest, TheLaunchedProgramGetsTheFolderAndTheFirstAndLatestName) {
  ScenarioFile scenario("pages = 3\n");
  ApplyFileJob(0);
  ScanSettings& settings = TheSettings();
  settings.LaunchProc = 1;
  const std::string recorder = quill_test::ExeFolder() + "record_command_line.exe";
  const std::string record = TransferFolder() + "launched.txt";
  std::snprintf(settings.LaunchCmdLine, sizeof settings.LaunchCmdLine, "%s", recorder.c_str());
  std::snprintf(settings.LaunchArgs, sizeof settings.LaunchArgs, "%s %%D %%F %%L 100%%", record.c_str());
  BoxRecorder boxes;
  CapturingConnection connection(kBw);
  connection.realOutput = true;
  connection.Run();
  settings.LaunchProc = 0;
  for (int i = 0; i < 500 && !Exists(record); ++i) Sleep(10);
  Sleep(100);
  const std::vector<uint8_t> bytes = ReadFile(record);
  const std::string line(bytes.begin(), bytes.end());
  EXPECT_EQ(line, TransferFolder() + " " + Numbered(1) + " " + Numbered(3) + " 100%");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(OutputStageTest, ALaunchThatFailsSaysWhy) {
  ScenarioFile scenario("pages = 1\n");
  ClearOutput();
  JobSetup job;
  job.destination = 1;
  ApplyJob(job);
  ScanSettings& settings = TheSettings();
  settings.LaunchProc = 1;
  std::snprintf(settings.LaunchCmdLine, sizeof settings.LaunchCmdLine, "C:\\windows\\no_such_viewer.exe");
  settings.LaunchArgs[0] = '\0';
  BoxRecorder boxes;
  CapturingConnection connection(kBw);
  connection.Run();
  settings.LaunchProc = 0;
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Failed in the launch of the specified process.\nThe specified file was not found.");
  EXPECT_EQ(boxes.shown[0].caption.value_or(""), "TWAIN Tessel Utility (32)");
}

}  // namespace
}  // namespace quill
