#include "app/main_frame.h"

#include "framework/application.h"
#include "framework/document.h"
#include "framework/mdi_child.h"
#include "framework/message_box.h"
#include "doc/quill_doc.h"
#include "app/quill_doc_template.h"
#include "view/quill_view.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "base/text.h"
#include "framework/wait_cursor.h"
#include "image/win_handles.h"

namespace quill {

const char kMainWindowClass[] = "TVQuillFrame";

namespace {

// The main window always starts here, whatever the system would choose.
const int kStartWidth = 640;
const int kStartHeight = 480;

// The maker-specific data argument type that carries the scanner's inquiry block.
constexpr TW_UINT16 kDatInquiry = DAT_CUSTOMBASE + 1;
const char kOurManufacturer[] = "TALVORN";

// Whether a popup carries any of the commands that must not be chosen while a scan runs.
bool MenuCarriesScannerItems(HMENU menu) {
  for (UINT id : kScannerCommands) {
    if (GetMenuState(menu, id, MF_BYCOMMAND) != UINT(-1)) return true;
  }
  return false;
}

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

void CMainFrame::BuildConnectedScannerText() {
  m_szConnectedScanner[0] = '\0';
  unsigned char block[kInquiryAreaBytes] = {};
  if (!ReadScannerInquiry(block)) return;
  // A name too long for the box's text is cut for the display only.
  const std::string text = DescribeInquiry(block, sizeof block);
  if (!CopyText(m_szConnectedScanner, sizeof m_szConnectedScanner, text)) {
    CopyText(m_szConnectedScanner, sizeof m_szConnectedScanner, text.substr(0, sizeof m_szConnectedScanner - 1));
  }
}

BOOL CMainFrame::ReadScannerInquiry(unsigned char (&block)[kInquiryAreaBytes]) {
  const int startState = TwainState;
  // A scan may be running: what its reports would say must not come from this inquiry.
  const TW_UINT16 returnCode = LastReturnCode;
  const TW_UINT16 conditionCode = LastConditionCode;
  BOOL result = FALSE;
  if (TwainState >= 3 || OpenSourceManager(Handle())) {
    // A record of its own: SourceIdentity addresses the source a running scan has open.
    TW_IDENTITY defaultSource = {};
    if (CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &defaultSource) &&
        std::string(defaultSource.Manufacturer,
                    BoundedLength(defaultSource.Manufacturer, sizeof defaultSource.Manufacturer)) ==
            kOurManufacturer &&
        (TwainState >= 4 || OpenSource())) {
      result = CallSource(DG_CONTROL, kDatInquiry, MSG_GET, block);
    }
  }
  DropToState(startState, Handle());
  LastReturnCode = returnCode;
  LastConditionCode = conditionCode;
  return result;
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

bool CMainFrame::ScannerCommandsAllowed() const { return TwainState <= 1; }

bool CMainFrame::IsBlockedDuringScan(UINT id) const {
  if (ScannerCommandsAllowed()) return false;
  for (UINT item : kScannerCommands) {
    if (item == id) return true;
  }
  return false;
}

bool CMainFrame::OnCommand(UINT id) {
  // Whatever sent it (a menu, a key, a posted message, the configuration dialog's button), a
  // second scan, a source selection, a configuration or an exit must not start inside a scan.
  if (IsBlockedDuringScan(id)) return true;
  static const FrameCommand kCommands[] = {
      {ID_SELECT_SOURCE, &CMainFrame::OnSelectSource},
      {ID_ACQUIRE, &CMainFrame::OnAcquire},
      {ID_CLOSE_ALL, &CMainFrame::OnCloseAll},
      {ID_INQUIRY_CLOSE_ALL, &CMainFrame::OnInquiryCloseAll},
      {ID_FILE_CLOSE, &CMainFrame::OnCloseActive},
      {ID_EDIT_COPY, &CMainFrame::OnEditCopy},
      {ID_EDIT_SELECT_ALL, &CMainFrame::OnEditSelectAll},
      {ID_VIEW_FULLSIZE, &CMainFrame::OnViewFullSize},
      {ID_VIEW_WINDOWSIZE, &CMainFrame::OnViewWindowSize},
      {ID_HELP, &CMainFrame::OnHelp},
      {ID_CONTEXT_HELP, &CMainFrame::OnHelp},
      {ID_HELP_INDEX, &CMainFrame::OnHelp},
      {ID_HELP_USING, &CMainFrame::OnHelp},
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
  if (IsBlockedDuringScan(id)) return;
  switch (id) {
    case ID_SELECT_SOURCE:
      OnSelectSource();
      break;
    case ID_ACQUIRE:
      OnAcquire();
      break;
    case ID_CLOSE_ALL:
      OnCloseAll();
      break;
    case ID_INQUIRY_CLOSE_ALL:
      OnInquiryCloseAll();
      break;
    case ID_FILE_CLOSE:
      OnCloseActive();
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

CQuillView* CMainFrame::ActiveImageView() const {
  qfw::MdiChildWindow* child = ActiveChild();
  return child ? dynamic_cast<CQuillView*>(child->ActiveView()) : nullptr;
}

void CMainFrame::OnCloseAll() {
  qfw::Application* application = qfw::Application::Current();
  bool anyModified = false;
  if (application) {
    for (const auto& docTemplate : application->DocTemplates()) {
      for (const auto& document : docTemplate->Documents()) anyModified |= document->IsModified();
    }
  }
  if (anyModified) {
    const std::string text = qfw::LoadResourceString(IDS_CLOSE_ALL_QUESTION);
    const std::string caption = qfw::LoadResourceString(IDS_APP_TITLE);
    if (qfw::ShowMessageBox(Handle(), text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK) {
      return;
    }
  }
  while (qfw::MdiChildWindow* child = ActiveChild()) {
    qfw::Document* document = child->GetDocument();
    if (!document) break;
    document->OnCloseDocument();
  }
}

void CMainFrame::OnInquiryCloseAll() {
  while (qfw::MdiChildWindow* child = ActiveChild()) {
    auto* document = dynamic_cast<CQuillDoc*>(child->GetDocument());
    if (!document) return;
    const qfw::LifeWatch watch = document->Watch();
    if (!document->ConfirmSaveIfModified()) return;
    if (watch.Alive()) document->OnCloseDocument();
  }
}

void CMainFrame::OnCloseActive() {
  qfw::MdiChildWindow* child = ActiveChild();
  auto* document = child ? dynamic_cast<CQuillDoc*>(child->GetDocument()) : nullptr;
  if (!document) return;
  const qfw::LifeWatch watch = document->Watch();
  if (document->ConfirmSaveIfModified() && watch.Alive()) document->OnCloseDocument();
}

void CMainFrame::OnHelp() {
  // The program's help is its own text: no help viewer needs to be installed. Nothing is touched
  // after the box returns, in case the main window was closed meanwhile.
  const std::string text = qfw::LoadResourceString(IDS_HELP_TEXT);
  const std::string caption = qfw::LoadResourceString(IDS_HELP_CAPTION);
  qfw::ShowMessageBox(Handle(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

void CMainFrame::OnEditSelectAll() {
  if (CQuillView* view = ActiveImageView()) view->SelectAll();
}

void CMainFrame::OnViewFullSize() {
  if (CQuillView* view = ActiveImageView()) view->SwitchToFullSize();
}

void CMainFrame::OnViewWindowSize() {
  if (CQuillView* view = ActiveImageView()) view->SwitchToWindowSize();
}

LRESULT CMainFrame::OnQueryNewPalette() {
  CQuillView* view = ActiveImageView();
  if (!view) return FALSE;
  SendMessageA(view->Handle(), UM_REALIZEPALETTE, reinterpret_cast<WPARAM>(view->Handle()), 0);
  return TRUE;
}

void CMainFrame::OnPaletteChanged() {
  if (CQuillView* view = ActiveImageView()) BroadcastRealizePalette(Handle(), view->Handle());
}

int CMainFrame::OnNativeImage(HGLOBAL dib) {
  GlobalBlock owned(dib);
  HWND previouslyActive = GetActiveWindow();
  qfw::Application* application = qfw::Application::Current();
  auto* docTemplate = application && !application->DocTemplates().empty()
                          ? dynamic_cast<CQuillDocTemplate*>(application->DocTemplates().front().get())
                          : nullptr;
  auto* document = docTemplate ? dynamic_cast<CQuillDoc*>(docTemplate->OpenDocumentFile(nullptr)) : nullptr;
  if (!document) return FALSE;  // the DIB is freed with `owned`
  {
    qfw::WaitCursor wait;
    if (owned) {
      docTemplate->SetImageTitle(*document);
      document->AdoptDib(owned.release());
      document->UpdateDibInfo();
      if (!document->Views().empty()) {
        auto* view = static_cast<CQuillView*>(document->Views().front());
        view->SetScrollSizes({document->ImageWidth, document->ImageHeight});
        view->FitFrameToImage();
        document->SetModified(TheSettings().Destination == kToDisplay);
        SendMessageA(view->Handle(), UM_REALIZEPALETTE, reinterpret_cast<WPARAM>(view->Handle()), 0);
      }
      document->UpdateAllViews(nullptr);
    }
  }
  SetActiveWindow(previouslyActive);
  return TRUE;
}

int CMainFrame::OnImageFile(const char* path) {
  qfw::Application* application = qfw::Application::Current();
  auto* docTemplate = application && !application->DocTemplates().empty()
                          ? dynamic_cast<CQuillDocTemplate*>(application->DocTemplates().front().get())
                          : nullptr;
  qfw::Document* document = docTemplate ? docTemplate->OpenDocumentFile(path) : nullptr;
  if (!document) return FALSE;
  qfw::WaitCursor wait;
  docTemplate->SetImageTitle(*document);
  document->SetPathName(document->Title(), false);  // a name, not a file to reopen
  document->SetModified(TheSettings().Destination == kToDisplay);
  return TRUE;
}

void CMainFrame::EnableScannerItems(HMENU menu, bool enabled) {
  const UINT state = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
  if (menu) {
    for (UINT id : kScannerCommands) EnableMenuItem(menu, id, state);
  }
  if (HMENU systemMenu = GetSystemMenu(Handle(), FALSE)) {
    EnableMenuItem(systemMenu, SC_CLOSE, state);
  }
}

void CMainFrame::OnInitMenuPopup(HMENU popup, UINT, bool isSystemMenu) {
  // Found by its items, not by its position: a maximised image window puts its system menu
  // first in the menu bar, and File moves to the second place.
  if (!isSystemMenu && !MenuCarriesScannerItems(popup)) return;
  // Above state 1 the source manager is loaded: an acquisition is under way.
  EnableScannerItems(popup, ScannerCommandsAllowed());
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0);
      return 0;
    case WM_QUERYNEWPALETTE:
      return OnQueryNewPalette();
    case WM_PALETTECHANGED: {
      const LRESULT result = qfw::MdiFrameWindow::HandleMessage(message, wParam, lParam);
      OnPaletteChanged();
      return result;
    }
  }
  return qfw::MdiFrameWindow::HandleMessage(message, wParam, lParam);
}

bool CMainFrame::PreTranslateMessage(MSG& message) {
  // An enabled source sees every message first and may claim it.
  if (ProcessEvent(&message)) return true;
  return qfw::MdiFrameWindow::PreTranslateMessage(message);
}

}  // namespace quill
