// The About box of the running program with the virtual scanner: the version, the scanner named
// from its own inquiry data, the hidden gesture for the build number, the separator line (a
// screenshot under build/), the sources it cannot name, and the connection it leaves as it found
// it, also in the middle of a scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/screen_pixels.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";
const char kAboutCaption[] = "About TWAIN Tessel Uty";
const char kVirtualScannerText[] = "TALVORN DS-4500V Virtual Scanner Rev. 1.07";
const std::string kBuildFolder = e2e::ExeFolder() + "..\\..\\..\\";

bool Contains(const std::vector<std::string>& texts, const std::string& wanted) {
  return std::find(texts.begin(), texts.end(), wanted) != texts.end();
}

std::string ItemText(HWND dialog, int id) { return e2e::WindowText(GetDlgItem(dialog, id)); }

// A control's rectangle in its dialog's client pixels.
RECT ControlRect(HWND dialog, int id) {
  RECT rect = {};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Every pixel of row y from x1 to x2 (exclusive) is dark.
bool IsDarkRow(const quill_test::Rows24& shot, LONG y, LONG x1, LONG x2) {
  for (LONG x = x1; x < x2; ++x) {
    if (!shot.IsDark(x, y)) return false;
  }
  return x2 > x1;
}

// Opens the About box, returns its connected-scanner text and closes it again.
std::string ConnectedScannerShown(e2e::ProgramDriver& program) {
  program.PostCommand(ID_APP_ABOUT);
  HWND about = program.WaitForDialog(kAboutCaption);
  if (!about) {
    ADD_FAILURE() << "the About box did not open";
    return std::string();
  }
  const std::string text = ItemText(about, IDC_CONNECTED_SCANNER);
  EXPECT_TRUE(program.PressButton(about, IDOK));
  return text;
}

// Lines of the scanner's trace that carry `triplet` ("DAT 0x8001 MSG 0x0001").
size_t CountTraced(const e2e::ScannerTrace& trace, const std::string& triplet) {
  const std::string contents = trace.Contents();
  size_t count = 0;
  for (size_t at = contents.find(triplet); at != std::string::npos; at = contents.find(triplet, at + 1)) {
    ++count;
  }
  return count;
}

const char kInquiryTriplet[] = "DG 1 DAT 0x8001 MSG 0x0001";
const char kCloseSourceTriplet[] = "DG 1 DAT 0x0003 MSG 0x0402";

TEST(AboutBox, NamesTheVirtualScannerDrawsItsLineShowsTheBuildOnlyWithCtrlAndShiftAndClosesWhatItOpened) {
  e2e::ScannerTrace trace;
  e2e::ScannerScenario scenario(trace.ScenarioLine());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_EQ(program.FindAnyDialog(), nullptr) << "start-up showed a message";
  // The start-up probe opened and closed the source once already.
  const size_t closedBefore = CountTraced(trace, kCloseSourceTriplet);

  program.PostCommand(ID_APP_ABOUT);
  HWND about = program.WaitForDialog(kAboutCaption);
  ASSERT_NE(about, nullptr) << "the About box did not open";
  const std::vector<std::string> texts = program.DialogTexts(about);
  EXPECT_TRUE(Contains(texts, "TWAIN Tessel Utility"));
  EXPECT_TRUE(Contains(texts, "Connected Scanner:"));
  EXPECT_EQ(ItemText(about, IDC_VERSION), "Version 5.6");
  EXPECT_EQ(ItemText(about, IDC_CONNECTED_SCANNER), kVirtualScannerText);
  EXPECT_EQ(CountTraced(trace, kInquiryTriplet), 1u) << "the scanner itself was asked";

  // The separator: black, 8 pixels above the label, as wide as it.
  const RECT label = ControlRect(about, IDC_CONNECTED_LABEL);
  const LONG lineY = label.top - 8;
  bool drawn = e2e::WaitFor(
      [&] {
        const quill_test::Rows24 shot = quill_test::Screenshot(about, kBuildFolder + "about_box.bmp");
        return IsDarkRow(shot, lineY, label.left, label.right) && !shot.IsDark(label.left, lineY - 2) &&
               !shot.IsDark(label.left + (label.right - label.left) / 2, lineY + 2) &&
               !shot.IsDark(label.left - 2, lineY) && !shot.IsDark(label.right + 1, lineY);
      },
      5000);
  EXPECT_TRUE(drawn) << "no separator line of the label's width at y " << lineY
                     << " (see build/about_box.bmp)";

  // The hidden gesture: a double click on the icon with Ctrl and Shift held.
  const RECT icon = ControlRect(about, IDC_ABOUT_ICON);
  const LPARAM onIcon = MAKELPARAM((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
  SendMessageA(about, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, onIcon);
  EXPECT_EQ(ItemText(about, IDC_VERSION), "Version 5.6") << "Ctrl alone";
  SendMessageA(about, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL | MK_SHIFT,
               MAKELPARAM(icon.right + 4, (icon.top + icon.bottom) / 2));
  EXPECT_EQ(ItemText(about, IDC_VERSION), "Version 5.6") << "beside the icon";
  SendMessageA(about, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL | MK_SHIFT, onIcon);
  EXPECT_EQ(ItemText(about, IDC_VERSION), "Version 5.6.1");
  ASSERT_TRUE(program.PressButton(about, IDOK));

  EXPECT_EQ(CountTraced(trace, kCloseSourceTriplet), closedBefore + 1) << "the source opened for the box was closed";
  {
    // A manager still loaded would be asked again; an unloaded one cannot be loaded any more.
    e2e::SourceManagerRemoved removed;
    ASSERT_TRUE(removed.moved());
    EXPECT_EQ(ConnectedScannerShown(program), "(Unknown)") << "the source manager stayed loaded";
  }
  EXPECT_EQ(program.FindAnyDialog(), nullptr);
  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(AboutBox, SaysUnknownForAnotherMakerNoManagerAndAScannerThatDoesNotAnswer) {
  struct Case {
    const char* name;
    const char* scenario;
    bool removeManager;
    bool startupMessage;
  };
  const Case cases[] = {
      {"another maker", "manufacturer = \"OTHER MAKER\"\n", false, true},
      {"no source manager", "", true, true},
      {"inquiry refused", "inquiry = 0\n", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::ScannerScenario scenario(c.scenario);
    std::optional<e2e::SourceManagerRemoved> removed;
    if (c.removeManager) {
      removed.emplace();
      ASSERT_TRUE(removed->moved());
    }
    e2e::ProgramDriver program;
    ASSERT_TRUE(program.Start());
    if (c.startupMessage) {
      HWND startup = program.WaitForDialog(kAppTitle);
      ASSERT_NE(startup, nullptr) << "the start-up check said nothing";
      ASSERT_TRUE(program.PressButton(startup, IDOK));
    }
    ASSERT_TRUE(program.WaitUntilIdle());
    EXPECT_EQ(ConnectedScannerShown(program), "(Unknown)");
    EXPECT_EQ(program.FindAnyDialog(), nullptr) << "the About box reported something";
    EXPECT_TRUE(program.ClosesCleanly());
  }
}

TEST(AboutBox, OpenedWhileTheScannerDialogShowsLeavesTheScanGoing) {
  e2e::ProgramSettings settings({{"ShowUI", 1}, {"Destination", 0}, {"ScanMech", 0}});
  e2e::ScannerTrace trace;
  e2e::ScannerScenario scenario("pages = 1\n" + trace.ScenarioLine());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());

  HWND scanner = program.AcquireAndWaitForDialog(e2e::kScannerDialogCaption);
  ASSERT_NE(scanner, nullptr) << "the scanner did not show its dialog";
  const size_t closedBefore = CountTraced(trace, kCloseSourceTriplet);
  EXPECT_EQ(ConnectedScannerShown(program), kVirtualScannerText) << "the open source answers";
  EXPECT_EQ(CountTraced(trace, kCloseSourceTriplet), closedBefore) << "the scan's source was closed";
  EXPECT_TRUE(IsWindowVisible(scanner));

  ASSERT_TRUE(program.PressButton(scanner, IDOK, false));  // "Scan"
  EXPECT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1; }, 30000))
      << "the page did not arrive after the About box";
  ASSERT_TRUE(program.PressButton(scanner, IDCANCEL));  // "Close"
  EXPECT_TRUE(e2e::WaitFor([&] { return CountTraced(trace, kCloseSourceTriplet) == closedBefore + 1; }, 10000))
      << "the acquisition did not close its source";
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr);

  // The scanned image counts as modified: Close All asks once.
  program.PostCommand(ID_CLOSE_ALL);
  HWND question = program.WaitForDialog(kAppTitle);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(program.PressButton(question, IDOK));
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
