#include "base/text.h"

#include <cstring>

namespace quill {

std::size_t BoundedLength(const char* buffer, std::size_t capacity) {
  const void* end = std::memchr(buffer, 0, capacity);
  return end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : capacity;
}

bool CopyText(char* buffer, std::size_t capacity, std::string_view text) {
  if (capacity == 0) return false;
  if (text.size() >= capacity) {
    buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return true;
}

bool AppendText(char* buffer, std::size_t capacity, std::string_view text) {
  const std::size_t used = BoundedLength(buffer, capacity);
  if (used >= capacity || text.size() >= capacity - used) return false;
  std::memcpy(buffer + used, text.data(), text.size());
  buffer[used + text.size()] = '\0';
  return true;
}

}  // namespace quill
