// Test-only hook DLL. The driver installs it as a WH_CALLWNDPROC hook on the program's
// user-interface thread, so it runs inside the program: another process cannot read the
// program's menus under Wine, but the program's own thread can. It answers the registered
// message "QuillTest.MenuItemState" (wParam: command id; lParam: 1 for the system menu) with
// GetMenuState's result, through ReplyMessage so that the sender receives it directly.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
  static const UINT query = RegisterWindowMessageA("QuillTest.MenuItemState");
  if (code == HC_ACTION) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == query && InSendMessage()) {
      HMENU menu = call->lParam == 1 ? GetSystemMenu(call->hwnd, FALSE) : GetMenu(call->hwnd);
      const UINT state =
          menu ? GetMenuState(menu, static_cast<UINT>(call->wParam), MF_BYCOMMAND) : UINT(-1);
      ReplyMessage(static_cast<LRESULT>(state));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
