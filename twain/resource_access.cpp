#include "resource_access.h"

namespace quill {
namespace {

HINSTANCE currentResources = nullptr;
HWND mainWindow = nullptr;

}  // namespace

HINSTANCE ResourceHandle() {
  return currentResources ? currentResources : GetModuleHandleA(nullptr);
}

void SetResourceHandle(HINSTANCE resources) { currentResources = resources; }

HWND ThreadMainWindow() { return mainWindow; }

void SetThreadMainWindow(HWND window) { mainWindow = window; }

std::string LoadText(UINT id) {
  // Texts of the string table are short; LoadStringA cuts a longer one at the buffer's end.
  char text[4096];
  const int length = LoadStringA(ResourceHandle(), id, text, sizeof text);
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace quill
