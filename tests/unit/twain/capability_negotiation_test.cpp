#include "twain/capability_negotiation.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "filter/kestrel_filter.h"
#include "config/scan_settings.h"
#include "tests/unit/twain/test_support.h"
#include "twain/transfer_output.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

// CCITT strips are asked for only when the filter library can decode them: the library installed
// beside the virtual scanner, bound for the lifetime of this object.
class FilterBound {
 public:
  FilterBound() {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    BindProgramFilter(std::string(windows) + "\\TWAIN_32\\TVDSRC32\\");
  }
  ~FilterBound() { ReleaseProgramFilter(); }
  FilterBound(const FilterBound&) = delete;
  FilterBound& operator=(const FilterBound&) = delete;
};

using Names = std::vector<std::string>;

const char kTitle[] = "TWAIN Tessel Utility (32)";
const char kSetupHeading[] =
    "Configuration setup error\nIt failed to set up the following function.\n"
    "Confirm the setting of the configuration or the connection of the scanner.\n\n";

// The box of a refused setting, as the user reads it.
std::string SetupReport(const std::string& setting, const std::string& condition) {
  return kSetupHeading + setting + " : \n  " + condition + "\n";
}

class NegotiationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheSettings().Reset(nullptr);
    TheSettings().FileIdNumber = 17;
    connection.Reach(4);
    ASSERT_EQ(connection.TwainState, 4);
    dsm.Forget();
  }

  void TearDown() override {
    ExpectSetContainersAsTheProtocolWants();
    connection.DropToState(1, nullptr);
    // Every container, sent or handed back, is freed by the program.
    EXPECT_EQ(dsm.LiveContainers(), 0);
    TheSettings().Reset(nullptr);
  }

  // Movable, unlocked while the source reads it, exactly as large as its kind, zero past the
  // values; every MSG_GET asks with TWON_DONTCARE16 and no container.
  void ExpectSetContainersAsTheProtocolWants() {
    for (const CapabilityCall& call : dsm.capabilityCalls) {
      SCOPED_TRACE(call.Describe());
      if (call.msg != MSG_SET) {
        EXPECT_EQ(call.containerType, TWON_DONTCARE16);
        EXPECT_EQ(call.container, nullptr);
        continue;
      }
      EXPECT_TRUE(call.movable);
      EXPECT_EQ(call.lockCount, 0u);
      if (call.containerType == TWON_ONEVALUE) {
        EXPECT_EQ(call.bytes.size(), 6u);
      } else {
        ASSERT_EQ(call.containerType, TWON_ENUMERATION);
        ASSERT_EQ(call.bytes.size(), 18u);
        EXPECT_EQ(call.bytes[16], 0);
        EXPECT_EQ(call.bytes[17], 0);
      }
    }
  }

  Names Negotiate() {
    connection.NegotiateCapabilities();
    return dsm.CapabilityNames();
  }

  RecordingDsm dsm;
  TestConnection connection;
  RecordingPresenter presenter;
};

// --- The order of the requests ---

TEST_F(NegotiationTest, WithTheSourceDialogOnlyUnitsAndModeAreSet) {
  TheSettings().ShowUI = 1;
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE",
                                "SET UNITS ONEVALUE UINT16 0", "SET XFERMECH ONEVALUE UINT16 0"}));
  // All through the source path as DG_CONTROL / DAT_CAPABILITY.
  EXPECT_EQ(dsm.Names(), (Names{"DS CAPABILITY/GET", "DS CAPABILITY/GET", "DS CAPABILITY/SET",
                                "DS CAPABILITY/SET"}));
  for (const DsmCall& call : dsm.calls) EXPECT_EQ(call.group, DG_CONTROL);
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(connection.TwainState, 4);
}

TEST_F(NegotiationTest, FlatBedWithTheFeederAlreadyOffSetsNeitherFeederNorCount) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 0;
  dsm.AnswerCapability(CAP_FEEDERENABLED, MSG_GET, CapabilityAnswer::OneValue(TWTY_BOOL, 0));
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE", "GET FEEDERENABLED",
                                "SET UNITS ONEVALUE UINT16 0", "SET XFERMECH ONEVALUE UINT16 0"}));
}

TEST_F(NegotiationTest, FlatBedTurnsAnEnabledFeederOff) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 0;
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE", "GET FEEDERENABLED",
                                "SET FEEDERENABLED ONEVALUE BOOL 0", "SET UNITS ONEVALUE UINT16 0",
                                "SET XFERMECH ONEVALUE UINT16 0"}));
}

TEST_F(NegotiationTest, FeederForAllPagesIsEnabledAndCountsMinusOne) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 1;
  TheSettings().XferCount = 5;
  dsm.AnswerCapability(CAP_FEEDERENABLED, MSG_GET, CapabilityAnswer::OneValue(TWTY_BOOL, 0));
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE", "GET FEEDERENABLED",
                                "SET FEEDERENABLED ONEVALUE BOOL 1",
                                "SET XFERCOUNT ONEVALUE INT16 -1", "SET UNITS ONEVALUE UINT16 0",
                                "SET XFERMECH ONEVALUE UINT16 0"}));
  // -1 in all 32 bits of the item.
  const std::vector<BYTE>& count = dsm.capabilityCalls[4].bytes;
  EXPECT_EQ(count, (std::vector<BYTE>{TWTY_INT16, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(NegotiationTest, FeederWithACountKeepsAnEnabledFeederAndSetsTheCount) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 2;
  TheSettings().XferCount = 3;
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE", "GET FEEDERENABLED",
                                "SET XFERCOUNT ONEVALUE INT16 3", "SET UNITS ONEVALUE UINT16 0",
                                "SET XFERMECH ONEVALUE UINT16 0"}));
}

TEST_F(NegotiationTest, APageCountBeyondSixteenBitsIsTheLargestTheSourceCanHold) {
  // 98304 would reach the source as -32768 in its 16-bit item.
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 2;
  TheSettings().XferCount = 98304;
  const Names names = Negotiate();
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[3], "SET XFERCOUNT ONEVALUE INT16 32767");
}

TEST_F(NegotiationTest, FeederStateIsReadFromTheCurrentItemOfAnEnumeration) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 1;
  // Two items, the current one FALSE: the feeder is off and must be enabled.
  dsm.AnswerCapability(CAP_FEEDERENABLED, MSG_GET,
                       CapabilityAnswer::Enumeration(TWTY_BOOL, {0, 1}, 0));
  const Names names = Negotiate();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[3], "SET FEEDERENABLED ONEVALUE BOOL 1");
}

TEST_F(NegotiationTest, AFeederStateThatCannotBeReadIsSet) {
  TheSettings().ShowUI = 0;
  TheSettings().PaperSupply = 0;
  dsm.AnswerCapability(CAP_FEEDERENABLED, MSG_GET, CapabilityAnswer::WithoutContainer());
  const Names names = Negotiate();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[3], "SET FEEDERENABLED ONEVALUE BOOL 0");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, EachTransferModeIsSentAsTheProtocolNumbersIt) {
  const struct {
    LONG scanMech;
    LONG fileFormat;
    Names tail;
  } rows[] = {
      {0, 0, {"SET XFERMECH ONEVALUE UINT16 0"}},
      {1, 0, {"SET XFERMECH ONEVALUE UINT16 2", "SET COMPRESSION ONEVALUE UINT16 0"}},
      {2, 0,
       {"SET XFERMECH ONEVALUE UINT16 1", "SET COMPRESSION ONEVALUE UINT16 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 2"}},
      {2, 1,
       {"SET XFERMECH ONEVALUE UINT16 1", "SET COMPRESSION ONEVALUE UINT16 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.scanMech * 10 + row.fileFormat);
    dsm.Forget();
    TheSettings().ScanMech = row.scanMech;
    TheSettings().FileFormat = row.fileFormat;
    Names expected{"GET DEVICEONLINE", "GET DEVICEONLINE", "SET UNITS ONEVALUE UINT16 0"};
    expected.insert(expected.end(), row.tail.begin(), row.tail.end());
    EXPECT_EQ(Negotiate(), expected);
    ExpectSetContainersAsTheProtocolWants();
  }
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, EachCompressionRestrictsThePixelTypeAndOnlyG32DSendsAKFactor) {
  const struct {
    LONG compress;
    Names tail;
  } rows[] = {
      {0, {"SET COMPRESSION ONEVALUE UINT16 0"}},
      {1,
       {"SET COMPRESSION ONEVALUE UINT16 2", "GET PIXELTYPE",
        "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0"}},
      {2,
       {"SET COMPRESSION ONEVALUE UINT16 3", "GET PIXELTYPE",
        "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0"}},
      {3,
       {"SET COMPRESSION ONEVALUE UINT16 4", "SET CCITTKFACTOR ONEVALUE UINT16 9",
        "GET PIXELTYPE", "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0"}},
      {4,
       {"SET COMPRESSION ONEVALUE UINT16 5", "GET PIXELTYPE",
        "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0"}},
      {7, {"SET COMPRESSION ONEVALUE UINT16 0"}},
  };
  TheSettings().ScanMech = 1;
  TheSettings().KFactor = 9;
  FilterBound filter;
  ASSERT_NE(ProgramFilter(), nullptr);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.compress);
    dsm.Forget();
    TheSettings().Compress = row.compress;
    Names expected{"GET DEVICEONLINE", "GET DEVICEONLINE", "SET UNITS ONEVALUE UINT16 0",
                   "SET XFERMECH ONEVALUE UINT16 2"};
    expected.insert(expected.end(), row.tail.begin(), row.tail.end());
    EXPECT_EQ(Negotiate(), expected);
    ExpectSetContainersAsTheProtocolWants();
  }
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, ASourceOfferingBlackAndWhiteOnlyIsNotRestricted) {
  TheSettings().ScanMech = 1;
  FilterBound filter;
  ASSERT_NE(ProgramFilter(), nullptr);
  TheSettings().Compress = 4;
  const CapabilityAnswer answers[] = {
      CapabilityAnswer::Enumeration(TWTY_UINT16, {TWPT_BW}),
      CapabilityAnswer::OneValue(TWTY_UINT16, TWPT_BW),
      CapabilityAnswer::WithoutContainer(),
  };
  for (const CapabilityAnswer& answer : answers) {
    SCOPED_TRACE(answer.containerType);
    dsm.Forget();
    dsm.AnswerCapability(ICAP_PIXELTYPE, MSG_GET, answer);
    const Names names = Negotiate();
    EXPECT_EQ(names.back(), "GET PIXELTYPE");
  }
  // A single value other than black and white is restricted.
  dsm.Forget();
  dsm.AnswerCapability(ICAP_PIXELTYPE, MSG_GET, CapabilityAnswer::OneValue(TWTY_UINT16, TWPT_RGB));
  EXPECT_EQ(Negotiate().back(), "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, AnEnumerationClaimingMoreItemsThanItHoldsIsReadOnlyAsFarAsItReaches) {
  TheSettings().ScanMech = 1;
  FilterBound filter;
  ASSERT_NE(ProgramFilter(), nullptr);
  TheSettings().Compress = 1;
  CapabilityAnswer liar = CapabilityAnswer::Enumeration(TWTY_UINT16, {TWPT_BW});
  liar.claimedItems = 0x40000000;
  dsm.AnswerCapability(ICAP_PIXELTYPE, MSG_GET, liar);
  EXPECT_EQ(Negotiate().back(), "GET PIXELTYPE");
}

// --- A device off line, or a source that cannot tell ---

TEST_F(NegotiationTest, ADeviceOffLineGetsNoRequestsButTheNumberingStarts) {
  TheSettings().ShowUI = 0;
  TheSettings().ScanMech = 2;
  TheSettings().FileNumDigit = 3;
  RunningFileNumber = 999;
  dsm.AnswerCapability(CAP_DEVICEONLINE, MSG_GET, CapabilityAnswer::OneValue(TWTY_BOOL, 0));
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "GET DEVICEONLINE"}));
  EXPECT_EQ(RunningFileNumber, 17u);
  EXPECT_EQ(TheSettings().FileNumModulus, 10000u);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, ASourceThatDoesNotKnowDeviceOnlineIsNegotiatedAsOnLine) {
  dsm.AnswerCapability(CAP_DEVICEONLINE, MSG_GET,
                       CapabilityAnswer::Refusal(TWCC_CAPUNSUPPORTED));
  EXPECT_EQ(Negotiate(), (Names{"GET DEVICEONLINE", "SET UNITS ONEVALUE UINT16 0",
                                "SET XFERMECH ONEVALUE UINT16 0"}));
  EXPECT_EQ(dsm.Names()[1], "DS STATUS/GET");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, DeviceOnlineInBothModes) {
  const struct {
    const char* what;
    CapabilityAnswer answer;
    int answers;
    int online;
  } rows[] = {
      {"on line", CapabilityAnswer::OneValue(TWTY_BOOL, 1), 1, 1},
      {"off line", CapabilityAnswer::OneValue(TWTY_BOOL, 0), 1, 0},
      {"only the low 16 bits count", CapabilityAnswer::OneValue(TWTY_BOOL, 0x10001), 1, 1},
      {"an enumeration", CapabilityAnswer::Enumeration(TWTY_BOOL, {1}), 1, 0},
      {"no container", CapabilityAnswer::WithoutContainer(), 0, 0},
      {"refused", CapabilityAnswer::Refusal(TWCC_BADCAP), 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    dsm.AnswerCapability(CAP_DEVICEONLINE, MSG_GET, row.answer);
    EXPECT_EQ(connection.IsDeviceOnline(0), row.answers);
    EXPECT_EQ(connection.IsDeviceOnline(1), row.online);
  }
}

// --- Refusals ---

TEST_F(NegotiationTest, EachRefusedSettingIsReportedOnceAndTheNegotiationGoesOn) {
  const struct {
    TW_UINT16 cap;
    TW_UINT16 msg;
    const char* setting;
    Names tail;  // what follows the refused request
  } rows[] = {
      {CAP_FEEDERENABLED, MSG_GET, "Set Document Select",
       {"SET XFERCOUNT ONEVALUE INT16 3", "SET UNITS ONEVALUE UINT16 0",
        "SET XFERMECH ONEVALUE UINT16 1", "SET COMPRESSION ONEVALUE UINT16 4",
        "SET CCITTKFACTOR ONEVALUE UINT16 4", "GET PIXELTYPE",
        "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {CAP_XFERCOUNT, MSG_SET, "Set Transfer Count",
       {"SET UNITS ONEVALUE UINT16 0", "SET XFERMECH ONEVALUE UINT16 1",
        "SET COMPRESSION ONEVALUE UINT16 4", "SET CCITTKFACTOR ONEVALUE UINT16 4",
        "GET PIXELTYPE", "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {ICAP_XFERMECH, MSG_SET, "Set Transfer Mode",
       {"SET COMPRESSION ONEVALUE UINT16 4", "SET CCITTKFACTOR ONEVALUE UINT16 4",
        "GET PIXELTYPE", "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      // A refused compression ends its step: no K factor, no pixel type.
      {ICAP_COMPRESSION, MSG_SET, "Set Compression Mode",
       {"SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {ICAP_CCITTKFACTOR, MSG_SET, "Set K Factor",
       {"GET PIXELTYPE", "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0",
        "SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {ICAP_PIXELTYPE, MSG_GET, "Set Image Type", {"SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {ICAP_PIXELTYPE, MSG_SET, "Set Image Type", {"SET IMAGEFILEFORMAT ONEVALUE UINT16 0"}},
      {ICAP_IMAGEFILEFORMAT, MSG_SET, "Set Image File Format", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.setting);
    RecordingDsm rowDsm;
    TestConnection rowConnection;
    RecordingPresenter rowPresenter;
    ScanSettings& settings = TheSettings();
    settings.ShowUI = 0;
    settings.PaperSupply = 2;
    settings.XferCount = 3;
    settings.ScanMech = 2;
    settings.FileFormat = 1;
    settings.Compress = 3;
    rowConnection.Reach(4);
    rowDsm.Forget();
    rowDsm.AnswerCapability(row.cap, row.msg, CapabilityAnswer::Refusal(TWCC_BADVALUE));
    rowConnection.NegotiateCapabilities();
    ASSERT_EQ(rowPresenter.shown.size(), 1u);
    const ShownMessage& box = rowPresenter.shown[0];
    EXPECT_EQ(box.text, SetupReport(row.setting, "Data parameter out of range"));
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(box.owner, nullptr);
    const Names names = rowDsm.CapabilityNames();
    const Names tail(names.end() - static_cast<std::ptrdiff_t>(row.tail.size()), names.end());
    EXPECT_EQ(tail, row.tail);
    rowConnection.DropToState(1, nullptr);
    EXPECT_EQ(rowDsm.LiveContainers(), 0);
  }
}

TEST_F(NegotiationTest, ARefusedUnitIsNotReported) {
  dsm.AnswerCapability(ICAP_UNITS, MSG_SET, CapabilityAnswer::Refusal(TWCC_BADVALUE));
  EXPECT_EQ(Negotiate().back(), "SET XFERMECH ONEVALUE UINT16 0");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(NegotiationTest, AcquisitionWithRefusedSettingsStillEnablesTheSource) {
  connection.DropToState(1, nullptr);
  dsm.Forget();
  TheSettings().ScanMech = 1;
  TheSettings().Compress = 3;
  FilterBound filter;
  dsm.AnswerCapability(ICAP_XFERMECH, MSG_SET, CapabilityAnswer::Refusal(TWCC_CAPUNSUPPORTED));
  dsm.AnswerCapability(ICAP_CCITTKFACTOR, MSG_SET, CapabilityAnswer::Refusal(TWCC_BADVALUE));
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 1);
  EXPECT_EQ(connection.TwainState, 5);
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[0].text, SetupReport("Set Transfer Mode", "Not supported by source"));
  EXPECT_EQ(presenter.shown[1].text, SetupReport("Set K Factor", "Data parameter out of range"));
  EXPECT_EQ(dsm.Names().back(), "DS USERINTERFACE/ENABLEDS");
}

// --- The file numbering ---

TEST(FileNumberModulus, IsTenToTheDigitCountAndNeverZero) {
  EXPECT_EQ(FileNumberModulus(0), 10u);
  EXPECT_EQ(FileNumberModulus(1), 100u);
  EXPECT_EQ(FileNumberModulus(2), 1000u);
  EXPECT_EQ(FileNumberModulus(3), 10000u);
  EXPECT_EQ(FileNumberModulus(4), 100000u);
  // Out of range (an edited registry): the nearest digit count in range.
  EXPECT_EQ(FileNumberModulus(-1), 10u);
  EXPECT_EQ(FileNumberModulus(LONG_MIN), 10u);
  EXPECT_EQ(FileNumberModulus(5), 100000u);
  EXPECT_EQ(FileNumberModulus(9), 100000u);
  EXPECT_EQ(FileNumberModulus(LONG_MAX), 100000u);
}

TEST_F(NegotiationTest, NegotiationStartsTheRunningNumberAndItsModulus) {
  TheSettings().FileIdNumber = 42;
  TheSettings().FileNumDigit = -3;
  Negotiate();
  EXPECT_EQ(RunningFileNumber, 42u);
  EXPECT_EQ(TheSettings().FileNumModulus, 10u);
}

// --- The start-up probe ---

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (ExtendedCapabilityRow* row = ExtendedCapabilityTable;
         row->capability != kExtendedCapabilityTerminator; ++row) {
      row->supported = 7;  // neither answer: shows which rows the probe wrote
    }
  }
  int Supported(TW_UINT16 cap) const { return IsExtendedCapabilitySupported(cap); }

  RecordingDsm dsm;
  TestConnection connection;
  RecordingPresenter presenter;
};

TEST_F(ProbeTest, AsksTheDefaultSourceInTableOrderAndLeavesNothingOpen) {
  dsm.AnswerCapability(CAP_JOBCONTROL, MSG_GET,
                       CapabilityAnswer::Enumeration(TWTY_UINT16, {0, 1, 2}));
  dsm.AnswerCapability(CAP_DUPLEX, MSG_GET, CapabilityAnswer::OneValue(TWTY_UINT16, 1));
  dsm.AnswerCapability(CAP_ENABLEDSUIONLY, MSG_GET, CapabilityAnswer::OneValue(TWTY_BOOL, 1));
  connection.ProbeExtendedCapabilities();
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS", "DS CAPABILITY/GET",
                                "DS CAPABILITY/GET", "DS CAPABILITY/GET", "DS IDENTITY/CLOSEDS",
                                "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(dsm.CapabilityNames(), (Names{"GET JOBCONTROL", "GET DUPLEX", "GET ENABLEDSUIONLY"}));
  EXPECT_EQ(connection.TwainState, 1);
  EXPECT_EQ(Supported(CAP_JOBCONTROL), 1);
  EXPECT_EQ(Supported(CAP_DUPLEX), 1);
  EXPECT_EQ(Supported(CAP_ENABLEDSUIONLY), 1);
  EXPECT_EQ(Supported(CAP_FEEDERENABLED), 0);
  EXPECT_EQ(dsm.LiveContainers(), 0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ProbeTest, EachQueryJudgesItsContainer) {
  const struct {
    const char* what;
    TW_UINT16 cap;
    CapabilityAnswer answer;
    int supported;
  } rows[] = {
      {"job control, any single value", CAP_JOBCONTROL, CapabilityAnswer::OneValue(TWTY_UINT16, 0), 1},
      {"job control, only none listed", CAP_JOBCONTROL, CapabilityAnswer::Enumeration(TWTY_UINT16, {0}), 0},
      {"job control, refused", CAP_JOBCONTROL, CapabilityAnswer::Refusal(TWCC_CAPUNSUPPORTED), 0},
      {"job control, no container", CAP_JOBCONTROL, CapabilityAnswer::WithoutContainer(), 0},
      {"duplex, none", CAP_DUPLEX, CapabilityAnswer::OneValue(TWTY_UINT16, 0), 0},
      {"duplex, two pass", CAP_DUPLEX, CapabilityAnswer::OneValue(TWTY_UINT16, 2), 1},
      {"duplex, enumeration", CAP_DUPLEX, CapabilityAnswer::Enumeration(TWTY_UINT16, {1}), 0},
      {"dialog only, true", CAP_ENABLEDSUIONLY, CapabilityAnswer::OneValue(TWTY_BOOL, 1), 1},
      {"dialog only, two", CAP_ENABLEDSUIONLY, CapabilityAnswer::OneValue(TWTY_BOOL, 2), 0},
      {"dialog only, refused", CAP_ENABLEDSUIONLY, CapabilityAnswer::Refusal(TWCC_CAPUNSUPPORTED), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    dsm.AnswerCapability(row.cap, MSG_GET, row.answer);
    connection.ProbeExtendedCapabilities();
    EXPECT_EQ(Supported(row.cap), row.supported);
  }
  EXPECT_EQ(dsm.LiveContainers(), 0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ProbeTest, WithoutAManagerOrASourceNothingIsAskedOrShown) {
  dsm.loadFails = true;
  connection.ProbeExtendedCapabilities();
  EXPECT_TRUE(dsm.calls.empty());
  EXPECT_EQ(connection.TwainState, 1);
  dsm.loadFails = false;
  dsm.Answer(DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE);
  connection.ProbeExtendedCapabilities();
  EXPECT_TRUE(dsm.capabilityCalls.empty());
  EXPECT_EQ(connection.TwainState, 1);
  EXPECT_EQ(Supported(CAP_DUPLEX), 7);  // untouched
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ProbeTest, ReturnsToAnOpenSource) {
  connection.Reach(4);
  dsm.Forget();
  connection.ProbeExtendedCapabilities();
  EXPECT_EQ(dsm.CapabilityNames(), (Names{"GET JOBCONTROL", "GET DUPLEX", "GET ENABLEDSUIONLY"}));
  EXPECT_EQ(connection.TwainState, 4);
}

}  // namespace
}  // namespace quill
