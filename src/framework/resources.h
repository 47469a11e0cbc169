// The current resource handle: the module every menu, dialog, string, icon and accelerator table
// is taken from. It is the program's own module until a language library replaces it.
#pragma once

#include <windows.h>

#include <string>

namespace qfw {

HINSTANCE ResourceHandle();
// NULL restores the program's own module.
void SetResourceHandle(HINSTANCE resources);

// A string-table entry of the current resource handle; empty when it does not exist.
std::string LoadResourceString(UINT id);
std::string LoadResourceString(HINSTANCE resources, UINT id);

}  // namespace qfw
