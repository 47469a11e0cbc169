// wait_window CLASS TIMEOUT_MS: exits 0 as soon as a visible top-level window of CLASS exists,
// 1 when none appeared in time. Lets shell scripts wait for the program without fixed sleeps.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  const DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowA(argv[1], nullptr);
    if (window && IsWindowVisible(window)) return 0;
    if (GetTickCount() - start > timeout) return 1;
    Sleep(50);
  }
}
