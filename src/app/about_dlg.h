// The About box: the program's version and the scanner that is connected, asked afresh each
// time the box opens.
#pragma once

#include <windows.h>

namespace quill {

class CMainFrame;

// The program's version; the build number shows only after the hidden gesture.
constexpr unsigned kVersionMajor = 5;
constexpr unsigned kVersionMinor = 6;
constexpr unsigned kVersionBuild = 1;

class CAboutDlg {
 public:
  explicit CAboutDlg(CMainFrame& frame) : frame_(&frame) {}
  CAboutDlg(const CAboutDlg&) = delete;
  CAboutDlg& operator=(const CAboutDlg&) = delete;

  // Shows dialog resource 100 modally over `owner`.
  INT_PTR DoModal(HWND owner);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog(HWND dialog);
  void OnPaint(HWND dialog);
  void OnLButtonDblClk(HWND dialog, WPARAM flags, POINT point);

  // Only read while the box is being set up: the frame may be gone once the box's loop runs.
  CMainFrame* frame_;
};

}  // namespace quill
