// Start-up against our source manager and the virtual scanner: the manufacturer check and a
// missing source manager, seen from outside as the user sees them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/program_driver.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";

std::string WindowsFolder() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof folder);
  return folder;
}

bool ContainsText(const std::vector<std::string>& texts, const std::string& wanted) {
  for (const std::string& text : texts) {
    if (text.find(wanted) != std::string::npos) return true;
  }
  return false;
}

// A scenario file for the virtual scanner, named in the environment the program inherits.
class ScannerScenario {
 public:
  explicit ScannerScenario(const std::string& contents) {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    path_ = std::string(folder) + "quill_e2e_scenario.txt";
    if (FILE* file = std::fopen(path_.c_str(), "wb")) {
      std::fputs(contents.c_str(), file);
      std::fclose(file);
    }
    SetEnvironmentVariableA("TVSCAN_SCENARIO", path_.c_str());
  }
  ~ScannerScenario() {
    SetEnvironmentVariableA("TVSCAN_SCENARIO", nullptr);
    DeleteFileA(path_.c_str());
  }

 private:
  std::string path_;
};

// Moves the source manager out of the Windows folder for the lifetime of this object.
class SourceManagerRemoved {
 public:
  SourceManagerRemoved()
      : path_(WindowsFolder() + "\\twain_32.dll"), aside_(path_ + ".aside") {
    moved_ = MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  ~SourceManagerRemoved() {
    if (moved_) MoveFileExA(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  bool moved() const { return moved_; }

 private:
  std::string path_, aside_;
  bool moved_ = false;
};

TEST(StartupWithScanner, ASourceOfAnotherMakerIsWarnedAboutWithItsProductName) {
  ScannerScenario scenario("manufacturer = \"OTHER MAKER\"\n");
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  HWND warning = program.WaitForDialog(kAppTitle);
  ASSERT_NE(warning, nullptr) << "no warning about the source's maker";
  EXPECT_TRUE(ContainsText(program.DialogTexts(warning),
                           "It may not run properly by the chosen data sauce.\n\n : "
                           "TALVORN Virtual Scanner"));
  ASSERT_TRUE(program.PressButton(warning, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "the warning came more than once";
  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(StartupWithScanner, AMissingSourceManagerIsReportedAndTheProgramRuns) {
  SourceManagerRemoved removed;
  ASSERT_TRUE(removed.moved());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  HWND report = program.WaitForDialog(kAppTitle);
  ASSERT_NE(report, nullptr) << "the missing manager was not reported";
  const std::vector<std::string> texts = program.DialogTexts(report);
  EXPECT_TRUE(ContainsText(texts, "TWAIN Interface error\nUnable to open TWAIN Manager."));
  ASSERT_TRUE(program.PressButton(report, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_TRUE(program.IsRunning());
  EXPECT_EQ(program.FindAnyDialog(), nullptr);
  EXPECT_EQ(program.MenuItemState(1092 /* Acquire */) & MF_GRAYED, 0)
      << "the failed check must leave the scanner commands usable";
  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
