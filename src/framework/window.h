// The base of every window of the framework: a C++ object bound to its window for the window's
// whole life, receiving its messages through one virtual handler.
#pragma once

#include <windows.h>

namespace qfw {

class Window {
 public:
  Window() = default;
  virtual ~Window();  // destroys the window when it still exists
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

  // Offered every message of the message loop before it is translated and dispatched; true
  // means the message was consumed.
  virtual bool PreTranslateMessage(MSG& message);

  // The framework's window procedure: register window classes with it.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // CreateWindowEx with this object as the creation parameter, so that it is bound from
  // WM_NCCREATE on. Returns the window or NULL.
  HWND CreateBoundWindow(const CREATESTRUCTA& create);

  // Handles one message; the default is DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the last message (WM_NCDESTROY), when the handle is already gone.
  virtual void OnWindowGone() {}

 private:
  HWND handle_ = nullptr;
};

// Registers a window class served by Window::Procedure. A class of that name that this process
// registered before counts as registered.
bool RegisterWindowClass(HINSTANCE instance, const char* className, UINT style, HICON icon,
                         HCURSOR cursor, HBRUSH background);

}  // namespace qfw
