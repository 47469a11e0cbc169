#include "framework/resources.h"

#include <vector>

namespace qfw {
namespace {

HINSTANCE currentResources = nullptr;

}  // namespace

HINSTANCE ResourceHandle() {
  return currentResources ? currentResources : GetModuleHandleA(nullptr);
}

void SetResourceHandle(HINSTANCE resources) { currentResources = resources; }

std::string LoadResourceString(UINT id) {
  const std::string text = LoadResourceString(ResourceHandle(), id);
  // An older language library, or another maker's, lacks the texts added since it was made:
  // the program's own table has every one, so no message comes up empty.
  if (!text.empty() || !currentResources) return text;
  return LoadResourceString(GetModuleHandleA(nullptr), id);
}

std::string LoadResourceString(HINSTANCE resources, UINT id) {
  // A string-table entry holds at most 65535 characters; grow until the text is not cut.
  for (int capacity = 256; capacity <= 0x10000; capacity *= 4) {
    std::vector<char> buffer(static_cast<size_t>(capacity));
    const int length = LoadStringA(resources, id, buffer.data(), capacity);
    if (length <= 0) return std::string();
    if (length < capacity - 1) return std::string(buffer.data(), static_cast<size_t>(length));
  }
  return std::string();
}

}  // namespace qfw
