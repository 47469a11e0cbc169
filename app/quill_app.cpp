#include "quill_app.h"

#include <memory>

#include "kestrel_filter.h"
#include "main_frame.h"
#include "quill_doc_template.h"
#include "resource.h"
#include "resources.h"
#include "scan_settings.h"
#include "startup.h"

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

int CQuillApp::ExitInstance() {
  ReleaseProgramFilter();
  if (g_hLanguageLibrary) {
    qfw::SetResourceHandle(nullptr);
    g_hLanguageLibrary.reset();
  }
  return qfw::Application::ExitInstance();
}

}  // namespace quill
