#include "app/quill_app.h"

#include <commdlg.h>

#include <memory>

#include "app/about_dlg.h"
#include "config/config_dialog.h"
#include "filter/kestrel_filter.h"
#include "framework/document.h"
#include "framework/file_dialogs.h"
#include "app/image_info_dlg.h"
#include "app/main_frame.h"
#include "framework/mdi_child.h"
#include "app/quill_doc_template.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "app/startup.h"
#include "image/tiff_reader.h"

namespace quill {
namespace {

// The language library, when one was found; it is the resource handle while it is loaded.
qfw::UniqueModule g_hLanguageLibrary;

const std::size_t kRecentFileCount = 4;

// A library that is missing or incomplete is reported once by the binding itself; the program
// then runs without filter features.
void BindFilterLibrary() {
  char directory[261];
  GetFilterDirectory(directory, sizeof directory);
  BindProgramFilter(directory);
}

}  // namespace

bool CQuillApp::InitInstance() {
  if (IsAnotherInstanceRunning()) return false;

  g_hLanguageLibrary = LoadLanguageLibrary();
  if (g_hLanguageLibrary) qfw::SetResourceHandle(g_hLanguageLibrary.get());
  const HINSTANCE resources = qfw::ResourceHandle();

  BindFilterLibrary();
  LoadStdProfileSettings(kRecentFileCount);

  if (!RegisterMainWindowClass(Instance(), resources)) return false;

  auto docTemplate = std::make_unique<CQuillDocTemplate>();
  docTemplate->Load(resources);
  AddDocTemplate(std::move(docTemplate));

  auto frame = std::make_unique<CMainFrame>();
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr)) {
    return false;
  }
  CMainFrame& mainFrame = *frame;
  SetMainWindow(std::move(frame));

  SetTitle(qfw::LoadResourceString(resources, IDS_APP_TITLE));
  mainFrame.SetTitle(Title());
  DragAcceptFiles(mainFrame.Handle(), TRUE);

  TheSettings().Reset(resources);
  TheSettings().Load(resources);

  ShowWindow(mainFrame.Handle(), ShowCommand());
  UpdateWindow(mainFrame.Handle());

  mainFrame.OnStartupChecks();
  // The command line is not read: start-up opens no file and no empty document.
  return true;
}

std::string UpperCaseExtension(const std::string& path) {
  const std::string name = qfw::FileNamePart(path);
  const std::string::size_type dot = name.find_last_of('.');
  if (dot == std::string::npos) return std::string();
  std::string extension = name.substr(dot + 1);
  CharUpperBuffA(&extension[0], static_cast<DWORD>(extension.size()));
  return extension;
}

bool CQuillApp::OnCommand(UINT id) {
  switch (id) {
    case ID_FILE_OPEN:
      OnFileOpenImage();
      return true;
    case ID_APP_ABOUT:
      OnAppAbout();
      return true;
    case ID_IMAGE_INFORMATION:
      OnImageInformation();
      return true;
    case ID_CONFIGURATION:
      OnConfiguration();
      return true;
    default:
      return qfw::Application::OnCommand(id);
  }
}

// Nothing is touched after either box returns: closing the main window inside the box's loop
// destroys the frame.
void CQuillApp::OnAppAbout() {
  auto* frame = dynamic_cast<CMainFrame*>(MainWindow());
  if (!frame) return;
  CAboutDlg dialog(*frame);
  dialog.DoModal(frame->Handle());
}

void CQuillApp::OnImageInformation() {
  auto* frame = dynamic_cast<CMainFrame*>(MainWindow());
  if (!frame) return;
  CImageInfoDlg dialog(*frame);
  dialog.DoModal(frame->Handle());
}

// Image windows pass the command on to here as well. Only the settings record, which lives for
// the whole run, is touched after the dialog's loop: the main window may have gone inside it.
void CQuillApp::OnConfiguration() {
  auto* frame = dynamic_cast<CMainFrame*>(MainWindow());
  if (!frame) return;
  ConfigDialog dialog;
  dialog.CopyFrom(TheSettings());
  if (dialog.DoModal(frame->Handle()) != IDOK) return;
  dialog.CopyTo(TheSettings());
  TheSettings().Save(qfw::ResourceHandle());
}

void CQuillApp::OnFileOpenImage() {
  auto* frame = dynamic_cast<CMainFrame*>(MainWindow());
  if (!frame) return;
  std::string path;
  if (!qfw::AskOpenFileName(frame->Handle(), "*.bmp", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                            "Bitmap (*.bmp) |*.bmp|TIFF (*.tif) |*.tif|All Files (*.*) |*.*||", path)) {
    return;
  }
  // A TIFF file is read by the TIFF reader; one it cannot read is told and gets no window, as an
  // unreadable bitmap file does. Any other file, also one without an extension, is opened as the
  // bitmap file it is named.
  bool handedOver = false;
  if (UpperCaseExtension(path) == "TIF") {
    GlobalBlock dib = OpenTiffFileToDib(path.c_str());
    handedOver = dib && frame->OnNativeImage(dib.release()) != 0;
  } else {
    handedOver = frame->OnImageFile(path.c_str()) != 0;
  }
  if (!handedOver) return;
  if (qfw::MdiChildWindow* child = frame->ActiveChild()) {
    if (qfw::Document* document = child->GetDocument()) {
      document->SetPathName(path);
      document->SetModified(false);
    }
  }
}

int CQuillApp::ExitInstance() {
  ReleaseProgramFilter();
  if (g_hLanguageLibrary) {
    qfw::SetResourceHandle(nullptr);
    g_hLanguageLibrary.reset();
  }
  return qfw::Application::ExitInstance();
}

}  // namespace quill
