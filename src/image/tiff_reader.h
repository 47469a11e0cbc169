// TIFF files opened: the first image of a file as a new DIB, read with the portable TIFF reader,
// CCITT strips decoded by the filter library.
#pragma once

#include <windows.h>

#include "tiff/tiff_picture.h"
#include "image/win_handles.h"

namespace quill {

class KestrelFilter;

// The first image of the TIFF file at `path` as a new DIB that the caller owns; none when the file
// cannot be opened or read, or holds a layout the program does not read. Nothing is reported
// here: the callers tell the user. Decodes through the program's filter object with the K factor
// of the settings.
GlobalBlock ReadTiffToDib(const char* path);

// ReadTiffToDib for a file the user is to see: when it gives no DIB, the user is told with the
// load-failure message an unreadable bitmap file gets, and the caller makes no window.
GlobalBlock OpenTiffFileToDib(const char* path);

// The same with the filter object (may be none: CCITT files then give no DIB) and K given;
// `fault` (may be null) gets why there is no DIB.
GlobalBlock ReadTiffToDibWith(const char* path, KestrelFilter* filter, BYTE kFactor,
                              TiffReadFault* fault);

}  // namespace quill
