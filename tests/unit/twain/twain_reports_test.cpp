#include "twain/twain_reports.h"

#include <gtest/gtest.h>

#include "framework/application.h"
#include "framework/resources.h"
#include "tests/unit/twain/test_support.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

const char kTitle[] = "TWAIN Tessel Utility (32)";

TEST(ConditionCodeTable, EveryKnownCodeHasItsOwnMessage) {
  const struct {
    TW_UINT16 code;
    const char* text;
  } expected[] = {
      {0, "It worked!"},
      {1, "Failure due to unknown causes"},
      {2, "Not enough memory to perform operation"},
      {3, "No Data Source"},
      {4, "DS is connected to max possible apps"},
      {5, "DS or DSM reported error, app shouldn't"},
      {6, "Illegal function"},
      {9, "Unrecognized function combination"},
      {10, "Data parameter out of range"},
      {11, "Specified function is out of expected sequence"},
      {12, "Unknown destination App/Src in TWAIN Manager"},
      {13, "Not supported by source"},
      {14, "Operation not supported"},
      {15, "Function has dependancy on other function"},
  };
  for (const auto& row : expected) {
    EXPECT_EQ(ConditionCodeMessageId(row.code), 5040u + row.code) << row.code;
    EXPECT_EQ(qfw::LoadResourceString(ConditionCodeMessageId(row.code)), row.text) << row.code;
  }
}

TEST(ConditionCodeTable, CodesWithoutARowGetTheUnknownCause) {
  for (TW_UINT16 code : {7, 8, 16, 23, 9999, 0xFFFF}) {
    EXPECT_EQ(ConditionCodeMessageId(code), static_cast<UINT>(IDS_TWCC_BUMMER)) << code;
  }
}

TEST(ReportError, OpenSourceFailureShowsHeadingOperationAndCondition) {
  RecordingPresenter presenter;
  ShowErrorReport(IDS_TWAIN_OPEN_SOURCE_FAILED, 0, TWCC_CAPUNSUPPORTED);
  ASSERT_EQ(presenter.shown.size(), 1u);
  const ShownMessage& box = presenter.shown[0];
  EXPECT_EQ(box.text, "TWAIN Interface error\nUnable to open TWAIN Source.\n  Not supported by source\n");
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(box.owner, nullptr);
}

TEST(ReportError, SettingFailureNamesTheSettingUnderItsOwnHeading) {
  RecordingPresenter presenter;
  ShowErrorReport(IDS_TWAIN_SETUP_FAILED, IDS_SET_XFER_MODE, TWCC_CAPUNSUPPORTED);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "Configuration setup error\n"
            "It failed to set up the following function.\n"
            "Confirm the setting of the configuration or the connection of the scanner.\n"
            "\n"
            "Set Transfer Mode : \n"
            "  Not supported by source\n");
  EXPECT_EQ(presenter.shown[0].caption, kTitle);
}

TEST(ReportError, DetailIsIgnoredForOtherOperations) {
  EXPECT_EQ(ComposeErrorReport(IDS_TWAIN_ENABLE_SOURCE_FAILED, IDS_SET_XFER_MODE, 8),
            "TWAIN Interface error\nUnable to enable TWAIN Source.\n  Failure due to unknown causes\n");
}

TEST(ReportError, ThroughTheConnectionUsesTheLastConditionCode) {
  RecordingDsm dsm;
  TestConnection connection;
  connection.Reach(5);
  dsm.conditionCode = TWCC_CAPUNSUPPORTED;
  dsm.Answer(DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_FAILURE);
  connection.DisableSource();
  RecordingPresenter presenter;
  connection.ReportError(IDS_TWAIN_OPEN_SOURCE_FAILED, 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "TWAIN Interface error\nUnable to open TWAIN Source.\n  Not supported by source\n");
  dsm.Answer(DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_SUCCESS);
}

TEST(ReportTraceError, NamesTheTripletWithTheSystemCaption) {
  RecordingPresenter presenter;
  ReportTraceError("DG_IMAGE", "DAT_IMAGEINFO", "MSG_GET");
  ReportOutOfMemory();
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[0].text, "TWAIN Data source error is Notifid\nDG_IMAGE / DAT_IMAGEINFO / MSG_GET");
  EXPECT_EQ(presenter.shown[0].caption, std::nullopt);
  EXPECT_EQ(presenter.shown[0].style, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(presenter.shown[1].text, "Not enough memory");
  EXPECT_EQ(presenter.shown[1].caption, std::nullopt);
  EXPECT_EQ(presenter.shown[1].owner, nullptr);
}

}  // namespace
}  // namespace quill
