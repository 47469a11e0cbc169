// TIFF files through the filter library: the DIB's rows packed top-down, the resolution and the
// physical size worked out, bilevel images encoded in memory first when a CCITT compression is
// chosen, and the library told to write the file.
#pragma once

#include <windows.h>

#include "protocol/twain_protocol.h"

namespace quill {

class KestrelFilter;

// Writes `dib` to `path` with the compression of the settings. `info` is the transfer's image
// information, or null for an image saved from a window. 1 or 5 when the file was written, 0
// when not (only a lack of memory is reported here; the caller reports the failure).
WORD WriteDibToTiff(HGLOBAL dib, const char* path, const TW_IMAGEINFO* info);

// The same with the filter object and the compression given.
WORD WriteDibToTiffWith(KestrelFilter& filter, HGLOBAL dib, const char* path,
                        const TW_IMAGEINFO* info, DWORD compress, DWORD kFactor);

// The library's coding mode for a value of the compression setting; 0 for none and for values
// outside the list.
BYTE CodingModeForCompression(DWORD compress);

}  // namespace quill
