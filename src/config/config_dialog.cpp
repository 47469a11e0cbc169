#include "config/config_dialog.h"

#include <commctrl.h>

#include "res/config_ids.h"
#include "config/dialog_support.h"
#include "res/resource.h"
#include "framework/resources.h"

namespace quill {
namespace {

const int kBasicTab = 0;
const int kExtendTab = 1;
const int kTabCount = 2;

// The dialog whose tabs the thread's keyboard hook steps: one Configuration dialog at a time.
ConfigDialog* g_keyboardTarget = nullptr;

void EnsureTabControlClass() {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
}

}  // namespace

ConfigDialog::~ConfigDialog() { Unhook(); }

void ConfigDialog::CopyFrom(const ScanSettings& settings) {
  basic_.CopyFrom(settings);
  extend_.CopyFrom(settings);
}

void ConfigDialog::CopyTo(ScanSettings& settings) const {
  basic_.CopyTo(settings);
  extend_.CopyTo(settings);
}

INT_PTR ConfigDialog::DoModal(HWND owner) {
  EnsureTabControlClass();
  owner_ = owner;
  result_ = DialogBoxParamA(qfw::ResourceHandle(), MAKEINTRESOURCEA(IDD_CONFIGURATION), owner, Procedure,
                            reinterpret_cast<LPARAM>(this));
  Unhook();
  return result_;
}

HWND ConfigDialog::Create(HWND owner) {
  EnsureTabControlClass();
  owner_ = owner;
  result_ = 0;
  return CreateDialogParamA(qfw::ResourceHandle(), MAKEINTRESOURCEA(IDD_CONFIGURATION), owner, Procedure,
                            reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ConfigDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ConfigDialog* self = BoundDialog<ConfigDialog>(dialog, message, lParam);
  if (!self) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      self->OnInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          self->OnOk();
          return TRUE;
        case IDCANCEL:
          self->End(IDCANCEL);
          return TRUE;
        case IDC_CONFIG_ACQUIRE:
          self->OnAcquire();
          return TRUE;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_CONFIG_TABS) break;
      if (header->code == TCN_SELCHANGING) {
        // No page is checked when it is left.
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
        return TRUE;
      }
      if (header->code == TCN_SELCHANGE) {
        self->ShowPage(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        SetFocus(header->hwndFrom);
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      self->Unhook();
      break;
    case WM_NCDESTROY:
      self->dialog_ = nullptr;
      break;
  }
  return FALSE;
}

void ConfigDialog::OnInitDialog(HWND dialog) {
  dialog_ = dialog;
  HWND tabs = GetDlgItem(dialog, IDC_CONFIG_TABS);
  HWND basic = basic_.Create(dialog);
  HWND extend = extend_.Create(dialog);
  const UINT tabTexts[kTabCount] = {IDS_TAB_BASIC, IDS_TAB_EXTEND};
  for (int index = 0; index < kTabCount; ++index) {
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
  if (basic) GetClientRect(basic, &pageClient);
  for (HWND page : {basic, extend}) {
    if (!page) continue;
    // Above the tab control in the z-order, so that the pages are drawn over it.
    SetWindowPos(page, HWND_TOP, tabRect.left + 1, tabRect.top + 1 + firstItem.bottom, pageClient.right,
                 pageClient.bottom, SWP_SHOWWINDOW);
  }
  SendMessageA(tabs, TCM_SETCURSEL, kBasicTab, 0);
  ShowPage(kBasicTab);
  if (basic) basic_.Fill();
  if (extend) extend_.Fill();
  if (!keyboardHook_) {
    g_keyboardTarget = this;
    keyboardHook_ = SetWindowsHookExA(WH_GETMESSAGE, KeyboardHook, nullptr, GetCurrentThreadId());
  }
}

void ConfigDialog::ShowPage(int index) {
  if (index == kExtendTab) {
    if (basic_.Handle()) ShowWindow(basic_.Handle(), SW_HIDE);
    if (extend_.Handle()) ShowWindow(extend_.Handle(), SW_SHOW);
  } else {
    if (extend_.Handle()) ShowWindow(extend_.Handle(), SW_HIDE);
    if (basic_.Handle()) ShowWindow(basic_.Handle(), SW_SHOW);
  }
}

void ConfigDialog::StepTab(bool backwards) {
  HWND tabs = GetDlgItem(dialog_, IDC_CONFIG_TABS);
  if (!tabs) return;
  LRESULT current = SendMessageA(tabs, TCM_GETCURFOCUS, 0, 0);
  if (current < 0) current = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
  if (current < 0) current = 0;
  const int next = static_cast<int>((current + (backwards ? kTabCount - 1 : 1)) % kTabCount);
  SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
  ShowPage(next);
  SetFocus(tabs);
}

LRESULT CALLBACK ConfigDialog::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  ConfigDialog* self = g_keyboardTarget;
  if (code == HC_ACTION && wParam == PM_REMOVE && self && self->dialog_ && message->message == WM_KEYDOWN &&
      message->wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 &&
      (message->hwnd == self->dialog_ || IsChild(self->dialog_, message->hwnd))) {
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
  basic_.ReadBack();
  extend_.ReadBack();
  if (!dialog_) return;  // gone with its owner while a message was shown
  if (basic_.m_Destination != kToDisplay && !basic_.CheckFolder()) {
    ShowValidationError(dialog_, IDS_ILLEGAL_FOLDER);
    return;
  }
  if (basic_.m_PaperSupply != kFeederCountedPages || basic_.m_XferCount > 0) End(IDOK);
}

void ConfigDialog::OnAcquire() {
  SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  // OK has reported whatever stopped it (a page count, a folder) once: nothing more to say and
  // nothing to start.
  if (result_ != IDOK) return;
  // Posted: the acquisition starts once the dialog has closed and the settings are saved.
  PostMessageA(owner_, WM_COMMAND, MAKEWPARAM(ID_ACQUIRE, 0), 0);
}

void ConfigDialog::End(INT_PTR result) {
  result_ = result;
  if (dialog_) EndDialog(dialog_, result);
}

}  // namespace quill
