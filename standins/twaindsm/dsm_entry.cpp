// TWAIN_32.DLL: the source manager's one entry point. The manager's state lives as long as the
// library stays loaded in the process.
#include <windows.h>

#include "twaindsm/source_manager.h"
#include "shared/library_module.h"
#include "protocol/twain_protocol.h"

namespace {

twaindsm::SourceManager& Manager() {
  static twaindsm::SourceManager manager(standins::LibraryModule());
  return manager;
}

}  // namespace

extern "C" TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY destination,
                                      TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                      TW_MEMREF data) {
  return Manager().Entry(origin, destination, group, dat, msg, data);
}
