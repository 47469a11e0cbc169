#include "config/config_dialog.h"

#include <commctrl.h>

#include "res/config_ids.h"
#include "config/dialog_support.h"
#include "res/resource.h"
#include "framework/resources.h"

namespace quill {
namespace {

const int kBasicTab = 0;

// The dialog whose tabs the thread's keyboard hook steps: one Configuration dialog at a time.
ConfigDialog* g_keyboardTarget = nullptr;

void EnsureTabControlClass() {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
}

}  // namespace

ConfigDialog::ConfigDialog() : qfw::Dialog(IDD_CONFIGURATION) {}

ConfigDialog::~ConfigDialog() { Unhook(); }

void ConfigDialog::CopyFrom(const ScanSettings& settings) {
  for (SettingsPage* page : pages_) page->CopyFrom(settings);
}

void ConfigDialog::CopyTo(ScanSettings& settings) const {
  for (const SettingsPage* page : pages_) page->CopyTo(settings);
}

INT_PTR ConfigDialog::DoModal(HWND owner) {
  EnsureTabControlClass();
  owner_ = owner;
  result_ = RunModal(owner);
  Unhook();
  return result_;
}

HWND ConfigDialog::Create(HWND owner) {
  EnsureTabControlClass();
  owner_ = owner;
  result_ = 0;
  return CreateModeless(owner);
}

bool ConfigDialog::OnCommand(UINT id, UINT) {
  switch (id) {
    case IDOK:
      OnOk();
      return true;
    case IDCANCEL:
      End(IDCANCEL);
      return true;
    case IDC_CONFIG_ACQUIRE:
      OnAcquire();
      return true;
  }
  return false;
}

INT_PTR ConfigDialog::OnMessage(UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY) return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
  if (message == WM_DESTROY) Unhook();
  return FALSE;
}

BOOL ConfigDialog::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_CONFIG_TABS) return FALSE;
  if (header.code == TCN_SELCHANGING) {
    // No page is checked when it is left.
    SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, FALSE);
    return TRUE;
  }
  if (header.code == TCN_SELCHANGE) {
    ShowPage(static_cast<int>(SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
    SetFocus(header.hwndFrom);
    return TRUE;
  }
  return FALSE;
}

BOOL ConfigDialog::OnInitDialog() {
  const HWND dialog = Handle();
  HWND tabs = GetDlgItem(dialog, IDC_CONFIG_TABS);
  for (SettingsPage* page : pages_) page->Create(dialog);
  const UINT tabTexts[kPageCount] = {IDS_TAB_BASIC, IDS_TAB_EXTEND};
  for (int index = 0; index < kPageCount; ++index) {
    std::string text = qfw::LoadResourceString(tabTexts[index]);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &text[0];
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  }
  // Both pages sit in the tab control's display area, below the row of tabs.
  RECT tabRect = {}, firstItem = {}, pageClient = {};
  GetWindowRect(tabs, &tabRect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tabRect), 2);
  SendMessageA(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstItem));
  // Every page takes the size of the first.
  if (HWND first = pages_[0]->Handle()) GetClientRect(first, &pageClient);
  for (const SettingsPage* page : pages_) {
    if (!page->Handle()) continue;
    // Above the tab control in the z-order, so that the pages are drawn over it.
    SetWindowPos(page->Handle(), HWND_TOP, tabRect.left + 1, tabRect.top + 1 + firstItem.bottom, pageClient.right,
                 pageClient.bottom, SWP_SHOWWINDOW);
  }
  SendMessageA(tabs, TCM_SETCURSEL, kBasicTab, 0);
  ShowPage(kBasicTab);
  for (SettingsPage* page : pages_) {
    if (page->Handle()) page->Fill();
  }
  if (!keyboardHook_) {
    g_keyboardTarget = this;
    keyboardHook_ = SetWindowsHookExA(WH_GETMESSAGE, KeyboardHook, nullptr, GetCurrentThreadId());
  }
  return TRUE;
}

void ConfigDialog::ShowPage(int index) {
  // The page left is hidden before the one chosen shows; anything but a later tab is the first.
  const int shown = index > 0 && index < kPageCount ? index : kBasicTab;
  for (int other = 0; other < kPageCount; ++other) {
    if (other != shown && pages_[other]->Handle()) ShowWindow(pages_[other]->Handle(), SW_HIDE);
  }
  if (HWND page = pages_[shown]->Handle()) ShowWindow(page, SW_SHOW);
}

void ConfigDialog::StepTab(bool backwards) {
  HWND tabs = GetDlgItem(Handle(), IDC_CONFIG_TABS);
  if (!tabs) return;
  LRESULT current = SendMessageA(tabs, TCM_GETCURFOCUS, 0, 0);
  if (current < 0) current = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
  if (current < 0) current = 0;
  const int next = static_cast<int>((current + (backwards ? kPageCount - 1 : 1)) % kPageCount);
  SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
  ShowPage(next);
  SetFocus(tabs);
}

LRESULT CALLBACK ConfigDialog::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  ConfigDialog* self = g_keyboardTarget;
  const HWND dialog = self ? self->Handle() : nullptr;
  if (code == HC_ACTION && wParam == PM_REMOVE && dialog && message->message == WM_KEYDOWN &&
      message->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
      (message->hwnd == dialog || IsChild(dialog, message->hwnd))) {
    self->StepTab(GetKeyState(VK_SHIFT) < 0);
    message->message = WM_NULL;  // consumed
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ConfigDialog::Unhook() {
  if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
  keyboardHook_ = nullptr;
  if (g_keyboardTarget == this) g_keyboardTarget = nullptr;
}

void ConfigDialog::OnOk() {
  for (SettingsPage* page : pages_) page->ReadBack();
  if (!Handle()) return;  // gone with its owner while a message was shown
  if (basic_.m_Destination != kToDisplay && !basic_.CheckFolder()) {
    ShowValidationError(Handle(), IDS_ILLEGAL_FOLDER);
    return;
  }
  if (basic_.m_PaperSupply != kFeederCountedPages || basic_.m_XferCount > 0) End(IDOK);
}

void ConfigDialog::OnAcquire() {
  SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  // OK has reported whatever stopped it (a page count, a folder) once: nothing more to say and
  // nothing to start.
  if (result_ != IDOK) return;
  // Posted: the acquisition starts once the dialog has closed and the settings are saved.
  PostMessageA(owner_, WM_COMMAND, MAKEWPARAM(ID_ACQUIRE, 0), 0);
}

void ConfigDialog::End(INT_PTR result) {
  result_ = result;
  if (Handle()) EndDialog(Handle(), result);
}

}  // namespace quill
