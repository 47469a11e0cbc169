#include "app/startup.h"

#include <cctype>
#include <cstdio>

#include "app/main_frame.h"
#include "framework/registry.h"
#include "framework/resources.h"
#include "res/string_ids.h"
#include "base/text.h"

namespace quill {
namespace {

const char kFilterLibraryName[] = "KESTREL.DLL";
const char kDefaultFilterFolder[] = "TWAIN_32\\TVDSRC32\\";

bool EndsWithBackslash(const char* text) {
  const std::size_t length = std::char_traits<char>::length(text);
  return length > 0 && text[length - 1] == '\\';
}

bool IsLanguageCode(const std::string& code) {
  if (code.size() != 4) return false;
  for (char c : code) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// "PageCode" when it is stored, else the user's default language. Empty when neither exists.
std::string LanguageLibraryNameForThisUser() {
  const std::string keyPath = qfw::LoadResourceString(IDS_SETTINGS_KEY);
  const std::string valueName = qfw::LoadResourceString(IDS_VALUE_PAGECODE);
  qfw::UniqueRegKey key = qfw::OpenRegistryKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_READ);
  DWORD pageCode = 0;
  if (key && qfw::ReadRegistryNumber(key.get(), valueName.c_str(), pageCode)) {
    return LanguageLibraryName(pageCode);
  }
  char code[8] = "";
  if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTLANGUAGE, code, sizeof code)) {
    return std::string();
  }
  // Anything but four hexadecimal digits would make a different file name.
  return IsLanguageCode(code) ? "TVQU" + std::string(code) + ".DLL" : std::string();
}

void DefaultFilterDirectory(char* buffer, std::size_t size) {
  buffer[0] = '\0';
  const UINT length = GetWindowsDirectoryA(buffer, static_cast<UINT>(size));
  if (length == 0 || length >= size) {
    buffer[0] = '\0';
    return;
  }
  if (!EndsWithBackslash(buffer) && !AppendText(buffer, size, "\\")) return;
  AppendText(buffer, size, kDefaultFilterFolder);
}

// The "Path" value with a backslash at its end; false when it is missing, empty or too long.
bool ConfiguredFilterDirectory(char* folder, std::size_t size) {
  const std::string keyPath = qfw::LoadResourceString(IDS_FILTER_KEY);
  const std::string valueName = qfw::LoadResourceString(IDS_VALUE_FILTER_PATH);
  qfw::UniqueRegKey key = qfw::OpenRegistryKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_READ);
  if (!key || !qfw::ReadRegistryText(key.get(), valueName.c_str(), folder, size)) return false;
  // An empty value would make the root of the current drive the filter folder.
  if (folder[0] == '\0') return false;
  return EndsWithBackslash(folder) || AppendText(folder, size, "\\");
}

}  // namespace

bool IsAnotherInstanceRunning() {
  HWND other = FindWindowA(kMainWindowClass, nullptr);
  if (!other) return false;
  HWND popup = GetLastActivePopup(other);
  BringWindowToTop(other);
  if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
  if (popup && popup != other) BringWindowToTop(popup);
  return true;
}

std::string LanguageLibraryName(DWORD pageCode) {
  char name[16];
  std::snprintf(name, sizeof name, "TVQU%04x.DLL", static_cast<unsigned>(pageCode & 0xFFFF));
  return name;
}

std::string LanguageLibraryPath(const std::string& modulePath, const std::string& libraryName) {
  const std::string::size_type slash = modulePath.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return modulePath.substr(0, slash + 1) + libraryName;
}

qfw::UniqueModule LoadLanguageLibrary() {
  const std::string libraryName = LanguageLibraryNameForThisUser();
  if (libraryName.empty()) return qfw::UniqueModule();
  char modulePath[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
  if (length == 0 || length >= sizeof modulePath) return qfw::UniqueModule();
  const std::string path = LanguageLibraryPath(modulePath, libraryName);
  if (path.empty() || path.size() >= MAX_PATH) return qfw::UniqueModule();
  return qfw::UniqueModule(LoadLibraryA(path.c_str()));
}

void GetFilterDirectory(char* buffer, std::size_t size) {
  if (size == 0) return;
  DefaultFilterDirectory(buffer, size);
  char configured[kFilterPathSize] = "";
  if (ConfiguredFilterDirectory(configured, sizeof configured)) {
    // A folder that does not fit keeps the default rather than naming a cut-off folder.
    const std::string keep = buffer;
    if (!CopyText(buffer, size, configured)) CopyText(buffer, size, keep);
  }
}

std::string FilterLibraryPath() {
  char path[kFilterPathSize];
  GetFilterDirectory(path, sizeof path);
  if (!AppendText(path, sizeof path, kFilterLibraryName)) return std::string();
  return path;
}

}  // namespace quill
