#include "transfer_output.h"

#include <string_view>

#include "scan_settings.h"
#include "text.h"
#include "twain_connection.h"

namespace quill {

DWORD RunningFileNumber = 0;

namespace {

const char kTemporaryBmpName[] = "$TMPDIB$.BMP";
const char kTemporaryTiffName[] = "$TMPTIF$.TIF";

}  // namespace

void AdvanceRunningFileNumber(const ScanSettings& settings) {
  DWORD next = RunningFileNumber + settings.FileNumStep;
  if (settings.FileNumModulus != 0 && next >= settings.FileNumModulus) {
    next %= settings.FileNumModulus;
  }
  RunningFileNumber = next;
}

bool ComposeTemporaryFileName(const ScanSettings& settings, char* name, std::size_t capacity) {
  if (capacity == 0) return false;
  name[0] = '\0';
  const char* file = settings.FileFormat == 0 ? kTemporaryBmpName : kTemporaryTiffName;
  bool fits = true;
  if (settings.Destination != 0) {
    const std::size_t folder = BoundedLength(settings.FilePath, sizeof settings.FilePath);
    fits = CopyText(name, capacity, std::string_view(settings.FilePath, folder));
    if (fits && (folder == 0 || settings.FilePath[folder - 1] != '\\')) {
      fits = AppendText(name, capacity, "\\");
    }
  }
  if (fits) fits = AppendText(name, capacity, file);
  if (!fits) name[0] = '\0';
  return fits;
}

// Output files are not written yet: no image is saved.
int TwainConnection::SaveImage(HGLOBAL) { return 0; }

// Output files are not named yet: the transferred file keeps its temporary name.
int TwainConnection::MoveToOutputFile(const char*, char* outputName, std::size_t capacity) {
  if (capacity > 0) outputName[0] = '\0';
  return 0;
}

}  // namespace quill
