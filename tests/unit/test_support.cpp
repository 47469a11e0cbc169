#include "test_support.h"

namespace quill_test {

const char kSettingsKey[] = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\OPTION\\UTY";
const char kFilterKey[] = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\4.5\\KESTREL";

void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

void DeleteKey(const char* path) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, path); }

void SetRawValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

void SetNumberValue(const char* keyPath, const char* name, DWORD value) {
  SetRawValue(keyPath, name, REG_DWORD, &value, sizeof value);
}

void DeleteValue(const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

namespace {

BOOL CALLBACK CountIfMainWindow(HWND window, LPARAM param) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "TVQuillFrame") == 0) ++*reinterpret_cast<int*>(param);
  return TRUE;
}

}  // namespace

int CountMainWindows() {
  int count = 0;
  EnumWindows(CountIfMainWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace quill_test
