#include "config/dialog_support.h"

#include <vector>

#include "res/config_ids.h"
#include "framework/message_box.h"
#include "framework/resources.h"

namespace quill {

std::string ItemText(HWND dialog, int id, int maxChars) {
  std::vector<char> text(static_cast<size_t>(maxChars) + 1, '\0');
  const int length = GetDlgItemTextA(dialog, id, text.data(), maxChars + 1);
  return std::string(text.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

DWORD ReadUnsignedItem(HWND dialog, int id, int maxChars) {
  const std::string text = ItemText(dialog, id, maxChars);
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  DWORD value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + static_cast<DWORD>(text[at] - '0');
  }
  return value;
}

void SetSignedItem(HWND dialog, int id, LONG value) {
  SetDlgItemTextA(dialog, id, std::to_string(value).c_str());
}

void SetUnsignedItem(HWND dialog, int id, DWORD value) {
  SetDlgItemTextA(dialog, id, std::to_string(value).c_str());
}

void LimitItemText(HWND dialog, int id, int maxChars) {
  SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enabled) {
  for (int id : ids) {
    if (HWND item = GetDlgItem(dialog, id)) EnableWindow(item, enabled ? TRUE : FALSE);
  }
}

bool IsItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void FillList(HWND dialog, int id, std::initializer_list<UINT> stringIds) {
  SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
  for (UINT stringId : stringIds) {
    const std::string text = qfw::LoadResourceString(stringId);
    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void ShowValidationError(HWND owner, UINT textId) {
  const std::string text = qfw::LoadResourceString(textId);
  const std::string caption = qfw::LoadResourceString(IDS_ERROR_CAPTION);
  qfw::ShowMessageBox(owner, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace quill
