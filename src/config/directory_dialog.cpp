#include "config/directory_dialog.h"

#include <commdlg.h>
#include <dlgs.h>

#include "res/config_ids.h"
#include "framework/resources.h"
#include "base/text.h"

namespace quill {
namespace {

// The classic dialog's own controls (dlgs.h): what the picker hides and what it keeps.
const int kFileTypeLabel = stc2;
const int kFileNameLabel = stc3;
const int kCurrentFolder = stc1;
const int kDrivesLabel = stc4;
const int kFileNameEdit = edt1;
const int kFileList = lst1;
const int kFolderList = lst2;
const int kFileTypeList = cmb1;
const int kDriveList = cmb2;
const int kNetworkButton = psh14;

// The placeholder file name that stays in the hidden name field and comes back after the folder.
const char kPlaceholderName[] = "D";

const int kMargin = 8;
const int kFolderListHeight = 115;
const int kButtonGap = 10;
const int kCancelGap = 2;
const int kRightMargin = 20;
// Used when a control the arrangement measures is missing.
const int kDefaultWidth = 194;
const int kDefaultHeight = 168;

// A control's rectangle in its dialog's client coordinates.
bool ClientRect(HWND dialog, int id, RECT& rect) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return false;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return true;
}

// Moves control `id` to (x, y) with its own width and `height` (its own when negative).
// Returns its new rectangle; false when it does not exist.
bool Place(HWND dialog, int id, int x, int y, int height, RECT& placed) {
  RECT rect;
  if (!ClientRect(dialog, id, rect)) return false;
  const int width = rect.right - rect.left;
  if (height < 0) height = rect.bottom - rect.top;
  MoveWindow(GetDlgItem(dialog, id), x, y, width, height, TRUE);
  placed = {x, y, x + width, y + height};
  return true;
}

int FontHeight(HWND dialog) {
  HDC dc = GetDC(dialog);
  if (!dc) return 0;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(dialog, dc);
  return metrics.tmHeight;
}

}  // namespace

DirectoryDialog::DirectoryDialog(const char* initialFolder) {
  if (!initialFolder || !CopyText(initialFolder_, sizeof initialFolder_,
                                  std::string(initialFolder, BoundedLength(initialFolder, sizeof initialFolder_)))) {
    initialFolder_[0] = '\0';
  }
}

bool DirectoryDialog::Run(HWND owner, std::string& folder) {
  char name[MAX_PATH] = "";
  CopyText(name, sizeof name, kPlaceholderName);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.lpstrInitialDir = initialFolder_[0] ? initialFolder_ : nullptr;
  // No OFN_EXPLORER: the classic dialog, whose controls the hook can move.
  dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK;
  dialog.lpfnHook = Hook;
  if (!GetOpenFileNameA(&dialog)) return false;
  folder = name;
  // What remains after the placeholder is the folder with its backslash.
  if (!folder.empty()) folder.pop_back();
  return true;
}

UINT_PTR CALLBACK DirectoryDialog::Hook(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  Arrange(dialog);
  return TRUE;
}

void DirectoryDialog::Arrange(HWND dialog) {
  SetWindowTextA(dialog, qfw::LoadResourceString(IDS_SELECT_DIRECTORY).c_str());
  for (int id : {kFileTypeLabel, -1, kFileNameEdit, kFileList, kFileTypeList}) {
    if (HWND control = GetDlgItem(dialog, id)) ShowWindow(control, SW_HIDE);
  }
  const int line = FontHeight(dialog) + 2;
  RECT window = {};
  GetWindowRect(dialog, &window);
  int frameOffset = 0;
  if (HWND label = GetDlgItem(dialog, kFileNameLabel)) {
    RECT labelRect = {};
    GetWindowRect(label, &labelRect);
    frameOffset = labelRect.top - window.top;
  }

  RECT label = {}, current = {}, folders = {}, drivesLabel = {}, drives = {}, ok = {}, cancel = {}, network = {};
  const bool haveLabel = Place(dialog, kFileNameLabel, kMargin, kMargin, line, label);
  if (haveLabel) SetDlgItemTextA(dialog, kFileNameLabel, qfw::LoadResourceString(IDS_FOLDER_LABEL).c_str());
  const bool haveCurrent = Place(dialog, kCurrentFolder, kMargin, label.bottom, line, current);
  const bool haveFolders = Place(dialog, kFolderList, kMargin, current.bottom, kFolderListHeight, folders);
  const bool haveDrivesLabel = Place(dialog, kDrivesLabel, kMargin, folders.bottom, line, drivesLabel);
  const bool haveDrives = Place(dialog, kDriveList, kMargin, drivesLabel.bottom, -1, drives);
  const bool haveOk = Place(dialog, IDOK, folders.right + kButtonGap, kMargin, -1, ok);
  const bool haveCancel = Place(dialog, IDCANCEL, ok.left, ok.bottom + kCancelGap, -1, cancel);
  Place(dialog, kNetworkButton, drives.right + kButtonGap, drives.top, -1, network);

  const bool complete = haveLabel && haveCurrent && haveFolders && haveDrivesLabel && haveDrives && haveOk && haveCancel;
  const int width = complete ? cancel.right + kRightMargin : kDefaultWidth;
  const int height = complete ? drives.bottom + kMargin : kDefaultHeight;
  SetWindowPos(dialog, nullptr, 0, 0, width, height + frameOffset, SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace quill
