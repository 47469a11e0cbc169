#include "twain/twain_connection.h"

#include <cstring>
#include <string>

#include "framework/message_box.h"
#include "res/resource.h"
#include "framework/application.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "base/text.h"
#include "twain/transfer_output.h"
#include "res/twain_ids.h"
#include "twain/twain_reports.h"
#include "image/win_handles.h"

namespace quill {

short g_bFrameAlive = 0;

namespace {

// Shown when no condition code could be learnt: before the first failure, and when there is no
// source manager to ask. "It worked!" would contradict the failure it accompanies.
constexpr TW_UINT16 kUnknownCondition = TWCC_BUMMER;

const char kOurManufacturer[] = "TALVORN";

TW_IDENTITY MakeApplicationIdentity() {
  TW_IDENTITY identity = {};
  identity.Id = 0;  // the manager assigns it
  identity.Version.MajorNum = 5;
  identity.Version.MinorNum = 1;
  identity.Version.Language = TWLG_USA;
  identity.Version.Country = TWCY_JAPAN;
  CopyText(identity.Version.Info, sizeof identity.Version.Info, "Version 5.1");
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 7;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(identity.Manufacturer, sizeof identity.Manufacturer, kOurManufacturer);
  CopyText(identity.ProductFamily, sizeof identity.ProductFamily, "TALVORN Scanner");
  CopyText(identity.ProductName, sizeof identity.ProductName, "TALVORN Image Scanner");
  return identity;
}

// A text field filled by the manager or a source may lack its terminator.
std::string FieldText(const char* field, std::size_t capacity) {
  return std::string(field, BoundedLength(field, capacity));
}

bool IsTransferGet(TW_UINT16 dat, TW_UINT16 msg) {
  return msg == MSG_GET &&
         (dat == DAT_IMAGENATIVEXFER || dat == DAT_IMAGEMEMXFER || dat == DAT_IMAGEFILEXFER);
}

bool NeedsConditionCode(TW_UINT16 returnCode) {
  return returnCode == TWRC_FAILURE || returnCode == TWRC_CHECKSTATUS ||
         returnCode == TWRC_CANCEL;
}

}  // namespace

bool ComposeSourceManagerPath(const char* windowsDirectory, char* path, std::size_t capacity) {
  if (!CopyText(path, capacity, windowsDirectory)) return false;
  const std::size_t length = BoundedLength(path, capacity);
  if (length > 0 && path[length - 1] != '\\' && !AppendText(path, capacity, "\\")) return false;
  return AppendText(path, capacity, "TWAIN_32.DLL");
}

DSMENTRYPROC LoadTwainLibrary(qfw::UniqueModule& library) {
  char windows[256] = "";
  if (GetWindowsDirectoryA(windows, sizeof windows) >= sizeof windows) return nullptr;
  char path[256];
  if (!ComposeSourceManagerPath(windows, path, sizeof path)) return nullptr;
  qfw::UniqueModule loaded(LoadLibraryA(path));
  if (!loaded) return nullptr;
  // The manager is bound by ordinal 1, not by name.
  FARPROC entry = GetProcAddress(loaded.get(), MAKEINTRESOURCEA(1));
  if (!entry) return nullptr;
  library = std::move(loaded);
  return reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(entry));
}

TwainConnection::TwainConnection() : TwainConnection(&LoadTwainLibrary) {}

TwainConnection::TwainConnection(SourceManagerLoader loader)
    : TwainState(1),
      SavedState(1),
      ApplicationIdentity(MakeApplicationIdentity()),
      LastReturnCode(TWRC_SUCCESS),
      LastConditionCode(kUnknownCondition),
      UserInterface(),
      PendingTransfers(),
      MemorySetup(),
      FileSetup(),
      ImageInformation(),
      OverwriteMode(0),
      EntryPoint(nullptr),
      SourceIdentity(),
      loader_(loader) {
  UserInterface.ShowUI = 1;
  UserInterface.ModalUI = 0;
  ClearSourceIdentity();
}

TwainConnection::~TwainConnection() { DropToState(1, nullptr); }

int TwainConnection::OnCloseSourceRequest() { return CloseSource(); }

int TwainConnection::OnNativeImage(HGLOBAL dib) {
  GlobalBlock dropped(dib);  // a connection without a window takes the image and lets it go
  return 1;
}

int TwainConnection::OnImageFile(const char*) { return 1; }

void TwainConnection::OnStateChanged(int) {}

void TwainConnection::ReportError(UINT messageId, UINT detailId) {
  ShowErrorReport(messageId, detailId, LastConditionCode);
}

void TwainConnection::SetTwainState(int state) {
  TwainState = state;
  OnStateChanged(state);
}

void TwainConnection::ClearSourceIdentity() {
  // Id 0 and no product name make MSG_OPENDS open the manager's default source.
  SourceIdentity.Id = 0;
  SourceIdentity.ProductName[0] = '\0';
}

HWND TwainConnection::GetParentWindow(HWND parent) const {
  return parent ? parent : qfw::MainWindowHandle();
}

// --- Loading and the call paths ---

int TwainConnection::LoadSourceManager() {
  if (TwainState >= 2) return 1;
  EntryPoint = loader_(Library);
  if (!EntryPoint) {
    Library.reset();
    return 0;
  }
  SetTwainState(2);
  return 1;
}

int TwainConnection::UnloadSourceManager() {
  LastReturnCode = TWRC_SUCCESS;
  if (TwainState == 2) {
    EntryPoint = nullptr;
    Library.reset();
    SetTwainState(1);
  }
  return TwainState == 1;
}

int TwainConnection::CallManager(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!EntryPoint) return 0;
  LastReturnCode = EntryPoint(&ApplicationIdentity, nullptr, group, dat, msg, data);
  const TW_UINT16 returnCode = LastReturnCode;
  TrackManagerState(group, dat, msg, returnCode);
  return returnCode == TWRC_SUCCESS;
}

int TwainConnection::CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!EntryPoint) return 0;
  LastReturnCode = EntryPoint(&ApplicationIdentity, &SourceIdentity, group, dat, msg, data);
  const TW_UINT16 returnCode = LastReturnCode;
  TrackSourceState(group, dat, msg, data, returnCode);
  if (NeedsConditionCode(returnCode)) LastConditionCode = GetConditionCode();
  return returnCode == TWRC_SUCCESS;
}

void TwainConnection::TrackManagerState(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                        TW_UINT16 returnCode) {
  if (group != DG_CONTROL || returnCode != TWRC_SUCCESS) return;
  if (dat == DAT_PARENT && msg == MSG_OPENDSM) SetTwainState(3);
  if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) SetTwainState(2);
  if (dat == DAT_IDENTITY && msg == MSG_OPENDS) SetTwainState(4);
}

void TwainConnection::TrackSourceState(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                       TW_MEMREF data, TW_UINT16 returnCode) {
  if (group == DG_IMAGE) {
    if (IsTransferGet(dat, msg)) {
      const bool ended = returnCode == TWRC_XFERDONE || returnCode == TWRC_CANCEL;
      SetTwainState(ended ? 7 : 6);
    }
    return;
  }
  if (group != DG_CONTROL) return;
  if (dat == DAT_EVENT && msg == MSG_PROCESSEVENT && data) {
    // The event's message counts whatever the return code says.
    const TW_UINT16 event = static_cast<TW_EVENT*>(data)->TWMessage;
    if (event == MSG_XFERREADY) SetTwainState(6);
    if (event == MSG_CLOSEDSREQ) SetTwainState(5);
    return;
  }
  if (returnCode != TWRC_SUCCESS) return;
  if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) SetTwainState(3);
  if (dat == DAT_PENDINGXFERS && msg == MSG_RESET) SetTwainState(5);
  if (dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER && data) {
    SetTwainState(static_cast<TW_PENDINGXFERS*>(data)->Count != 0 ? 6 : 5);
  }
  if (dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) SetTwainState(4);
  if (dat == DAT_USERINTERFACE && (msg == MSG_ENABLEDS || msg == MSG_ENABLEDSUIONLY)) {
    SetTwainState(5);
  }
}

TW_UINT16 TwainConnection::GetConditionCode() {
  if (TwainState >= 4) return QueryStatus(&SourceIdentity, false);
  if (TwainState == 3) return QueryStatus(nullptr, true);
  return TWCC_SEQERROR;
}

TW_UINT16 TwainConnection::QueryStatus(pTW_IDENTITY destination, bool onManagerPath) {
  // Preset, so that a status request that itself fails reads as an unknown cause.
  TW_STATUS status = {};
  status.ConditionCode = kUnknownCondition;
  if (onManagerPath) {
    CallManager(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  } else if (EntryPoint) {
    // Directly: the return code of the call that failed must survive the status request.
    EntryPoint(&ApplicationIdentity, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  } else {
    return kUnknownCondition;
  }
  return status.ConditionCode;
}

// --- Steps between the states ---

int TwainConnection::OpenSourceManager(HWND parent) {
  LoadSourceManager();
  // Only a loaded, not yet opened manager is asked: a manager that accepted a second
  // MSG_OPENDSM would otherwise make the state forget an open or enabled source.
  if (TwainState == 2) {
    HWND window = GetParentWindow(parent);
    CallManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window);
  }
  return TwainState > 2;
}

int TwainConnection::CloseSourceManager(HWND parent) {
  CloseSource();
  if (TwainState >= 3) {
    HWND window = GetParentWindow(parent);
    CallManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window);
  }
  return TwainState < 3;
}

int TwainConnection::OpenSource() {
  if (TwainState != 3) return 0;
  ClearSourceIdentity();
  CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceIdentity);
  if (LastReturnCode != TWRC_SUCCESS) LastConditionCode = GetConditionCode();
  return TwainState == 4;
}

int TwainConnection::CloseSource() {
  LastReturnCode = TWRC_SUCCESS;
  if (TwainState == 5) DisableSource();
  if (TwainState == 4) {
    CallSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceIdentity);
    ClearSourceIdentity();
  }
  return TwainState < 4;
}

int TwainConnection::EnableSource(HWND parent) {
  if (TwainState < 4) return 0;
  UserInterface.ShowUI = static_cast<TW_BOOL>(TheSettings().ShowUI & 0xFFFF);
  UserInterface.hParent = GetParentWindow(parent);
  CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &UserInterface);
  return TwainState == 5;
}

int TwainConnection::DisableSource() {
  if (TwainState == 5) CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &UserInterface);
  // Numbering goes on where this batch stopped, also in the next run of the program.
  ScanSettings& settings = TheSettings();
  settings.FileIdNumber = RunningFileNumber;
  settings.SaveFileIdNumber(qfw::ResourceHandle());
  return TwainState < 5;
}

int TwainConnection::EndTransfer() {
  if (TwainState == 7) CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &PendingTransfers);
  return TwainState < 7;
}

int TwainConnection::ResetTransfers() {
  EndTransfer();
  if (TwainState == 6) CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &PendingTransfers);
  return TwainState < 6;
}

int TwainConnection::StepDown(HWND parent) {
  switch (TwainState) {
    case 7: return EndTransfer();
    case 6: return ResetTransfers();
    case 5: return DisableSource();
    case 4: return CloseSource();
    case 3: return CloseSourceManager(parent);
    case 2: return UnloadSourceManager();
    default: return 0;
  }
}

int TwainConnection::DropToState(int target, HWND parent) {
  while (TwainState > target) {
    if (!StepDown(parent)) return 0;
  }
  return 1;
}

// --- Operations ---

int TwainConnection::SelectSource(HWND parent) {
  const int startState = SavedState = TwainState;
  int result = 0;
  if (!OpenSourceManager(parent)) {
    ReportError(IDS_TWAIN_OPEN_MANAGER_FAILED, 0);
  } else {
    // The manager remembers the user's choice as its default source; the identity is not kept.
    TW_IDENTITY chosen = {};
    CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &chosen);
    result = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &chosen);
    CheckManufacturer(1);
  }
  DropToState(startState, parent);
  return result;
}

int TwainConnection::OpenAndEnable(HWND parent) {
  const int startState = SavedState = TwainState;
  if (TwainState < 3 && !OpenSourceManager(parent)) {
    ReportError(IDS_TWAIN_OPEN_MANAGER_FAILED, 0);
  } else if (TwainState < 4 && !OpenSource()) {
    ReportError(IDS_TWAIN_OPEN_SOURCE_FAILED, 0);
  } else {
    NegotiateCapabilities();
    if (TwainState >= 5 || EnableSource(parent)) return 1;
    ReportError(IDS_TWAIN_ENABLE_SOURCE_FAILED, 0);
  }
  DropToState(startState, nullptr);
  return 0;
}

int TwainConnection::Acquire(HWND parent) {
  // Kept locally as well: a command dispatched inside the loop may start another operation.
  const int startState = TwainState;
  if (!OpenAndEnable(parent)) return 0;
  HWND window = GetParentWindow(parent);
  if (window) EnableWindow(window, TRUE);
  PumpMessages();
  if (g_bFrameAlive == 1 && window) EnableWindow(window, TRUE);
  return DropToState(startState, nullptr);
}

void TwainConnection::PumpMessages() {
  MSG message;
  while (TwainState >= 5) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      // The quit message belongs to the program's own loop: hand it on, or the process would
      // outlive its main window.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (got == -1) return;
    if (ProcessEvent(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

int TwainConnection::ProcessEvent(MSG* message) {
  if (TwainState < 4 || !EntryPoint) return 0;
  TW_EVENT event = {};
  event.pEvent = message;
  event.TWMessage = MSG_NULL;
  CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  const int consumed = LastReturnCode == TWRC_DSEVENT;
  if (event.TWMessage == MSG_XFERREADY) {
    OnTransferReady();
  } else if (event.TWMessage == MSG_CLOSEDSREQ) {
    OnCloseSourceRequest();
  }
  return consumed;
}

void TwainConnection::CheckManufacturer(int selected) {
  const int startState = TwainState;
  if (TwainState < 3) {
    if (!OpenSourceManager(GetParentWindow(nullptr))) {
      ReportError(IDS_TWAIN_OPEN_MANAGER_FAILED, 0);
      DropToState(startState, nullptr);
      return;
    }
  }
  // Without a default source there is nothing to judge: no warning. Opening a source will
  // report what is missing.
  TW_IDENTITY defaultSource = {};
  if (CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &defaultSource) &&
      FieldText(defaultSource.Manufacturer, sizeof defaultSource.Manufacturer) !=
          kOurManufacturer) {
    ShowManufacturerWarning(selected, defaultSource);
  }
  DropToState(startState, nullptr);
}

void TwainConnection::ShowManufacturerWarning(int selected, const TW_IDENTITY& source) const {
  std::string text = qfw::LoadResourceString(selected ? IDS_SELECTED_SOURCE_WARNING : IDS_CHOSEN_SOURCE_WARNING);
  text += "\n\n : ";
  text += FieldText(source.ProductName, sizeof source.ProductName);
  const std::string caption = qfw::LoadResourceString(IDS_APP_TITLE);
  qfw::ShowMessageBox(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace quill
