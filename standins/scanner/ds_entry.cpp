// The virtual scanner's one entry point, DS_Entry. The source lives as long as the library.
#include <windows.h>

#include <memory>

#include "scanner/data_source.h"
#include "protocol/twain_protocol.h"

namespace {

HINSTANCE g_module = nullptr;

tvscan::DataSource& Source() {
  static tvscan::DataSource source(g_module);
  return source;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data) {
  return Source().Entry(origin, group, dat, msg, data);
}
