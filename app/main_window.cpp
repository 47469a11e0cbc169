#include "main_window.h"

#include "resource.h"

namespace quill {

const char kMainWindowClass[] = "TVQuillFrame";

namespace {

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_APP_EXIT) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW);
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, HINSTANCE resources) {
  char title[128] = "";
  LoadStringA(resources, IDS_APP_TITLE, title, sizeof title);
  HMENU menu = LoadMenuA(resources, MAKEINTRESOURCEA(IDR_MAINFRAME));
  if (!menu) return nullptr;
  HWND window = CreateWindowExA(0, kMainWindowClass, title, WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                nullptr, menu, instance, nullptr);
  if (!window) DestroyMenu(menu);
  return window;
}

}  // namespace quill
