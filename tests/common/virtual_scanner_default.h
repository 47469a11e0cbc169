// Tests that start the program, or open the default data source as the program does, run
// against the virtual scanner. They store it as the user's default source for the whole run
// instead of relying on what a prefix happens to hold: a user's machine (and Wine's own 32-bit
// prefix) has other sources, which sort before ours and may not open at all.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace quill_test {

inline std::string VirtualScannerPath() {
  char windows[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return std::string();
  return std::string(windows) + "\\twain_32\\TVDSRC32\\TVSCAN.DS";
}

// The value the source manager remembers the user's choice in: the full path of the .ds file.
inline bool StoreDefaultSource(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\TWAIN",
                      0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool stored = RegSetValueExA(key, "Default Source", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(path.c_str()),
                                     static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return stored;
}

class VirtualScannerAsDefaultSource : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string path = VirtualScannerPath();
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the virtual scanner is not installed at " << path;
    ASSERT_TRUE(StoreDefaultSource(path)) << "the default source could not be stored";
  }
};

}  // namespace quill_test
