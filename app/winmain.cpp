#include <windows.h>

#include "main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
  if (!quill::RegisterMainWindowClass(instance)) return 1;
  HWND window = quill::CreateMainWindow(instance, instance);
  if (!window) return 1;
  ShowWindow(window, showState);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
