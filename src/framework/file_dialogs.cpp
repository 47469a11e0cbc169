#include "framework/file_dialogs.h"

#include <commdlg.h>

#include <utility>
#include <vector>

#include "framework/application.h"
#include "framework/message_box.h"
#include "framework/resources.h"

namespace qfw {
namespace {

// "|" separates the parts of a filter in resources and code; the dialog wants zeros.
std::vector<char> DialogFilter(const char* filter) {
  std::vector<char> parts(filter, filter + lstrlenA(filter));
  for (char& c : parts) {
    if (c == '|') c = '\0';
  }
  parts.push_back('\0');
  parts.push_back('\0');
  return parts;
}

class SystemFileDialog : public FileDialogPresenter {
 public:
  bool Ask(HWND owner, bool open, const char* defaultExtension, const std::string& proposedName,
           DWORD flags, const char* filter, std::string& path) override {
    char name[MAX_PATH] = "";
    // A proposal that does not fit is not offered at all rather than cut to another name.
    if (proposedName.size() < sizeof name) lstrcpynA(name, proposedName.c_str(), sizeof name);
    std::vector<char> filterText = DialogFilter(filter);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterText.data();
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.Flags = flags;
    // The dialog wants the extension without its dot.
    if (defaultExtension && *defaultExtension == '.') ++defaultExtension;
    dialog.lpstrDefExt = defaultExtension;
    const BOOL chosen = open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (!chosen) return false;
    path = name;
    return true;
  }
};

SystemFileDialog g_systemDialog;
FileDialogPresenter* g_presenter = &g_systemDialog;

}  // namespace

bool AskSaveFileName(HWND owner, const char* defaultExtension, const std::string& proposedName,
                     const char* filter, std::string& path) {
  return g_presenter->Ask(owner, false, defaultExtension, proposedName,
                          OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, filter, path);
}

bool AskOpenFileName(HWND owner, const char* defaultExtension, DWORD flags, const char* filter,
                     std::string& path) {
  return g_presenter->Ask(owner, true, defaultExtension, std::string(), flags, filter, path);
}

bool AskOpenFileName(HWND owner, const char* defaultExtension, const std::string& proposedName,
                     DWORD flags, const char* filter, std::string& path) {
  return g_presenter->Ask(owner, true, defaultExtension, proposedName, flags, filter, path);
}

FileDialogPresenter* ExchangePresenter(FileDialogPresenter* replacement) {
  return std::exchange(g_presenter, replacement);
}

void ReportFileError(DWORD error, const char* path, UINT defaultMessageId) {
  std::string text;
  char* system = nullptr;
  if (error != ERROR_SUCCESS &&
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&system), 0, nullptr) &&
      system) {
    text = std::string(path ? path : "") + "\n" + system;
    LocalFree(system);
  } else {
    text = LoadResourceString(defaultMessageId);
  }
  ShowMessageBox(MainWindowHandle(), text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace qfw
