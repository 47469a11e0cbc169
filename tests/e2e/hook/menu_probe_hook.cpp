// Test-only hook DLL. The driver installs it as a WH_CALLWNDPROC hook on the program's
// user-interface thread, so it runs inside the program: another process cannot read the
// program's menus under Wine, but the program's own thread can. It answers the registered
// message "QuillTest.MenuItemState" (wParam: command id; lParam: 1 for the system menu, 2 for the
// menu bar's popup that holds the command, first told that it opens) with GetMenuState's result,
// through ReplyMessage so that the sender receives it directly.
#include <windows.h>

namespace {

const LPARAM kSystemMenu = 1;
const LPARAM kOpenedPopup = 2;

// What the window sees when the user opens the menu bar's popup that holds `command`: the
// WM_INITMENUPOPUP with the popup's real position (a maximised MDI child's system menu takes the
// first). The item's state after that, or -1 when no popup holds it.
UINT OpenedPopupItemState(HWND window, UINT command) {
  HMENU bar = GetMenu(window);
  const int count = bar ? GetMenuItemCount(bar) : 0;
  for (int position = 0; position < count; ++position) {
    HMENU popup = GetSubMenu(bar, position);
    if (!popup || GetMenuState(popup, command, MF_BYCOMMAND) == UINT(-1)) continue;
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, FALSE));
    return GetMenuState(popup, command, MF_BYCOMMAND);
  }
  return UINT(-1);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
  static const UINT query = RegisterWindowMessageA("QuillTest.MenuItemState");
  if (code == HC_ACTION) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == query && InSendMessage()) {
      const UINT command = static_cast<UINT>(call->wParam);
      UINT state = UINT(-1);
      if (call->lParam == kOpenedPopup) {
        state = OpenedPopupItemState(call->hwnd, command);
      } else {
        HMENU menu = call->lParam == kSystemMenu ? GetSystemMenu(call->hwnd, FALSE) : GetMenu(call->hwnd);
        if (menu) state = GetMenuState(menu, command, MF_BYCOMMAND);
      }
      ReplyMessage(static_cast<LRESULT>(state));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
