// The program's main window: class registration and creation.
#pragma once
#include <windows.h>

namespace quill {

extern const char kMainWindowClass[];

// Registers the main window class; false when registration fails.
bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window with the menu and title from the resources of `resources`.
// Returns NULL on failure.
HWND CreateMainWindow(HINSTANCE instance, HINSTANCE resources);

}  // namespace quill
