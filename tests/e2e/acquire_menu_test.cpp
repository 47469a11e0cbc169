// The main window around an acquisition, seen from outside: the items that could start a second
// scan, a configuration or an exit are grayed while it runs and usable again afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";
const UINT kScannerItems[] = {ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION, ID_APP_EXIT};

using e2e::ContainsText;

// The scanner's trace without the events it was offered (DAT_EVENT): what the program asked of it.
std::string Requests(const std::string& trace) {
  std::string requests;
  std::string::size_type start = 0;
  while (start < trace.size()) {
    std::string::size_type end = trace.find('\n', start);
    if (end == std::string::npos) end = trace.size();
    const std::string line = trace.substr(start, end - start);
    if (line.find("DAT 0x0002 ") == std::string::npos) requests += line + "\n";
    start = end + 1;
  }
  return requests;
}

// Each item exists and is grayed (or each exists and is enabled) in the File menu, and the system
// menu's Close likewise.
bool ScannerItemsGrayed(e2e::ProgramDriver& program, bool grayed) {
  const auto matches = [grayed](int state) {
    return state != -1 && ((state & MF_GRAYED) != 0) == grayed;
  };
  for (UINT id : kScannerItems) {
    if (!matches(program.MenuItemState(id))) return false;
  }
  return matches(program.MenuItemState(SC_CLOSE, true));
}

TEST(AcquireFromTheMenu, GraysTheScannerItemsWhileTheScannerDialogIsOpen) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_EQ(program.FindAnyDialog(), nullptr) << "start-up showed a message";
  ASSERT_TRUE(ScannerItemsGrayed(program, false));

  HWND scanner = program.AcquireAndWaitForDialog(e2e::kScannerDialogCaption);
  ASSERT_NE(scanner, nullptr) << "the scanner did not show its dialog";
  for (UINT id : kScannerItems) {
    const int state = program.MenuItemState(id);
    ASSERT_NE(state, -1) << id;
    EXPECT_EQ(state & MF_GRAYED, MF_GRAYED) << id;
  }
  const int close = program.MenuItemState(SC_CLOSE, true);
  ASSERT_NE(close, -1);
  EXPECT_EQ(close & MF_GRAYED, MF_GRAYED);

  ASSERT_TRUE(program.PressButton(scanner, IDCANCEL));  // the dialog's "Close"
  EXPECT_TRUE(e2e::WaitFor([&] { return ScannerItemsGrayed(program, false); }, 10000))
      << "the items stayed grayed after the acquisition";
  EXPECT_EQ(program.FindAnyDialog(), nullptr);
  EXPECT_TRUE(program.ClosesCleanly());
}

// A page scanned through the scanner's dialog opens an image window, which the user maximises
// while the dialog stays up: its File menu (second in the bar, after the window's system menu)
// shows Acquire grayed, and Acquire from the image's own context menu starts nothing.
TEST(AcquireFromTheMenu, NoSecondScanStartsFromAMaximisedImageOrItsContextMenu) {
  e2e::ProgramSettings settings({{"ShowUI", 1}, {"Destination", 0}, {"ScanMech", 0}, {"PaperSupply", 1}});
  e2e::ScannerTrace trace;
  e2e::ScannerScenario scenario("pages = 1\n" + trace.ScenarioLine());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  HWND scanner = program.AcquireAndWaitForDialog(e2e::kScannerDialogCaption);
  ASSERT_NE(scanner, nullptr) << "the scanner did not show its dialog";
  ASSERT_TRUE(program.PressButton(scanner, IDOK, false));  // the dialog's "Scan"
  ASSERT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1; }, 30000))
      << "the scanned page opened no image window";
  ASSERT_TRUE(program.WaitUntilIdle());
  HWND mdiClient = FindWindowExA(program.MainWindow(), nullptr, "MDIClient", nullptr);
  HWND image = GetWindow(mdiClient, GW_CHILD);
  ASSERT_NE(image, nullptr);
  SendMessageA(mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(image), 0);
  ASSERT_TRUE(IsZoomed(image));

  for (UINT id : kScannerItems) {
    const int state = program.OpenedMenuItemState(id);
    ASSERT_NE(state, -1) << id;
    EXPECT_EQ(state & MF_GRAYED, MF_GRAYED) << "item " << id << " of the maximised image's File menu";
  }

  // The context menu sends its command to the view, which hands it to the main window.
  HWND view = e2e::FindDescendant(image, "QfwView");
  ASSERT_NE(view, nullptr);
  const std::string before = Requests(trace.Contents());
  ASSERT_FALSE(before.empty()) << "the scanner traced nothing";
  PostMessageA(view, WM_COMMAND, MAKEWPARAM(ID_ACQUIRE, 0), 0);
  PostMessageA(view, WM_COMMAND, MAKEWPARAM(ID_SELECT_SOURCE, 0), 0);
  program.PostCommand(ID_APP_EXIT);  // would ask whether to save the page
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.WaitForDialog(kAppTitle, 2000), nullptr) << "a command ran during the scan";
  EXPECT_EQ(program.WaitForDialog("Select Source", 500), nullptr);
  EXPECT_TRUE(IsWindowVisible(scanner));
  EXPECT_EQ(Requests(trace.Contents()), before) << "the scanner was asked for something during its scan";
  EXPECT_EQ(program.MdiChildTitles().size(), 1u);

  ASSERT_TRUE(program.PressButton(scanner, IDCANCEL));  // the dialog's "Close"
  EXPECT_TRUE(e2e::WaitFor([&] { return ScannerItemsGrayed(program, false); }, 10000));
  // The page exists only on the screen: Exit asks about it once.
  program.PostCommand(ID_APP_EXIT);
  HWND question = program.WaitForDialog(kAppTitle);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(program.PressButton(question, IDNO));
  DWORD exitCode = 1;
  EXPECT_TRUE(program.WaitForExit(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(AcquireFromTheMenu, AMissingSourceManagerIsReportedAndLeavesEveryItemEnabled) {
  e2e::SourceManagerRemoved removed;
  ASSERT_TRUE(removed.moved());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  HWND startupReport = program.WaitForDialog(kAppTitle);
  ASSERT_NE(startupReport, nullptr) << "the missing manager was not reported at start-up";
  ASSERT_TRUE(program.PressButton(startupReport, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());

  program.PostCommand(ID_ACQUIRE);
  HWND report = program.WaitForDialog(kAppTitle);
  ASSERT_NE(report, nullptr) << "the failed acquisition was not reported";
  EXPECT_TRUE(ContainsText(program.DialogTexts(report),
                           "TWAIN Interface error\nUnable to open TWAIN Manager."));
  EXPECT_TRUE(ScannerItemsGrayed(program, true)) << "the report belongs to the acquisition";
  ASSERT_TRUE(program.PressButton(report, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "the failure was reported more than once";
  EXPECT_TRUE(ScannerItemsGrayed(program, false));
  EXPECT_TRUE(program.IsRunning());
  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(SelectSourceFromTheMenu, CancelWithASourceOfAnotherMakerWarnsAndEndsAtTheFirstState) {
  e2e::ScannerScenario scenario("manufacturer = \"OTHER MAKER\"\n");
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  HWND startupWarning = program.WaitForDialog(kAppTitle);
  ASSERT_NE(startupWarning, nullptr);
  ASSERT_TRUE(program.PressButton(startupWarning, IDOK));

  program.PostCommand(ID_SELECT_SOURCE);
  HWND selection = program.WaitForDialog("Select Source");
  ASSERT_NE(selection, nullptr) << "the source manager's selection dialog did not appear";
  ASSERT_TRUE(program.PressButton(selection, IDCANCEL));

  HWND warning = program.WaitForDialog(kAppTitle);
  ASSERT_NE(warning, nullptr) << "no warning about the source's maker after the selection";
  EXPECT_TRUE(ContainsText(program.DialogTexts(warning),
                           "It may not run properly by the selected data sauce.\n\n : "
                           "TALVORN Virtual Scanner"));
  ASSERT_TRUE(program.PressButton(warning, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr);
  // Back at the first state: the menu gate enables every scanner item again.
  EXPECT_TRUE(ScannerItemsGrayed(program, false));

  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
