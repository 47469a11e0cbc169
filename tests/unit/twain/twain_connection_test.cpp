#include "twain/twain_connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/scan_settings.h"
#include "tests/unit/twain/test_support.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

using Names = std::vector<std::string>;

const char kTitle[] = "TWAIN Tessel Utility (32)";

// The one box shown said `text` as a warning of the program's own: its title, the exclamation
// mark, no owner.
::testing::AssertionResult OneWarning(const RecordingPresenter& presenter, const std::string& text) {
  using ::testing::AssertionFailure;
  if (presenter.shown.size() != 1) return AssertionFailure() << presenter.shown.size() << " boxes shown";
  const ShownMessage& box = presenter.shown[0];
  if (box.text != text) return AssertionFailure() << "the box said: " << box.text;
  if (box.caption != kTitle) return AssertionFailure() << "caption: " << box.caption.value_or("(none)");
  if (box.style != static_cast<UINT>(MB_ICONEXCLAMATION)) return AssertionFailure() << "style " << box.style;
  if (box.owner) return AssertionFailure() << "the box has an owner";
  return ::testing::AssertionSuccess();
}

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheSettings().ShowUI = 1;
    TheSettings().ScanMech = 0;
  }
  // Brings the connection to `state`, then forgets the calls that took it there.
  void Start(int state) {
    connection.Reach(state);
    if (state > 5) connection.SetTwainState(state);
    ASSERT_EQ(connection.TwainState, state);
    dsm.Forget();
    connection.stateChanges.clear();
  }

  RecordingDsm dsm;
  TestConnection connection;
};

// --- Construction ---

TEST_F(ConnectionTest, StartsUnloadedWithTheApplicationIdentity) {
  EXPECT_EQ(connection.TwainState, 1);
  EXPECT_EQ(connection.OverwriteMode, 0);
  EXPECT_EQ(connection.UserInterface.ShowUI, 1);
  EXPECT_EQ(connection.UserInterface.ModalUI, 0);
  EXPECT_EQ(connection.SourceIdentity.Id, 0u);
  EXPECT_STREQ(connection.SourceIdentity.ProductName, "");
  const TW_IDENTITY& app = connection.ApplicationIdentity;
  EXPECT_EQ(app.Id, 0u);
  EXPECT_EQ(app.Version.MajorNum, 5);
  EXPECT_EQ(app.Version.MinorNum, 1);
  EXPECT_EQ(app.Version.Language, 13);
  EXPECT_EQ(app.Version.Country, 81);
  EXPECT_STREQ(app.Version.Info, "Version 5.1");
  EXPECT_EQ(app.ProtocolMajor, 1);
  EXPECT_EQ(app.ProtocolMinor, 7);
  EXPECT_EQ(app.SupportedGroups, 3u);
  EXPECT_STREQ(app.Manufacturer, "TALVORN");
  EXPECT_STREQ(app.ProductFamily, "TALVORN Scanner");
  EXPECT_STREQ(app.ProductName, "TALVORN Image Scanner");
  // Before any failure the reports say the cause is unknown.
  EXPECT_EQ(connection.LastConditionCode, TWCC_BUMMER);
}

// --- The state table ---

struct StateRow {
  const char* what;
  int start;
  bool toSource;
  TW_UINT32 group;
  TW_UINT16 dat;
  TW_UINT16 msg;
  TW_UINT16 returnCode;
  TW_UINT16 event;    // TWMessage of a MSG_PROCESSEVENT
  TW_UINT16 pending;  // Count after MSG_ENDXFER
  int expected;
};

TEST_F(ConnectionTest, EveryCallChangesTheStateAsTheTableSays) {
  const StateRow rows[] = {
      {"open manager", 2, false, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_SUCCESS, 0, 0, 3},
      {"open manager refused", 2, false, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE, 0, 0, 2},
      {"close manager", 3, false, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, TWRC_SUCCESS, 0, 0, 2},
      {"close manager refused", 3, false, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, TWRC_FAILURE, 0, 0, 3},
      {"open source", 3, false, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_SUCCESS, 0, 0, 4},
      {"open source refused", 3, false, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, 0, 0, 3},
      {"open source in image group", 3, false, DG_IMAGE, DAT_IDENTITY, MSG_OPENDS, TWRC_SUCCESS, 0, 0, 3},
      {"transfer ready", 5, true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT, MSG_XFERREADY, 0, 6},
      {"transfer ready, not claimed", 5, true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_NOTDSEVENT, MSG_XFERREADY, 0, 6},
      {"close request", 5, true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_FAILURE, MSG_CLOSEDSREQ, 0, 5},
      {"close request while ready", 6, true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT, MSG_CLOSEDSREQ, 0, 5},
      {"other event", 5, true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT, MSG_CLOSEDSOK, 0, 5},
      {"close source", 4, true, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, TWRC_SUCCESS, 0, 0, 3},
      {"close source refused", 4, true, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, TWRC_FAILURE, 0, 0, 4},
      {"reset", 6, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, TWRC_SUCCESS, 0, 0, 5},
      {"reset refused", 6, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, TWRC_FAILURE, 0, 0, 6},
      {"end transfer, more pending", 7, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS, 0, 2, 6},
      {"end transfer, unknown count", 7, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS, 0, 0xFFFF, 6},
      {"end transfer, none pending", 7, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS, 0, 0, 5},
      {"end transfer refused", 7, true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_FAILURE, 0, 0, 7},
      {"disable", 5, true, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_SUCCESS, 0, 0, 4},
      {"disable refused", 5, true, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_FAILURE, 0, 0, 5},
      {"enable", 4, true, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_SUCCESS, 0, 0, 5},
      {"enable dialog only", 4, true, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, TWRC_SUCCESS, 0, 0, 5},
      {"enable refused", 4, true, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE, 0, 0, 4},
      {"native done", 6, true, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_XFERDONE, 0, 0, 7},
      {"memory cancelled", 6, true, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, TWRC_CANCEL, 0, 0, 7},
      {"file done", 6, true, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, TWRC_XFERDONE, 0, 0, 7},
      {"memory strip", 6, true, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, TWRC_SUCCESS, 0, 0, 6},
      {"native failed", 6, true, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_FAILURE, 0, 0, 6},
      {"file failed after a finished one", 7, true, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, TWRC_FAILURE, 0, 0, 6},
      {"transfer triplet in control group", 6, true, DG_CONTROL, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_XFERDONE, 0, 0, 6},
  };
  for (const StateRow& row : rows) {
    SCOPED_TRACE(row.what);
    RecordingDsm rowDsm;
    TestConnection rowConnection;
    rowConnection.LoadSourceManager();
    rowConnection.SetTwainState(row.start);
    rowDsm.Answer(row.dat, row.msg, row.returnCode);
    if (row.event) rowDsm.events.push_back(row.event);
    rowDsm.pendingCount = row.pending;
    TW_EVENT event = {};
    TW_PENDINGXFERS pending = {};
    TW_USERINTERFACE ui = {};
    TW_IDENTITY identity = {};
    HWND window = nullptr;
    TW_MEMREF data = row.dat == DAT_EVENT          ? TW_MEMREF(&event)
                     : row.dat == DAT_PENDINGXFERS ? TW_MEMREF(&pending)
                     : row.dat == DAT_USERINTERFACE ? TW_MEMREF(&ui)
                     : row.dat == DAT_IDENTITY     ? TW_MEMREF(&identity)
                     : row.dat == DAT_PARENT       ? TW_MEMREF(&window)
                                                   : nullptr;
    rowConnection.stateChanges.clear();
    const int result = row.toSource ? rowConnection.CallSource(row.group, row.dat, row.msg, data)
                                    : rowConnection.CallManager(row.group, row.dat, row.msg, data);
    EXPECT_EQ(result, row.returnCode == TWRC_SUCCESS ? 1 : 0);
    EXPECT_EQ(rowConnection.TwainState, row.expected);
    if (row.expected != row.start) {
      EXPECT_EQ(rowConnection.stateChanges, std::vector<int>{row.expected});
    }
    rowConnection.SetTwainState(2);  // nothing left for the destructor to close
  }
}

TEST_F(ConnectionTest, LoadingAndUnloadingMoveBetweenOneAndTwo) {
  EXPECT_EQ(connection.LoadSourceManager(), 1);
  EXPECT_EQ(connection.TwainState, 2);
  EXPECT_EQ(connection.LoadSourceManager(), 1);
  EXPECT_EQ(dsm.loads, 1);
  EXPECT_EQ(connection.UnloadSourceManager(), 1);
  EXPECT_EQ(connection.TwainState, 1);
  EXPECT_EQ(connection.stateChanges, (std::vector<int>{2, 1}));
  // Without an entry point nothing is called and the return code stays.
  connection.LastReturnCode = TWRC_CANCEL;
  EXPECT_EQ(connection.CallManager(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), 0);
  EXPECT_EQ(connection.CallSource(DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), 0);
  EXPECT_TRUE(dsm.calls.empty());
  EXPECT_EQ(connection.LastReturnCode, TWRC_CANCEL);
}

TEST_F(ConnectionTest, AManagerThatCannotBeLoadedLeavesStateOne) {
  dsm.loadFails = true;
  EXPECT_EQ(connection.LoadSourceManager(), 0);
  EXPECT_EQ(connection.OpenSourceManager(nullptr), 0);
  EXPECT_EQ(connection.TwainState, 1);
  EXPECT_TRUE(dsm.calls.empty());
}

TEST_F(ConnectionTest, CallPathsAddressTheManagerOrTheOpenSource) {
  Start(4);
  HWND parent = reinterpret_cast<HWND>(0x1234);
  connection.CloseSourceManager(parent);
  ASSERT_EQ(dsm.Names(), (Names{"DS IDENTITY/CLOSEDS", "DSM PARENT/CLOSEDSM"}));
  for (const DsmCall& call : dsm.calls) EXPECT_EQ(call.origin, &connection.ApplicationIdentity);
  EXPECT_EQ(dsm.calls[0].destination, &connection.SourceIdentity);
  EXPECT_EQ(dsm.calls[0].data, &connection.SourceIdentity);
  EXPECT_EQ(dsm.lastParent, parent);
  // The source identity is cleared, so that the next open takes the default source.
  EXPECT_EQ(connection.SourceIdentity.Id, 0u);
  EXPECT_STREQ(connection.SourceIdentity.ProductName, "");
}

// --- Condition codes ---

TEST_F(ConnectionTest, ConditionCodeIsFetchedAfterFailingSourceCallsOnly) {
  Start(5);
  dsm.conditionCode = TWCC_BADVALUE;
  for (TW_UINT16 returnCode : {TWRC_SUCCESS, TWRC_DSEVENT, TWRC_NOTDSEVENT, TWRC_XFERDONE}) {
    dsm.Answer(DAT_CAPABILITY, MSG_GET, returnCode);
    connection.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr);
  }
  EXPECT_EQ(dsm.calls.size(), 4u);
  EXPECT_EQ(connection.LastConditionCode, TWCC_BUMMER);

  for (TW_UINT16 returnCode : {TWRC_FAILURE, TWRC_CHECKSTATUS, TWRC_CANCEL}) {
    SCOPED_TRACE(returnCode);
    dsm.Forget();
    dsm.conditionCode = static_cast<TW_UINT16>(returnCode + 10);
    dsm.Answer(DAT_CAPABILITY, MSG_SET, returnCode);
    EXPECT_EQ(connection.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, nullptr), 0);
    EXPECT_EQ(dsm.Names(), (Names{"DS CAPABILITY/SET", "DS STATUS/GET"}));
    EXPECT_EQ(connection.LastConditionCode, returnCode + 10);
    // The status request does not hide the return code of the call that failed.
    EXPECT_EQ(connection.LastReturnCode, returnCode);
  }
}

TEST_F(ConnectionTest, ManagerPathNeverFetchesAConditionCodeByItself) {
  Start(3);
  dsm.Answer(DAT_IDENTITY, MSG_USERSELECT, TWRC_FAILURE);
  TW_IDENTITY identity = {};
  EXPECT_EQ(connection.CallManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &identity), 0);
  EXPECT_EQ(dsm.Names(), Names{"DSM IDENTITY/USERSELECT"});
  EXPECT_EQ(connection.LastConditionCode, TWCC_BUMMER);
}

TEST_F(ConnectionTest, FailedOpenOfTheSourceAsksTheManagerForTheCondition) {
  Start(3);
  dsm.Answer(DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE);
  dsm.conditionCode = TWCC_NODS;
  EXPECT_EQ(connection.OpenSource(), 0);
  EXPECT_EQ(dsm.Names(), (Names{"DSM IDENTITY/OPENDS", "DSM STATUS/GET"}));
  EXPECT_EQ(connection.LastConditionCode, TWCC_NODS);
  EXPECT_EQ(connection.TwainState, 3);
}

TEST_F(ConnectionTest, ConditionCodeBelowStateThreeIsASequenceErrorWithoutACall) {
  Start(2);
  EXPECT_EQ(connection.GetConditionCode(), TWCC_SEQERROR);
  EXPECT_TRUE(dsm.calls.empty());
}

// --- Walking down ---

TEST_F(ConnectionTest, DropToStateWalksDownFromTransferring) {
  Start(7);
  dsm.pendingCount = 0;
  EXPECT_EQ(connection.DropToState(1, nullptr), 1);
  EXPECT_EQ(dsm.Names(), (Names{"DS PENDINGXFERS/ENDXFER", "DS USERINTERFACE/DISABLEDS",
                                "DS IDENTITY/CLOSEDS", "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.stateChanges, (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST_F(ConnectionTest, DropToStateResetsPendingTransfers) {
  Start(6);
  EXPECT_EQ(connection.DropToState(4, nullptr), 1);
  EXPECT_EQ(dsm.Names(), (Names{"DS PENDINGXFERS/RESET", "DS USERINTERFACE/DISABLEDS"}));
  EXPECT_EQ(connection.TwainState, 4);
}

TEST_F(ConnectionTest, DropToStateStopsAtTheFirstFailedStep) {
  Start(5);
  dsm.Answer(DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_FAILURE);
  EXPECT_EQ(connection.DropToState(1, nullptr), 0);
  EXPECT_EQ(connection.TwainState, 5);
  EXPECT_EQ(dsm.Names(), (Names{"DS USERINTERFACE/DISABLEDS", "DS STATUS/GET"}));

  dsm.Answer(DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_SUCCESS);
  dsm.Answer(DAT_IDENTITY, MSG_CLOSEDS, TWRC_FAILURE);
  dsm.Forget();
  EXPECT_EQ(connection.DropToState(1, nullptr), 0);
  EXPECT_EQ(connection.TwainState, 4);
  EXPECT_EQ(dsm.Names(), (Names{"DS USERINTERFACE/DISABLEDS", "DS IDENTITY/CLOSEDS",
                                "DS STATUS/GET"}));
  dsm.Answer(DAT_IDENTITY, MSG_CLOSEDS, TWRC_SUCCESS);
  connection.SetTwainState(3);
}

TEST_F(ConnectionTest, DisablingStoresTheRunningFileNumber) {
  TheSettings().FileIdNumber = 41;
  Start(4);
  connection.NegotiateCapabilities();  // the numbering starts from the settings
  dsm.Forget();
  TheSettings().FileIdNumber = 0;
  connection.DisableSource();  // in state 4: no call, but the number is stored all the same
  EXPECT_TRUE(dsm.calls.empty());
  EXPECT_EQ(TheSettings().FileIdNumber, 41u);
}

TEST_F(ConnectionTest, DestructionClosesEverything) {
  {
    TestConnection other;
    other.Reach(5);
  }
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS",
                                "DS USERINTERFACE/ENABLEDS", "DS USERINTERFACE/DISABLEDS",
                                "DS IDENTITY/CLOSEDS", "DSM PARENT/CLOSEDSM"}));
}

// --- Opening and enabling ---

TEST_F(ConnectionTest, OpenAndEnableReportsAManagerThatCannotBeLoaded) {
  dsm.loadFails = true;
  RecordingPresenter presenter;
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 0);
  EXPECT_TRUE(OneWarning(
      presenter, "TWAIN Interface error\nUnable to open TWAIN Manager.\n  Failure due to unknown causes\n"));
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, OpenAndEnableReportsARefusedManagerAndUnloadsIt) {
  dsm.Answer(DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE);
  RecordingPresenter presenter;
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_NE(presenter.shown[0].text.find("Unable to open TWAIN Manager."), std::string::npos);
  EXPECT_EQ(dsm.Names(), Names{"DSM PARENT/OPENDSM"});
  EXPECT_EQ(connection.stateChanges, (std::vector<int>{2, 1}));
}

TEST_F(ConnectionTest, OpenAndEnableReportsASourceThatCannotBeOpened) {
  dsm.Answer(DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE);
  dsm.conditionCode = TWCC_NODS;
  RecordingPresenter presenter;
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "TWAIN Interface error\nUnable to open TWAIN Source.\n  No Data Source\n");
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS", "DSM STATUS/GET",
                                "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, OpenAndEnableReportsASourceThatCannotBeEnabled) {
  dsm.Answer(DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE);
  dsm.conditionCode = TWCC_CAPUNSUPPORTED;
  RecordingPresenter presenter;
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "TWAIN Interface error\nUnable to enable TWAIN Source.\n  Not supported by source\n");
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS", "DS CAPABILITY/GET",
                                "DS CAPABILITY/GET", "DS CAPABILITY/SET", "DS CAPABILITY/SET",
                                "DS USERINTERFACE/ENABLEDS", "DS STATUS/GET",
                                "DS IDENTITY/CLOSEDS", "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, OpenAndEnableReturnsToAnOpenManager) {
  Start(3);
  dsm.Answer(DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_FAILURE);
  RecordingPresenter presenter;
  EXPECT_EQ(connection.OpenAndEnable(nullptr), 0);
  EXPECT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(dsm.Names(), (Names{"DSM IDENTITY/OPENDS", "DS CAPABILITY/GET", "DS CAPABILITY/GET",
                                "DS CAPABILITY/SET", "DS CAPABILITY/SET",
                                "DS USERINTERFACE/ENABLEDS", "DS STATUS/GET",
                                "DS IDENTITY/CLOSEDS"}));
  EXPECT_EQ(connection.TwainState, 3);
}

TEST_F(ConnectionTest, EnablingTakesShowUIFromTheSettingsAndTheParentWindow) {
  TheSettings().ShowUI = 0;
  HWND parent = reinterpret_cast<HWND>(0x5678);
  EXPECT_EQ(connection.OpenAndEnable(parent), 1);
  EXPECT_EQ(connection.TwainState, 5);
  EXPECT_EQ(dsm.enabledShowUI, 0);
  EXPECT_EQ(dsm.lastParent, parent);
  EXPECT_EQ(connection.UserInterface.hParent, parent);
}

// --- The acquisition and its loop ---

TEST_F(ConnectionTest, AcquisitionOpensEnablesAndClosesInOrder) {
  // The source's dialog is closed by the user at the first message.
  dsm.events = {MSG_CLOSEDSREQ};
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
  // A source may leave its parent disabled; the acquisition enables it again.
  HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  EnableWindow(parent, FALSE);
  g_bFrameAlive = 1;
  EXPECT_EQ(connection.Acquire(parent), 1);
  g_bFrameAlive = 0;
  EXPECT_TRUE(IsWindowEnabled(parent));
  DestroyWindow(parent);
  EXPECT_EQ(dsm.loads, 1);
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS", "DS CAPABILITY/GET",
                                "DS CAPABILITY/GET", "DS CAPABILITY/SET", "DS CAPABILITY/SET",
                                "DS USERINTERFACE/ENABLEDS", "DS EVENT/PROCESSEVENT",
                                "DS USERINTERFACE/DISABLEDS", "DS IDENTITY/CLOSEDS",
                                "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.stateChanges, (std::vector<int>{2, 3, 4, 5, 5, 4, 3, 2, 1}));
}

TEST_F(ConnectionTest, AcquisitionWithoutTheSourceDialogEndsAfterTheBatch) {
  TheSettings().ShowUI = 0;
  // A transfer mode the program does not know transfers nothing: the pending images are
  // discarded, so that the source can be disabled.
  TheSettings().ScanMech = 3;
  dsm.events = {MSG_XFERREADY};
  dsm.Answer(DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
  EXPECT_EQ(connection.Acquire(nullptr), 1);
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/OPENDS", "DS CAPABILITY/GET",
                                "DS CAPABILITY/GET", "DS CAPABILITY/GET", "DS CAPABILITY/SET",
                                "DS CAPABILITY/SET", "DS CAPABILITY/SET", "DS CAPABILITY/SET",
                                "DS USERINTERFACE/ENABLEDS", "DS EVENT/PROCESSEVENT",
                                "DS PENDINGXFERS/RESET", "DS USERINTERFACE/DISABLEDS",
                                "DS IDENTITY/CLOSEDS", "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, QuitMessageEndsTheLoopAndIsPostedAgain) {
  Start(5);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0);
  PostQuitMessage(7);
  connection.PumpMessages();
  EXPECT_EQ(connection.TwainState, 5);
  EXPECT_EQ(dsm.Names(), Names{"DS EVENT/PROCESSEVENT"});
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(ConnectionTest, ProcessEventBelowStateFourCallsNothing) {
  MSG message = {};
  for (int state = 1; state <= 3; ++state) {
    Start(state);
    EXPECT_EQ(connection.ProcessEvent(&message), 0) << state;
  }
  EXPECT_TRUE(dsm.calls.empty());
}

TEST_F(ConnectionTest, ProcessEventReportsWhetherTheSourceClaimedTheMessage) {
  Start(5);
  MSG message = {};
  EXPECT_EQ(connection.ProcessEvent(&message), 0);
  EXPECT_EQ(dsm.Names(), Names{"DS EVENT/PROCESSEVENT"});
  EXPECT_EQ(dsm.lastEventMessage, &message);
  dsm.Answer(DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT);
  EXPECT_EQ(connection.ProcessEvent(&message), 1);
  EXPECT_EQ(connection.TwainState, 5);
}

TEST_F(ConnectionTest, TransferReadyStartsTheBatchEvenWhenTheMessageIsNotClaimed) {
  TheSettings().ShowUI = 0;
  TheSettings().ScanMech = 3;  // nothing to transfer, the batch ends at once
  Start(5);
  dsm.events = {MSG_XFERREADY};
  MSG message = {};
  EXPECT_EQ(connection.ProcessEvent(&message), 0);
  // The batch ran and ended with the source disabled.
  EXPECT_EQ(connection.TwainState, 4);
}

TEST_F(ConnectionTest, SourceThatNeverEndsAnImageEndsTheBatchWithAReport) {
  // The stand-in answers TWRC_SUCCESS to every transfer: the image is never done, and asking
  // again would ask forever.
  TheSettings().ShowUI = 0;
  const struct {
    LONG scanMech;
    const char* report;
  } modes[] = {{0, "TWAIN Data source error is Notifid\nDG_IMAGE / DAT_IMAGENATIVEXFER / MSG_GET"},
               {2, "TWAIN Data source error is Notifid\nDG_CONTROL / DAT_SETUPFILEXFER / MSG_GET"}};
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.scanMech);
    TheSettings().ScanMech = mode.scanMech;
    Start(5);
    dsm.events = {MSG_XFERREADY};
    RecordingPresenter presenter;
    MSG message = {};
    connection.ProcessEvent(&message);
    EXPECT_EQ(connection.TwainState, 4);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, mode.report);
    connection.DropToState(1, nullptr);
  }
}

// --- Source selection and the manufacturer check ---

TEST_F(ConnectionTest, ManufacturerCheckIsSilentForTheMakersOwnSource) {
  RecordingPresenter presenter;
  connection.CheckManufacturer(0);
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/GETDEFAULT",
                                "DSM PARENT/CLOSEDSM"}));
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, ManufacturerCheckWarnsAboutAnyOtherName) {
  for (const char* other : {"TALVORN ", "Talvorn", "TALVOR", "", "OTHER MAKER"}) {
    SCOPED_TRACE(other);
    dsm.manufacturer = other;
    RecordingPresenter presenter;
    connection.CheckManufacturer(0);
    EXPECT_TRUE(
        OneWarning(presenter, "It may not run properly by the chosen data sauce.\n\n : Quill Test Scanner"));
    EXPECT_EQ(connection.TwainState, 1);
  }
}

TEST_F(ConnectionTest, ManufacturerCheckWithoutADefaultSourceShowsNothing) {
  dsm.hasDefaultSource = false;
  RecordingPresenter presenter;
  connection.CheckManufacturer(0);
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, ManufacturerCheckReportsAMissingManagerAndLeavesNothingOpen) {
  dsm.Answer(DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE);
  RecordingPresenter presenter;
  connection.CheckManufacturer(0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_NE(presenter.shown[0].text.find("Unable to open TWAIN Manager."), std::string::npos);
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, SelectSourceCancelledStillChecksTheManufacturer) {
  dsm.manufacturer = "OTHER";
  dsm.Answer(DAT_IDENTITY, MSG_USERSELECT, TWRC_CANCEL);
  RecordingPresenter presenter;
  EXPECT_EQ(connection.SelectSource(nullptr), 0);
  EXPECT_EQ(dsm.Names(), (Names{"DSM PARENT/OPENDSM", "DSM IDENTITY/GETDEFAULT",
                                "DSM IDENTITY/USERSELECT", "DSM IDENTITY/GETDEFAULT",
                                "DSM PARENT/CLOSEDSM"}));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "It may not run properly by the selected data sauce.\n\n : Quill Test Scanner");
  EXPECT_EQ(connection.TwainState, 1);
}

TEST_F(ConnectionTest, SelectSourceReturnsTheSelectionAndReportsAMissingManager) {
  EXPECT_EQ(connection.SelectSource(nullptr), 1);
  EXPECT_EQ(connection.TwainState, 1);
  dsm.loadFails = true;
  RecordingPresenter presenter;
  EXPECT_EQ(connection.SelectSource(nullptr), 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_NE(presenter.shown[0].text.find("Unable to open TWAIN Manager."), std::string::npos);
}

// --- The program's loader ---

TEST(SourceManagerPath, IsTheWindowsFolderWithOneBackslash) {
  char path[256];
  ASSERT_TRUE(ComposeSourceManagerPath("C:\\windows", path, sizeof path));
  EXPECT_STREQ(path, "C:\\windows\\TWAIN_32.DLL");
  ASSERT_TRUE(ComposeSourceManagerPath("C:\\", path, sizeof path));
  EXPECT_STREQ(path, "C:\\TWAIN_32.DLL");
  ASSERT_TRUE(ComposeSourceManagerPath("", path, sizeof path));
  EXPECT_STREQ(path, "TWAIN_32.DLL");
  const std::string longFolder(250, 'x');
  EXPECT_FALSE(ComposeSourceManagerPath(longFolder.c_str(), path, sizeof path));
}

TEST(SourceManagerLoader, BindsOrdinalOneOfTheManagerInTheWindowsFolder) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string path = std::string(windows) + "\\TWAIN_32.DLL";
  const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  qfw::UniqueModule library;
  DSMENTRYPROC entry = LoadTwainLibrary(library);
  EXPECT_EQ(entry != nullptr, present) << path;
  EXPECT_EQ(static_cast<bool>(library), present);
}

}  // namespace
}  // namespace quill
