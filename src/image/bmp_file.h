// BMP files: a 14-byte file header followed by a DIB as it lies in memory.
#pragma once

#include <windows.h>

#include "framework/file.h"
#include "image/win_handles.h"

namespace quill {

// Writes the file header and the DIB. 1 when written; 0, with the file untouched, when there is no
// DIB, it cannot be locked or is not in the 40-byte form. File errors pass to the caller as
// qfw::FileException.
int WriteDibToBmpFile(HGLOBAL dib, qfw::File& file);

// Reads a whole BMP file into a new DIB in the 40-byte or 12-byte header form. The larger info
// headers that current tools write (52 to 124 bytes) are converted to the 40-byte form, with the
// pixels taken from where the file header says they start. None for a file that is not a BMP,
// is cut short, or whose header describes more than the file holds. File errors pass to the caller.
GlobalBlock ReadBmpFileToDib(qfw::File& file);

}  // namespace quill
