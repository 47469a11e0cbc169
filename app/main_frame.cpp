#include "main_frame.h"

#include "resource.h"

namespace quill {

const char kMainWindowClass[] = "TVQuillFrame";

namespace {

// The main window always starts here, whatever the system would choose.
const int kStartWidth = 640;
const int kStartHeight = 480;

// The items that must not be chosen while a scan runs; the system menu's Close goes with them.
const UINT kScannerItems[] = {ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION, ID_APP_EXIT};

struct FrameCommand {
  UINT id;
  void (CMainFrame::*handler)();
};

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance, HINSTANCE resources) {
  return qfw::RegisterWindowClass(instance, kMainWindowClass,
                                  CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                  LoadIconA(resources, MAKEINTRESOURCEA(IDR_MAINFRAME)),
                                  LoadCursor(nullptr, IDC_ARROW),
                                  reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW)));
}

CMainFrame::CMainFrame() {
  m_szConnectedScanner[0] = '\0';
  g_bFrameAlive = 1;
}

void CMainFrame::OnStartupChecks() {
  CheckManufacturer(0);
  ProbeExtendedCapabilities();
}

void CMainFrame::OnDestroy() {
  CloseSource();
  CloseSourceManager(nullptr);
  UnloadSourceManager();
  qfw::MdiFrameWindow::OnDestroy();
  g_bFrameAlive = 0;
}

void CMainFrame::PreCreateWindow(CREATESTRUCTA& create) {
  create.lpszClass = kMainWindowClass;
  qfw::MdiFrameWindow::PreCreateWindow(create);
}

int CMainFrame::OnCreate(CREATESTRUCTA& create) {
  if (qfw::MdiFrameWindow::OnCreate(create) == -1) return -1;
  MoveWindow(Handle(), 0, 0, kStartWidth, kStartHeight, TRUE);
  return 0;
}

bool CMainFrame::OnCommand(UINT id) {
  static const FrameCommand kCommands[] = {
      {ID_SELECT_SOURCE, &CMainFrame::OnSelectSource},
      {ID_ACQUIRE, &CMainFrame::OnAcquire},
      {ID_EDIT_COPY, &CMainFrame::OnEditCopy},
  };
  for (const FrameCommand& command : kCommands) {
    if (command.id == id) {
      (this->*command.handler)();
      return true;
    }
  }
  return qfw::MdiFrameWindow::OnCommand(id);
}

void CMainFrame::ExecuteFrameCommand(UINT id) {
  switch (id) {
    case ID_SELECT_SOURCE:
      OnSelectSource();
      break;
    case ID_ACQUIRE:
      OnAcquire();
      break;
    default:
      break;
  }
}

void CMainFrame::OnSelectSource() { SelectSource(nullptr); }

void CMainFrame::OnAcquire() {
  EnableScannerItems(GetMenu(Handle()), false);
  Acquire(Handle());
  // A message dispatched inside the acquisition may have destroyed this window and object.
  if (g_bFrameAlive != 1) return;
  EnableScannerItems(GetMenu(Handle()), true);
  SetActiveWindow(Handle());
}

void CMainFrame::EnableScannerItems(HMENU menu, bool enabled) {
  const UINT state = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
  if (menu) {
    for (UINT id : kScannerItems) EnableMenuItem(menu, id, state);
  }
  if (HMENU systemMenu = GetSystemMenu(Handle(), FALSE)) {
    EnableMenuItem(systemMenu, SC_CLOSE, state);
  }
}

void CMainFrame::OnInitMenuPopup(HMENU popup, UINT index, bool isSystemMenu) {
  if (index != 0 && !isSystemMenu) return;
  // Above state 1 the source manager is loaded: an acquisition is under way.
  EnableScannerItems(popup, TwainState <= 1);
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) {
    OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0);
    return 0;
  }
  return qfw::MdiFrameWindow::HandleMessage(message, wParam, lParam);
}

bool CMainFrame::PreTranslateMessage(MSG& message) {
  // An enabled source sees every message first and may claim it.
  if (ProcessEvent(&message)) return true;
  return qfw::MdiFrameWindow::PreTranslateMessage(message);
}

}  // namespace quill
