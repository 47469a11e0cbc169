#include "framework/application.h"

#include "framework/framework_ids.h"

namespace qfw {
namespace {

Application* currentApplication = nullptr;

std::string ModulePath(HINSTANCE instance) {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(instance, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  return path;
}

}  // namespace

Application::Application()
    : instance_(GetModuleHandleA(nullptr)), previousApplication_(currentApplication) {
  currentApplication = this;
}

Application::~Application() {
  DestroyMainWindow();
  // A copy that gave up at start-up leaves the one before it current again.
  if (currentApplication == this) currentApplication = previousApplication_;
}

Application* Application::Current() { return currentApplication; }

HWND MainWindowHandle() {
  return currentApplication ? currentApplication->MainWindowHandle() : nullptr;
}

int Application::Execute(HINSTANCE instance, int showCommand) {
  instance_ = instance;
  showCommand_ = showCommand;
  if (!InitInstance()) {
    DestroyMainWindow();
    return ExitInstance();
  }
  RunMessageLoop();
  return ExitInstance();
}

bool Application::InitInstance() { return true; }

void Application::DestroyMainWindow() {
  if (mainWindow_ && mainWindow_->Handle()) DestroyWindow(mainWindow_->Handle());
  mainWindow_.reset();
}

int Application::ExitInstance() {
  if (recentFiles_ && recentFiles_->Changed()) recentFiles_->Write();
  return exitCode_;
}

int Application::RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      exitCode_ = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) {
      exitCode_ = -1;
      break;
    }
    if (PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyMainWindow();
  return exitCode_;
}

bool Application::PreTranslateMessage(MSG& message) {
  return mainWindow_ && mainWindow_->Handle() && mainWindow_->PreTranslateMessage(message);
}

bool Application::OnCommand(UINT id) {
  if (id == ID_APP_EXIT) {
    if (HWND window = MainWindowHandle()) PostMessageA(window, WM_CLOSE, 0, 0);
    return true;
  }
  if (id == ID_FILE_NEW) {
    if (!templates_.empty()) templates_.front()->OpenDocumentFile(nullptr);
    return true;
  }
  return false;
}

bool Application::OpenDocumentFile(const char* path) {
  if (templates_.empty() || !templates_.front()->OpenDocumentFile(path)) return false;
  if (recentFiles_) recentFiles_->Add(path);
  return true;
}

bool Application::SaveAllModified() {
  for (const auto& docTemplate : templates_) {
    if (!docTemplate->SaveAllModified()) return false;
  }
  return true;
}

void Application::CloseAllDocuments() {
  for (const auto& docTemplate : templates_) docTemplate->CloseAllDocuments();
}

void Application::AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate) {
  templates_.push_back(std::move(docTemplate));
}

std::string ProfileNameForModule(const std::string& modulePath) {
  const std::string::size_type slash = modulePath.find_last_of("\\/");
  std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
  const std::string::size_type dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name.empty() ? std::string() : name + ".INI";
}

void Application::LoadStdProfileSettings(std::size_t recentFileCount) {
  profileName_ = ProfileNameForModule(ModulePath(instance_));
  if (profileName_.empty()) return;
  recentFiles_ = std::make_unique<RecentFileList>(profileName_, recentFileCount);
  recentFiles_->Read();
}

}  // namespace qfw
