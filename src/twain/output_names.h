// The names of the output files of a batch, and the command that launches a program with them
// after the batch.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quill {

struct ScanSettings;

constexpr std::size_t kOutputNameSize = 261;    // 260 characters and the terminator
constexpr std::size_t kLaunchCommandSize = 520;

// The names kept across the batches of a run.
struct OutputNameRecord {
  bool FirstNamePending = true;  // the next name is the first of a batch
  char OutputFolder[kOutputNameSize] = "";
  char FirstFileName[kOutputNameSize] = "";
  char LastFileName[kOutputNameSize] = "";
};

extern OutputNameRecord OutputNames;

// Folder, fixed part, number and extension of the next output file into `out`, recorded as the
// first or the latest name of the batch. A number with more digits than the settings allow
// becomes 0 (and so does the running number). False, with `out` empty and nothing recorded, when
// the name would not fit in `capacity` or in the record.
bool ComposeNextFileName(const ScanSettings& settings, DWORD& runningNumber,
                         OutputNameRecord& names, char* out, std::size_t capacity);

// The program's own: the settings, the running number and the record of the run. A name that
// does not fit is reported; `out` is then empty.
bool MakeNextFileName(char* out, std::size_t capacity);

// Tells the user that an output file's name would not fit (a folder or fixed part too long).
void ReportFileNameTooLong();

// The launch command: the program, a blank, and the parameters with %D, %F and %L replaced by
// the output folder and the first and latest file names. False when it would not fit.
bool ComposeLaunchCommand(const ScanSettings& settings, const OutputNameRecord& names,
                          char* command, std::size_t capacity);

// Runs the configured program after a batch, when one is configured; a failure is reported.
void LaunchConfiguredProgram();

}  // namespace quill
