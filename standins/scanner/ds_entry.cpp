// The virtual scanner's one entry point, DS_Entry. The source lives as long as the library.
#include <windows.h>

#include "scanner/data_source.h"
#include "shared/library_module.h"
#include "protocol/twain_protocol.h"

namespace {

tvscan::DataSource& Source() {
  static tvscan::DataSource source(standins::LibraryModule());
  return source;
}

}  // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data) {
  return Source().Entry(origin, group, dat, msg, data);
}
