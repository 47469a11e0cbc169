// What the configuration dialogs share: numbers read from and written to controls, groups of controls enabled together, and the error message.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace quill {

// The text of a control, at most `maxChars` characters.
std::string ItemText(HWND dialog, int id, int maxChars);
// A control's text read as an unsigned decimal: the leading digits, wrapping like a 32-bit
// number; empty or no digits give 0.
DWORD ReadUnsignedItem(HWND dialog, int id, int maxChars);
void SetSignedItem(HWND dialog, int id, LONG value);
void SetUnsignedItem(HWND dialog, int id, DWORD value);
void LimitItemText(HWND dialog, int id, int maxChars);

void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enabled);
bool IsItemChecked(HWND dialog, int id);

// Fills a drop-down list with string-table entries in order.
void FillList(HWND dialog, int id, std::initializer_list<UINT> stringIds);

// A validation message: the text of string `textId`, caption "Error", an OK button.
void ShowValidationError(HWND owner, UINT textId);

}  // namespace quill
