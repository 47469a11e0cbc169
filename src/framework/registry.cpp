#include "framework/registry.h"

#include <cstring>
#include <vector>

namespace qfw {

UniqueRegKey OpenRegistryKey(HKEY root, const char* path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return UniqueRegKey();
  return UniqueRegKey(key);
}

UniqueRegKey OpenOrCreateRegistryKey(HKEY root, const char* path, REGSAM access) {
  UniqueRegKey key = OpenRegistryKey(root, path, access);
  if (key) return key;
  HKEY created = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &created,
                      nullptr) != ERROR_SUCCESS) {
    return UniqueRegKey();
  }
  return UniqueRegKey(created);
}

bool ReadRegistryNumber(HKEY key, const char* name, DWORD& value) {
  BYTE data[sizeof(DWORD)] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
  // A shorter value would leave bytes of the field undefined.
  if (size != sizeof data) return false;
  std::memcpy(&value, data, sizeof value);
  return true;
}

bool ReadRegistryText(HKEY key, const char* name, char* buffer, std::size_t capacity) {
  if (capacity == 0 || capacity > MAXDWORD) return false;
  std::vector<char> scratch(capacity);
  DWORD size = static_cast<DWORD>(capacity);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(scratch.data()),
                       &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  // Texts are stored without a terminator, but tools that write one must not lose the last
  // character that fits: a full-size value is taken only when its last byte is that terminator.
  if (size >= capacity && !(size == capacity && scratch[capacity - 1] == '\0')) return false;
  const std::size_t length = size < capacity ? size : capacity - 1;
  std::memcpy(buffer, scratch.data(), length);
  buffer[length] = '\0';
  return true;
}

bool WriteRegistryNumber(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

bool WriteRegistryText(HKEY key, const char* name, const char* text) {
  // The system counts a terminator that directly follows the data as part of the value. A
  // copy followed by a non-zero byte keeps the value to exactly the text's characters.
  const std::size_t length = std::strlen(text);
  std::vector<char> data(text, text + length);
  data.push_back('\x01');
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(length)) == ERROR_SUCCESS;
}

}  // namespace qfw
