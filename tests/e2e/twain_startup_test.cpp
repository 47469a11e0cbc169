// Start-up against our source manager and the virtual scanner: the manufacturer check and a
// missing source manager, seen from outside as the user sees them.
#include <gtest/gtest.h>

#include <string>

#include "driver/prefix_fixtures.h"
#include "driver/program_driver.h"

namespace {

using e2e::ScannerScenario;
using e2e::SourceManagerRemoved;

const char kAppTitle[] = "TWAIN Tessel Utility (32)";

bool ContainsText(const std::vector<std::string>& texts, const std::string& wanted) {
  for (const std::string& text : texts) {
    if (text.find(wanted) != std::string::npos) return true;
  }
  return false;
}

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
