#include "shared/library_module.h"

namespace {

HINSTANCE g_module = nullptr;

}  // namespace

namespace standins {

HINSTANCE LibraryModule() { return g_module; }

}  // namespace standins

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
