// The module handle of the stand-in library this is linked into, taken when the library was
// loaded: each stand-in keeps the one object that serves its entry point, made on the first
// call with this handle (for its resources and its own path).
#pragma once

#include <windows.h>

namespace standins {

HINSTANCE LibraryModule();

}  // namespace standins
