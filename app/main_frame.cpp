#include "main_frame.h"

#include "resource.h"

namespace quill {

const char kMainWindowClass[] = "TVQuillFrame";

namespace {

// The main window always starts here, whatever the system would choose.
const int kStartWidth = 640;
const int kStartHeight = 480;

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

bool CMainFrame::PreTranslateMessage(MSG& message) {
  // An enabled source sees every message first and may claim it.
  if (ProcessEvent(&message)) return true;
  return qfw::MdiFrameWindow::PreTranslateMessage(message);
}

}  // namespace quill
