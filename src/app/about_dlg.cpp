#include "app/about_dlg.h"

#include <windowsx.h>

#include <cstdio>
#include <string>

#include "app/main_frame.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "image/win_handles.h"

namespace quill {
namespace {

// Client size in pixels of a dialog's control; the marker controls carry positions this way.
SIZE ControlSize(HWND dialog, int id) {
  RECT rect = {0, 0, 0, 0};
  if (HWND control = GetDlgItem(dialog, id)) GetClientRect(control, &rect);
  return {rect.right, rect.bottom};
}

std::string VersionText(bool withBuild) {
  char number[40];
  if (withBuild) {
    std::snprintf(number, sizeof number, "%u.%u.%u", kVersionMajor, kVersionMinor, kVersionBuild);
  } else {
    std::snprintf(number, sizeof number, "%u.%u", kVersionMajor, kVersionMinor);
  }
  return qfw::LoadResourceString(IDS_VERSION_PREFIX) + number;
}

}  // namespace

CAboutDlg::CAboutDlg(CMainFrame& frame) : InfoBox(IDD_ABOUTBOX), frame_(&frame) {}

INT_PTR CAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(Handle());
      return TRUE;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(Handle(), wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;  // and on to the default handling
  }
  return FALSE;
}

BOOL CAboutDlg::OnInitDialog() {
  const HWND dialog = Handle();
  std::string scanner;
  if (frame_ && g_bFrameAlive == 1) {
    frame_->BuildConnectedScannerText();
    scanner = frame_->m_szConnectedScanner;
  }
  frame_ = nullptr;
  SetDlgItemTextA(dialog, IDC_VERSION, VersionText(false).c_str());
  if (scanner.empty()) scanner = qfw::LoadResourceString(IDS_UNKNOWN_SCANNER);
  SetDlgItemTextA(dialog, IDC_CONNECTED_SCANNER, scanner.c_str());
  return TRUE;
}

void CAboutDlg::OnPaint(HWND dialog) {
  PaintDc dc(dialog);
  // The marker's size is the label's position: the line runs 8 pixels above the label, as wide
  // as it, whatever the dialog font makes of the dialog units.
  const SIZE origin = ControlSize(dialog, IDC_LABEL_MARKER);
  const SIZE label = ControlSize(dialog, IDC_CONNECTED_LABEL);
  ScopedPen pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  ScopedSelection selected(dc.get(), pen.get());
  MoveToEx(dc.get(), origin.cx, origin.cy - 8, nullptr);
  LineTo(dc.get(), origin.cx + label.cx, origin.cy - 8);
}

void CAboutDlg::OnLButtonDblClk(HWND dialog, WPARAM flags, POINT point) {
  if ((flags & MK_SHIFT) == 0 || (flags & MK_CONTROL) == 0) return;
  const SIZE origin = ControlSize(dialog, IDC_ICON_MARKER);
  const SIZE icon = ControlSize(dialog, IDC_ABOUT_ICON);
  const bool onIcon = point.x > origin.cx && point.x < origin.cx + icon.cx && point.y > origin.cy &&
                      point.y < origin.cy + icon.cy;
  if (onIcon) SetDlgItemTextA(dialog, IDC_VERSION, VersionText(true).c_str());
}

}  // namespace quill
