#include "twain/transfer_output.h"

#include <string>
#include <string_view>

#include "image/bmp_file.h"
#include "twain/confirm_overwrite.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "twain/output_names.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "res/string_ids.h"
#include "image/tiff_writer.h"
#include "base/text.h"
#include "twain/twain_connection.h"
#include "res/twain_ids.h"

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
  const char* file = settings.FileFormat == kFormatBmp ? kTemporaryBmpName : kTemporaryTiffName;
  bool fits = true;
  if (settings.Destination != kToDisplay) {
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

namespace {

// Every failure to create, write, delete or rename an output file says the same, after the name
// of the file; a new page that could not take that name says where it was kept instead.
void ShowSaveFailure(const char* name, const std::string& keptAs = std::string()) {
  std::string text = std::string(name) + "\n" + qfw::LoadResourceString(IDS_FILE_SAVE_FAILURE);
  if (!keptAs.empty()) {
    std::string kept = qfw::LoadResourceString(IDS_NEW_FILE_KEPT_AS);
    const std::string::size_type placeholder = kept.find("%1");
    if (placeholder != std::string::npos) kept.replace(placeholder, 2, keptAs);
    text += "\n" + kept;
  }
  qfw::ShowMessageBox(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
}

bool Exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// Writes the DIB to `path` in the configured format. Nonzero when the whole file was written.
int WriteOutputFile(HGLOBAL dib, const std::string& path, const TW_IMAGEINFO* info) {
  if (TheSettings().FileFormat == kFormatTiff) return WriteDibToTiff(dib, path.c_str(), info);
  qfw::File file;
  if (!file.Open(path, qfw::File::Mode::kCreateReadWrite, nullptr)) return 0;
  try {
    const int written = WriteDibToBmpFile(dib, file);
    file.Close();
    return written;
  } catch (const qfw::FileException&) {
    file.Abort();
    return 0;
  }
}

}  // namespace

int TwainConnection::SaveImage(HGLOBAL dib) {
  char name[kOutputNameSize];
  if (!MakeNextFileName(name, sizeof name)) return 0;
  if (Exists(name) && OverwriteMode != kOverwriteAll) {
    const OverwriteChoice choice = AskOverwrite(name);
    if (choice == kOverwriteNo) return 0;
    OverwriteMode = choice;
  }
  // The old file stays until the new one is whole: a failed write must not cost it.
  qfw::ReplacementFile output(name);
  if (!output.Create(nullptr) || !WriteOutputFile(dib, output.TemporaryPath(), &ImageInformation)) {
    ShowSaveFailure(name);
    return 0;
  }
  if (!output.Commit(nullptr)) {
    ShowSaveFailure(name, output.Keep());
    return 0;
  }
  return 1;
}

int TwainConnection::MoveToOutputFile(const char* temporaryName, char* outputName, std::size_t capacity) {
  if (!MakeNextFileName(outputName, capacity)) return kNotMoved;
  if (Exists(outputName) && OverwriteMode != kOverwriteAll) {
    const OverwriteChoice choice = AskOverwrite(outputName);
    if (choice == kOverwriteNo) return kNotMoved;
    OverwriteMode = choice;
  }
  // One step: the old file is either replaced or left as it was, never deleted first.
  if (MoveFileExA(temporaryName, outputName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return kMovedToOutput;
  }
  // The page is not lost with the name it could not take: the next transfer would write over
  // the temporary file, so it moves to a name of its own beside the output file.
  std::string kept = qfw::MoveToFreeName(temporaryName, outputName);
  if (kept.empty()) {
    ShowSaveFailure(outputName);
    return kNotMoved;
  }
  ShowSaveFailure(outputName, kept);
  // A kept name too long for the buffer is not passed off as another file's.
  if (!CopyText(outputName, capacity, kept)) outputName[0] = '\0';
  return kKeptBeside;
}

void TwainConnection::LaunchProcess() { LaunchConfiguredProgram(); }

}  // namespace quill
