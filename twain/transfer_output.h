// What becomes of each transferred image besides its display: numbered output files.
#pragma once

#include <windows.h>

namespace quill {

// Number that the next composed file name carries. Taken from the settings when an acquisition
// starts; stored back into them whenever the source is disabled.
extern DWORD RunningFileNumber;

}  // namespace quill
