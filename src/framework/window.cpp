#include "framework/window.h"

namespace qfw {
namespace {

bool IsMdiChildCreation(const CREATESTRUCTA& create) {
  if (create.dwExStyle & WS_EX_MDICHILD) return true;
  char className[16] = "";
  return create.hwndParent && GetClassNameA(create.hwndParent, className, sizeof className) &&
         lstrcmpiA(className, "MDIClient") == 0;
}

}  // namespace

Window::~Window() {
  if (handle_) {
    // The window outlives its object only by mistake; unbind first so that no message reaches
    // the half-destroyed object.
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

bool Window::PreTranslateMessage(MSG&) { return false; }

HWND Window::CreateBoundWindow(const CREATESTRUCTA& c) {
  return CreateWindowExA(c.dwExStyle, c.lpszClass, c.lpszName, static_cast<DWORD>(c.style), c.x,
                         c.y, c.cx, c.cy, c.hwndParent, c.hMenu, c.hInstance, this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    self = static_cast<Window*>(create->lpCreateParams);
    // A document window made by its MDI client gets its creation data through the client.
    if (self && IsMdiChildCreation(*create)) {
      self = reinterpret_cast<Window*>(static_cast<MDICREATESTRUCTA*>(create->lpCreateParams)->lParam);
    }
    if (self) {
      self->handle_ = window;
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after unbinding get the default.
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    self->OnWindowGone();
  }
  return result;
}

bool RegisterWindowClass(HINSTANCE instance, const char* className, UINT style, HICON icon,
                         HCURSOR cursor, HBRUSH background) {
  WNDCLASSA wc = {};
  wc.style = style;
  wc.lpfnWndProc = Window::Procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace qfw
