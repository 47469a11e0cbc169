// Drives the installed program from a second process, as a user would: starts it, finds its
// windows, posts commands, answers its dialogs and message boxes, reads its menus, ends it.
// Every wait polls with a timeout; nothing sleeps a fixed time.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Where the set-up installs the program inside the Wine prefix.
std::string InstalledProgramPath();

// Text of any window (title of a top-level window, text of a control).
std::string WindowText(HWND window);

// The folder of the running test executable, ending in a backslash.
std::string ExeFolder();

// The first window of `className` below `parent`, at any level.
HWND FindDescendant(HWND parent, const char* className);

// Whether one of a dialog's texts (ProgramDriver::DialogTexts) holds `wanted` anywhere in it.
bool ContainsText(const std::vector<std::string>& texts, const std::string& wanted);

// Visible top-level windows of the program's main window class, in any process.
int CountMainWindows();

// Polls `condition` every 20 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
}

class ProgramDriver {
 public:
  explicit ProgramDriver(std::string programPath = InstalledProgramPath());
  ~ProgramDriver();  // a program still running is ended the hard way
  ProgramDriver(const ProgramDriver&) = delete;
  ProgramDriver& operator=(const ProgramDriver&) = delete;

  // Arguments put on the program's command line after its name (none by default).
  void SetArguments(std::string arguments) { arguments_ = std::move(arguments); }
  // Starts the program and waits until its main window (class "TVQuillFrame") is visible.
  // False when the window did not appear, also when the program ended first.
  bool Start(DWORD timeoutMs = 30000);
  // Starts the program without waiting for its main window: for messages shown before it.
  bool Launch();
  // Waits until the main window is visible (or the program ended).
  bool WaitForMainWindow(DWORD timeoutMs = 30000);
  // Waits until the program's message loop answers: start-up, with any message it showed on
  // the way, is over. False when no answer came in time.
  bool WaitUntilIdle(DWORD timeoutMs = 10000) const;
  HWND MainWindow() const { return mainWindow_; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  bool IsRunning() const;

  // WM_COMMAND to the main window, as a menu choice would send it.
  void PostCommand(UINT commandId) const;

  // A visible dialog (#32770: dialogs and message boxes) of the program whose title is
  // `caption`; NULL when none appeared in time.
  HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000) const;
  // Any visible dialog of the program; NULL when none.
  HWND FindAnyDialog() const;
  // File > Acquire, then waits for the dialog it brings up (the scanner's, a report); null if none.
  HWND AcquireAndWaitForDialog(const std::string& caption, DWORD timeoutMs = 10000) const;
  // The static texts of a dialog in creation order (a message box's text is among them).
  std::vector<std::string> DialogTexts(HWND dialog) const;
  // Presses a button of a dialog (BM_CLICK), then waits until the dialog is gone when
  // `waitUntilClosed` is set. False when the button does not exist or the dialog stayed.
  bool PressButton(HWND dialog, int buttonId, bool waitUntilClosed = true) const;
  // Waits for any dialog of the program (a report shown without an owner has the system's
  // caption), checks that one of its texts is exactly `text` and presses OK. False when none
  // showed within `timeoutMs`, it said something else (it is left open then) or it stayed.
  bool AnswerReport(const std::string& text, DWORD timeoutMs = 10000) const;
  bool SetEditText(HWND dialog, int editId, const std::string& text) const;
  // Selects the line `text` of a list box of a dialog. False when the list has no such line.
  bool SelectListLine(HWND dialog, int listId, const std::string& text) const;
  // Types `path` into the program's common file dialog titled `caption` ("Open", "Save As")
  // and presses its OK button.
  bool AnswerFileDialog(const char* caption, const std::string& path) const;
  // File > Open with `path` typed into its dialog.
  bool OpenThroughTheDialog(const std::string& path) const;

  // Titles of the image windows inside the main window's MDI client, in z-order.
  std::vector<std::string> MdiChildTitles() const;

  // GetMenuState of a command in the main window's current menu (or its system menu), read
  // inside the program by the probe hook. -1 when the item does not exist; a probe that cannot
  // be installed or does not answer fails the running test (and also gives -1).
  int MenuItemState(UINT commandId, bool systemMenu = false);
  // The same for the menu bar's popup that holds the command, as it shows when the user opens
  // it: the program first handles the WM_INITMENUPOPUP that opening it sends.
  int OpenedMenuItemState(UINT commandId);

  // Closes the main window and waits for the process to end. False when it did not end in time.
  bool Close(DWORD timeoutMs, DWORD* exitCode);
  // Window > Close All, which must close every image window without a question: for tests whose
  // images are all unmodified (new, or opened from files; not scanned).
  ::testing::AssertionResult ClosesAllImagesWithoutAsking(DWORD timeoutMs = 10000);
  // Closes the main window and requires the process to end in time with exit code 0: the end
  // of most tests, where anything else (a question left up, a crash on the way out) is a fault.
  ::testing::AssertionResult ClosesCleanly(DWORD timeoutMs = 10000);
  // Waits for the process to end by itself.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

 private:
  // What the probe reads (its lParam): the menu bar, the system menu, an opened popup.
  static constexpr LPARAM kProbeMenuBar = 0;
  static constexpr LPARAM kProbeSystemMenu = 1;
  static constexpr LPARAM kProbeOpenedPopup = 2;
  int QueryMenuProbe(UINT commandId, LPARAM which);
  bool InstallMenuProbe();
  HWND FindMainWindow() const;

  std::string programPath_;
  std::string arguments_;
  PROCESS_INFORMATION process_{};
  HWND mainWindow_ = nullptr;
  HMODULE probeModule_ = nullptr;
  HHOOK probeHook_ = nullptr;
};

}  // namespace e2e
