#include "tests/unit/test_support.h"

#include <gtest/gtest.h>

#include "framework/handles.h"
#include "tests/common/test_files.h"

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
  HKEY raw = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                      nullptr) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot create the key " << keyPath;
    return;
  }
  qfw::UniqueRegKey key(raw);
  if (RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) !=
      ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot set the value " << name << " of " << keyPath;
  }
}

void SetNumberValue(const char* keyPath, const char* name, DWORD value) {
  SetRawValue(keyPath, name, REG_DWORD, &value, sizeof value);
}

void DeleteValue(const char* keyPath, const char* name) {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) return;
  qfw::UniqueRegKey key(raw);
  const LONG result = RegDeleteValueA(key.get(), name);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
    ADD_FAILURE() << "cannot delete the value " << name << " of " << keyPath;
  }
}

int CountMainWindows() { return CountTopLevelWindows("TVQuillFrame", false); }

}  // namespace quill_test
