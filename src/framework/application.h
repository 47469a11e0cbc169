// The application object: start-up (InitInstance), the message loop, exit (ExitInstance), the
// main window, the document templates, the profile file and the application-level commands.
// One exists per process at a time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/doc_template.h"
#include "framework/recent_file_list.h"
#include "framework/window.h"

namespace qfw {

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  static Application* Current();

  // The whole life of the program: InitInstance, then the message loop when it succeeded, then
  // ExitInstance. Returns the process's exit code.
  int Execute(HINSTANCE instance, int showCommand);

  // Start-up; false ends the process without running the message loop.
  virtual bool InitInstance();
  // Exit; returns the exit code. Runs after the main window is gone.
  virtual int ExitInstance();

  // Runs the message loop until the quit message, then frees the main window.
  int RunMessageLoop();
  // Offers a message to the main window before it is translated and dispatched.
  virtual bool PreTranslateMessage(MSG& message);

  // Commands no window took. The default handles Exit by closing the main window and New by an
  // empty document of the first template.
  virtual bool OnCommand(UINT id);
  // Opens a file (dropped on the main window, chosen from a dialog) through the first document
  // template; a file that opens is added to the recent-file list.
  virtual bool OpenDocumentFile(const char* path);

  HINSTANCE Instance() const { return instance_; }
  int ShowCommand() const { return showCommand_; }

  Window* MainWindow() const { return mainWindow_.get(); }
  HWND MainWindowHandle() const { return mainWindow_ ? mainWindow_->Handle() : nullptr; }
  void SetMainWindow(std::unique_ptr<Window> window) { mainWindow_ = std::move(window); }
  // Destroys the main window (with all its own handling) and then its object.
  void DestroyMainWindow();

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  void AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate);
  // Every document's save question, template by template; false as soon as one says no.
  bool SaveAllModified();
  void CloseAllDocuments();
  const std::vector<std::unique_ptr<DocTemplate>>& DocTemplates() const { return templates_; }

  // The private profile file named after the program, with a recent-file list of
  // `recentFileCount` entries.
  void LoadStdProfileSettings(std::size_t recentFileCount);
  const std::string& ProfileName() const { return profileName_; }
  RecentFileList* RecentFiles() const { return recentFiles_.get(); }

 private:
  HINSTANCE instance_;
  Application* previousApplication_;
  int showCommand_ = SW_SHOWNORMAL;  // until the process's own show state is known
  int exitCode_ = 0;
  std::unique_ptr<Window> mainWindow_;
  std::string title_;
  std::vector<std::unique_ptr<DocTemplate>> templates_;
  std::string profileName_;
  std::unique_ptr<RecentFileList> recentFiles_;
};

// The main window of the running application, or NULL.
HWND MainWindowHandle();

// The program file's name with ".INI" in place of its extension ("TVQUILL.INI"); without a
// folder, the profile functions keep it in the Windows folder.
std::string ProfileNameForModule(const std::string& modulePath);

}  // namespace qfw
