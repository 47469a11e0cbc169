// The modal "Select Source" dialog of the source manager.
#pragma once

#include <windows.h>

#include <vector>

#include "twaindsm/source_catalog.h"

namespace twaindsm {

// Shows the sources with `initial` selected; returns the chosen index, or -1 for Cancel (or when
// the dialog cannot be shown).
int RunSelectDialog(HINSTANCE resources, HWND owner, const std::vector<SourceEntry>& sources,
                    size_t initial);

}  // namespace twaindsm
