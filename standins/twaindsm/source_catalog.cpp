#include "twaindsm/source_catalog.h"

#include <algorithm>
#include <cstring>

#include "framework/handles.h"

namespace twaindsm {
namespace {

const char kTwainKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\TWAIN";
const char kDefaultSourceValue[] = "Default Source";
// Sources nested deeper than this are not searched: a link loop must not hang the manager.
constexpr int kMaxFolderDepth = 8;

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool EndsWithDs(const char* name) {
  size_t length = std::strlen(name);
  return length > 3 && lstrcmpiA(name + length - 3, ".ds") == 0;
}

// Asks one source for its identity; false when it does not load or does not answer.
bool ReadIdentity(const std::string& path, const TW_IDENTITY& application, TW_IDENTITY& identity) {
  qfw::UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) return false;
  auto entry = reinterpret_cast<DSENTRYPROC>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "DS_Entry")));
  if (!entry) return false;
  TW_IDENTITY origin = application;
  identity = TW_IDENTITY{};
  if (entry(&origin, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity) != TWRC_SUCCESS) return false;
  identity.Id = 0;
  // A source's texts are distrusted: each ends within its field.
  identity.Manufacturer[sizeof identity.Manufacturer - 1] = '\0';
  identity.ProductFamily[sizeof identity.ProductFamily - 1] = '\0';
  identity.ProductName[sizeof identity.ProductName - 1] = '\0';
  identity.Version.Info[sizeof identity.Version.Info - 1] = '\0';
  return true;
}

void Walk(const std::string& folder, int depth, const TW_IDENTITY& application,
          std::vector<SourceEntry>& found) {
  if (depth > kMaxFolderDepth) return;
  WIN32_FIND_DATAA data;
  qfw::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find.valid()) return;
  struct Item {
    std::string name;
    bool folder;
  };
  std::vector<Item> items;
  do {
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
    bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder || EndsWithDs(data.cFileName)) items.push_back({data.cFileName, is_folder});
  } while (FindNextFileA(find.get(), &data));
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
  });
  for (const Item& item : items) {
    std::string path = folder + "\\" + item.name;
    if (item.folder) {
      Walk(path, depth + 1, application, found);
      continue;
    }
    SourceEntry entry{path, TW_IDENTITY{}};
    if (ReadIdentity(path, application, entry.identity)) found.push_back(std::move(entry));
  }
}

}  // namespace

std::string SourceFolder() {
  char windows[MAX_PATH] = "";
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string folder(windows, length);
  if (folder.back() != '\\') folder += '\\';
  return folder + "twain_32";
}

std::vector<SourceEntry> FindSources(const std::string& folder, const TW_IDENTITY& application) {
  std::vector<SourceEntry> found;
  if (!folder.empty()) Walk(folder, 0, application, found);
  return found;
}

std::string ReadDefaultSourcePath() {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kTwainKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
    return std::string();
  }
  qfw::UniqueRegKey key(raw);
  char path[MAX_PATH + 1] = "";
  DWORD type = 0;
  DWORD size = MAX_PATH;  // one byte stays free for the terminator the value may lack
  if (RegQueryValueExA(key.get(), kDefaultSourceValue, nullptr, &type,
                       reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS ||
      type != REG_SZ || size > MAX_PATH) {
    return std::string();
  }
  path[size] = '\0';
  return path;
}

bool WriteDefaultSourcePath(const std::string& path) {
  HKEY raw = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kTwainKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  qfw::UniqueRegKey key(raw);
  return RegSetValueExA(key.get(), kDefaultSourceValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(path.c_str()),
                        static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS;
}

size_t DefaultSourceIndex(const std::vector<SourceEntry>& sources, const std::string& stored) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (EqualsIgnoringCase(sources[i].path, stored)) return i;
  }
  return 0;
}

size_t FindByProductName(const std::vector<SourceEntry>& sources, const char* product_name) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (std::strncmp(sources[i].identity.ProductName, product_name,
                     sizeof sources[i].identity.ProductName) == 0) {
      return i;
    }
  }
  return sources.size();
}

}  // namespace twaindsm
