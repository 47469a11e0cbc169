// The scanner's own modeless dialog, shown while the source is enabled with ShowUI 1: pages in
// the feeder, pixel type, resolution, paper size; "Scan" starts a batch, "Close" asks the
// application to close the source.
#pragma once

#include <windows.h>

namespace tvscan {

class DataSource;

class ScannerDialog {
 public:
  ScannerDialog(HINSTANCE module, HWND owner, DataSource& source);
  ~ScannerDialog();
  ScannerDialog(const ScannerDialog&) = delete;
  ScannerDialog& operator=(const ScannerDialog&) = delete;

  bool valid() const { return window_ != nullptr; }
  bool IsOwnMessage(MSG* message);
  void BatchFinished();

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Init(HWND window);
  void Scan();

  HINSTANCE module_;
  DataSource& source_;
  HWND window_ = nullptr;
};

}  // namespace tvscan
