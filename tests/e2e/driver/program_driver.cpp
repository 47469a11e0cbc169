#include "tests/e2e/driver/program_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "framework/framework_ids.h"
#include "res/resource.h"
#include "tests/common/test_files.h"

namespace e2e {
namespace {

const char kMainWindowClass[] = "TVQuillFrame";
const char kDialogClass[] = "#32770";
const char kMenuProbeDll[] = "quill_menu_probe.dll";

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct TopLevelSearch {
  DWORD pid;
  const char* className;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  if (ProcessOf(window) != search->pid || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != search->className) return TRUE;
  if (search->caption && WindowText(window) != *search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(DWORD pid, const char* className, const std::string* caption) {
  TopLevelSearch search{pid, className, caption, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string ModuleFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace

int CountMainWindows() { return quill_test::CountTopLevelWindows(kMainWindowClass, true); }

std::string InstalledProgramPath() {
  return "C:\\Program Files\\TVQuill\\TVQUILL.EXE";
}

std::string WindowText(HWND window) {
  // WM_GETTEXT works across processes for controls too, where GetWindowText does not.
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(copied));
  return text;
}

ProgramDriver::ProgramDriver(std::string programPath) : programPath_(std::move(programPath)) {}

ProgramDriver::~ProgramDriver() {
  if (probeHook_) UnhookWindowsHookEx(probeHook_);
  if (probeModule_) FreeLibrary(probeModule_);
  if (process_.hProcess) {
    if (IsRunning()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

bool ProgramDriver::Start(DWORD timeoutMs) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + programPath_ + "\"";
  if (!arguments_.empty()) commandLine += " " + arguments_;
  const std::string folder = programPath_.substr(0, programPath_.find_last_of('\\'));
  if (!CreateProcessA(programPath_.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process_)) {
    return false;
  }
  return WaitForMainWindow(timeoutMs);
}

bool ProgramDriver::Launch() { return Start(0) || IsRunning(); }

bool ProgramDriver::WaitForMainWindow(DWORD timeoutMs) {
  WaitFor([&] { return (mainWindow_ = FindMainWindow()) != nullptr || !IsRunning(); }, timeoutMs);
  return mainWindow_ != nullptr;
}

bool ProgramDriver::WaitUntilIdle(DWORD timeoutMs) const {
  DWORD_PTR result = 0;
  return mainWindow_ &&
         SendMessageTimeoutA(mainWindow_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

HWND ProgramDriver::FindMainWindow() const {
  return FindTopLevel(process_.dwProcessId, kMainWindowClass, nullptr);
}

bool ProgramDriver::IsRunning() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void ProgramDriver::PostCommand(UINT commandId) const {
  PostMessageA(mainWindow_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

HWND ProgramDriver::WaitForDialog(const std::string& caption, DWORD timeoutMs) const {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindTopLevel(process_.dwProcessId, kDialogClass, &caption)); },
          timeoutMs);
  return dialog;
}

HWND ProgramDriver::FindAnyDialog() const {
  return FindTopLevel(process_.dwProcessId, kDialogClass, nullptr);
}

std::vector<std::string> ProgramDriver::DialogTexts(HWND dialog) const {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
    std::string text = WindowText(child);
    if (!text.empty()) texts.push_back(std::move(text));
  }
  return texts;
}

bool ProgramDriver::PressButton(HWND dialog, int buttonId, bool waitUntilClosed) const {
  HWND button = GetDlgItem(dialog, buttonId);
  if (!button) return false;
  // Posted, not sent: the click may open another modal window, which would block a sender.
  PostMessageA(button, BM_CLICK, 0, 0);
  if (!waitUntilClosed) return true;
  return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
}

std::string ExeFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

HWND FindDescendant(HWND parent, const char* className) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_stricmp(ClassOf(child).c_str(), className) == 0) return child;
    if (HWND found = FindDescendant(child, className)) return found;
  }
  return nullptr;
}

bool ContainsText(const std::vector<std::string>& texts, const std::string& wanted) {
  for (const std::string& text : texts) {
    if (text.find(wanted) != std::string::npos) return true;
  }
  return false;
}

bool ProgramDriver::AnswerReport(const std::string& text, DWORD timeoutMs) const {
  HWND report = nullptr;
  WaitFor([&] { return (report = FindAnyDialog()) != nullptr; }, timeoutMs);
  if (!report) return false;
  const std::vector<std::string> texts = DialogTexts(report);
  if (std::find(texts.begin(), texts.end(), text) == texts.end()) return false;
  return PressButton(report, IDOK);
}

bool ProgramDriver::OpenThroughTheDialog(const std::string& path) const {
  PostCommand(ID_FILE_OPEN);
  return AnswerFileDialog("Open", path);
}

bool ProgramDriver::AnswerFileDialog(const char* caption, const std::string& path) const {
  // The file name field: a plain edit in the old dialog, an edit inside a combo box in the new.
  const int kFileNameEdit = 0x480;
  const int kFileNameCombo = 0x47c;
  HWND dialog = WaitForDialog(caption);
  if (!dialog) return false;
  bool typed = SetEditText(dialog, kFileNameEdit, path);
  if (!typed) {
    HWND combo = GetDlgItem(dialog, kFileNameCombo);
    HWND edit = combo ? FindDescendant(combo, "Edit") : nullptr;
    typed = edit && SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  return typed && PressButton(dialog, IDOK);
}

bool ProgramDriver::SetEditText(HWND dialog, int editId, const std::string& text) const {
  HWND edit = GetDlgItem(dialog, editId);
  return edit && SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ProgramDriver::SelectListLine(HWND dialog, int listId, const std::string& text) const {
  HWND list = GetDlgItem(dialog, listId);
  if (!list) return false;
  const LRESULT index =
      SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  return index != LB_ERR && SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0) == index;
}

std::vector<std::string> ProgramDriver::MdiChildTitles() const {
  std::vector<std::string> titles;
  HWND client = FindWindowExA(mainWindow_, nullptr, "MDIClient", nullptr);
  if (!client) return titles;
  for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    titles.push_back(WindowText(child));
  }
  return titles;
}

bool ProgramDriver::InstallMenuProbe() {
  if (probeHook_) return true;
  probeModule_ = LoadLibraryA((ModuleFolder() + kMenuProbeDll).c_str());
  if (!probeModule_) return false;
  // Through void*: FARPROC and HOOKPROC are different function types.
  auto hook = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(probeModule_, "MenuProbeHook")));
  if (!hook) return false;
  const DWORD thread = GetWindowThreadProcessId(mainWindow_, nullptr);
  probeHook_ = SetWindowsHookExA(WH_CALLWNDPROC, hook, probeModule_, thread);
  return probeHook_ != nullptr;
}

int ProgramDriver::MenuItemState(UINT commandId, bool systemMenu) {
  return QueryMenuProbe(commandId, systemMenu ? kProbeSystemMenu : kProbeMenuBar);
}

int ProgramDriver::OpenedMenuItemState(UINT commandId) {
  return QueryMenuProbe(commandId, kProbeOpenedPopup);
}

int ProgramDriver::QueryMenuProbe(UINT commandId, LPARAM which) {
  // A probe that cannot answer must not look like an item missing from the menu.
  if (!InstallMenuProbe()) {
    ADD_FAILURE() << "the menu probe " << kMenuProbeDll << " could not be installed in the program";
    return -1;
  }
  static const UINT query = RegisterWindowMessageA("QuillTest.MenuItemState");
  DWORD_PTR state = 0;
  if (!SendMessageTimeoutA(mainWindow_, query, commandId, which, SMTO_NORMAL, 5000,
                           &state)) {
    ADD_FAILURE() << "the menu probe did not answer for command " << commandId;
    return -1;
  }
  return static_cast<int>(static_cast<UINT>(state));
}

bool ProgramDriver::Close(DWORD timeoutMs, DWORD* exitCode) {
  PostMessageA(mainWindow_, WM_CLOSE, 0, 0);
  return WaitForExit(timeoutMs, exitCode);
}

HWND ProgramDriver::AcquireAndWaitForDialog(const std::string& caption, DWORD timeoutMs) const {
  PostCommand(ID_ACQUIRE);
  return WaitForDialog(caption, timeoutMs);
}

::testing::AssertionResult ProgramDriver::ClosesAllImagesWithoutAsking(DWORD timeoutMs) {
  PostCommand(ID_CLOSE_ALL);
  if (!WaitFor([&] { return MdiChildTitles().empty(); }, timeoutMs)) {
    if (FindAnyDialog()) return ::testing::AssertionFailure() << "Close All asked a question";
    return ::testing::AssertionFailure() << "image windows stayed open after Close All";
  }
  if (FindAnyDialog()) return ::testing::AssertionFailure() << "a dialog is up after Close All";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramDriver::ClosesCleanly(DWORD timeoutMs) {
  DWORD exitCode = 1;
  if (!Close(timeoutMs, &exitCode)) {
    return ::testing::AssertionFailure() << "the program did not end within " << timeoutMs << " ms of being closed";
  }
  if (exitCode != 0) return ::testing::AssertionFailure() << "the program ended with exit code " << exitCode;
  return ::testing::AssertionSuccess();
}

bool ProgramDriver::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_.hProcess, exitCode);
  return true;
}

}  // namespace e2e
