// A scanner that refuses one of the settings: the refusal is reported once, naming the setting
// and the scanner's reason, and the scan goes on with the source enabled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";
const char kEnabledLine[] = "DG 1 DAT 0x0009 MSG 0x0502 CAP 0x0000 RC 0 CC 0";

struct Refusal {
  const char* capability;  // as the scenario file names it
  const char* setting;     // as the report names it
  std::vector<e2e::ProgramSettings::Value> settings;
};

// ShowUI 0 lets the program set the feeder and the page count itself; the one page of the batch is
// cancelled by the scanner so that nothing remains to be shown or saved.
const Refusal kRefusals[] = {
    {"CAP_FEEDERENABLED", "Set Document Select", {{"ShowUI", 0}, {"PaperSupply", 0}}},
    {"CAP_XFERCOUNT", "Set Transfer Count", {{"ShowUI", 0}, {"PaperSupply", 1}}},
    {"ICAP_XFERMECH", "Set Transfer Mode", {{"ShowUI", 1}}},
    {"ICAP_COMPRESSION", "Set Compression Mode", {{"ShowUI", 1}, {"ScanMech", 1}, {"Compress", 4}}},
    {"ICAP_CCITTKFACTOR", "Set K Factor", {{"ShowUI", 1}, {"ScanMech", 1}, {"Compress", 3}}},
    {"ICAP_PIXELTYPE", "Set Image Type", {{"ShowUI", 1}, {"ScanMech", 1}, {"Compress", 4}}},
    {"ICAP_IMAGEFILEFORMAT", "Set Image File Format",
     {{"ShowUI", 1}, {"ScanMech", 2}, {"Destination", 1}}},
};

std::string ExpectedReport(const char* setting) {
  return std::string("Configuration setup error\nIt failed to set up the following function.\n"
                     "Confirm the setting of the configuration or the connection of the scanner.\n\n") +
         setting + " : \n  Data parameter out of range\n";
}

using e2e::ContainsText;

bool ShowsUserInterface(const Refusal& refusal) {
  for (const auto& value : refusal.settings) {
    if (std::string(value.name) == "ShowUI") return value.number == 1;
  }
  return true;
}

class CapabilityRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(CapabilityRefusal, IsReportedOnceAndTheSourceIsStillEnabled) {
  const Refusal& refusal = GetParam();
  e2e::ProgramSettings settings(refusal.settings);
  ASSERT_TRUE(settings.written());
  e2e::ScannerTrace trace;
  e2e::ScannerScenario scenario(std::string("pages = 1\ncancel_page = 1\n") +
                                "fail = DG_CONTROL DAT_CAPABILITY MSG_SET TWRC_FAILURE TWCC_BADVALUE cap " +
                                refusal.capability + "\n" + trace.ScenarioLine());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_EQ(program.FindAnyDialog(), nullptr) << "start-up showed a message";

  program.PostCommand(ID_ACQUIRE);
  HWND report = program.WaitForDialog(kAppTitle);
  ASSERT_NE(report, nullptr) << "the refusal was not reported";
  const std::vector<std::string> texts = program.DialogTexts(report);
  EXPECT_TRUE(ContainsText(texts, ExpectedReport(refusal.setting)))
      << (texts.size() > 1 ? texts[1] : std::string("(no text)"));
  ASSERT_TRUE(program.PressButton(report, IDOK));

  if (ShowsUserInterface(refusal)) {
    HWND scanner = program.WaitForDialog(e2e::kScannerDialogCaption);
    ASSERT_NE(scanner, nullptr) << "the source was not enabled after the refusal";
    ASSERT_TRUE(program.PressButton(scanner, IDCANCEL));
  }
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        const int state = program.MenuItemState(ID_ACQUIRE);
        return state != -1 && (state & MF_GRAYED) == 0;
      },
      10000))
      << "the acquisition did not end";
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "more than one report";
  EXPECT_NE(trace.Contents().find(kEnabledLine), std::string::npos) << trace.Contents();

  EXPECT_TRUE(program.ClosesCleanly());
}

INSTANTIATE_TEST_SUITE_P(EachSetting, CapabilityRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                           std::string name = info.param.capability;
                           for (char& c : name) {
                             if (c == '_') c = 'x';
                           }
                           return name;
                         });

}  // namespace
