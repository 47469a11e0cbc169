// What becomes of each transferred image besides its display: numbered output files.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quill {

struct ScanSettings;

// Number that the next composed file name carries. Taken from the settings when an acquisition
// starts; stored back into them whenever the source is disabled.
extern DWORD RunningFileNumber;

// What became of a file-mode transfer's temporary file (MoveToOutputFile).
enum OutputMove : int {
  kNotMoved = 0,       // declined or failed: it still has its temporary name
  kMovedToOutput = 1,  // it carries the output name
  kKeptBeside = 2,     // the output name could not be taken: kept under a free name beside it
};

// Moves the running number on by the step after an image that went to a file destination,
// written or not, wrapping at the modulus. A modulus of 0 (no digit count to wrap at) leaves the
// number unwrapped rather than dividing by it.
void AdvanceRunningFileNumber(const ScanSettings& settings);

// Where a file-mode transfer has the source write: "$TMPDIB$.BMP" (BMP) or "$TMPTIF$.TIF" (any
// other format), inside the output folder when the image goes to a file, else in the current
// folder. False, with `name` empty, when it does not fit in `capacity` characters.
bool ComposeTemporaryFileName(const ScanSettings& settings, char* name, std::size_t capacity);

}  // namespace quill
