// What the TWAIN code needs from the application around it: the module its texts come from and
// the main window. Start-up sets both; until then the program file and no window are used.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// The current resource handle: the language library when one is loaded, else the program file.
HINSTANCE ResourceHandle();
void SetResourceHandle(HINSTANCE resources);

// The application's main window of this thread, or none.
HWND ThreadMainWindow();
void SetThreadMainWindow(HWND window);

// The string-table text `id` from the current resource handle; empty when it has none.
std::string LoadText(UINT id);

}  // namespace quill
