// Start-up against our source manager and the virtual scanner: the manufacturer check and a
// missing source manager, seen from outside as the user sees them.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/virtual_scanner_default.h"

namespace {

using e2e::ScannerScenario;
using e2e::SourceManagerRemoved;

const char kAppTitle[] = "TWAIN Tessel Utility (32)";

using e2e::ContainsText;

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
  EXPECT_TRUE(program.ClosesCleanly());
}

// A machine has other data sources beside ours (Wine ships two, a user may have a camera). With
// no stored choice the manager takes the first one found: the warning names that one, and the
// virtual scanner chosen in Select Source is remembered, so the next start asks nothing.
TEST(StartupWithScanner, AnotherSourceFoundFirstIsNamedAndChoosingOursIsRemembered) {
  e2e::DefaultSourceCleared noStoredChoice;
  e2e::FileCopied other(e2e::ExeFolder() + "..\\..\\twaindsm\\tests\\stub_source.ds",
                        e2e::WindowsFolder() + "\\twain_32\\ALPHA.DS");
  ASSERT_TRUE(other.copied()) << "the other source could not be placed";
  {
    e2e::ProgramDriver program;
    ASSERT_TRUE(program.Start());
    HWND warning = program.WaitForDialog(kAppTitle);
    ASSERT_NE(warning, nullptr) << "no warning about the source of another maker";
    EXPECT_TRUE(ContainsText(program.DialogTexts(warning),
                             "It may not run properly by the chosen data sauce.\n\n : Stub ALPHA"));
    ASSERT_TRUE(program.PressButton(warning, IDOK));
    ASSERT_TRUE(program.WaitUntilIdle());
    ASSERT_EQ(program.FindAnyDialog(), nullptr);

    program.PostCommand(ID_SELECT_SOURCE);
    HWND selection = program.WaitForDialog("Select Source");
    ASSERT_NE(selection, nullptr) << "the source manager's selection dialog did not appear";
    ASSERT_TRUE(program.SelectListLine(selection, 1001, "TALVORN Virtual Scanner"));
    ASSERT_TRUE(program.PressButton(selection, IDOK));
    ASSERT_TRUE(program.WaitUntilIdle());
    EXPECT_EQ(program.FindAnyDialog(), nullptr) << "choosing the virtual scanner brought a message";
    EXPECT_EQ(_stricmp(noStoredChoice.Current().c_str(), quill_test::VirtualScannerPath().c_str()), 0)
        << noStoredChoice.Current();
    EXPECT_TRUE(program.ClosesCleanly());
  }
  e2e::ProgramDriver again;
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(again.WaitUntilIdle());
  EXPECT_EQ(again.FindAnyDialog(), nullptr) << "the remembered choice was not used";
  EXPECT_TRUE(again.ClosesCleanly());
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
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
