// The image information dialog: size, bit depth and storage size of the active image.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

class CMainFrame;

// " N KB" for a storage size of `bytes`, whole kilobytes of 1000 bytes rounded up.
std::string StorageSizeText(unsigned long bytes);

class CImageInfoDlg {
 public:
  explicit CImageInfoDlg(CMainFrame& frame) : frame_(&frame) {}
  CImageInfoDlg(const CImageInfoDlg&) = delete;
  CImageInfoDlg& operator=(const CImageInfoDlg&) = delete;

  // Shows dialog resource 102 modally over `owner`.
  INT_PTR DoModal(HWND owner);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog(HWND dialog);

  // Only read while the dialog is being set up: the frame may be gone once the dialog's loop runs.
  CMainFrame* frame_;
};

}  // namespace quill
