#include "transfer_output.h"

#include <string>
#include <string_view>

#include "bmp_file.h"
#include "confirm_overwrite.h"
#include "file.h"
#include "message_box.h"
#include "output_names.h"
#include "resources.h"
#include "scan_settings.h"
#include "string_ids.h"
#include "tiff_writer.h"
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

namespace {

// Every failure to create, write, delete or rename an output file says the same.
void ShowSaveFailure() {
  const std::string text = qfw::LoadResourceString(IDS_FILE_SAVE_FAILURE);
  qfw::ShowMessageBox(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
}

bool Exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int TwainConnection::SaveImage(HGLOBAL dib) {
  char name[kOutputNameSize];
  if (!MakeNextFileName(name, sizeof name)) return 0;
  qfw::File file;
  const bool exists = file.Open(name, qfw::File::Mode::kReadExclusive, nullptr);
  if (exists) {
    if (OverwriteMode != kOverwriteAll) {
      const OverwriteChoice choice = AskOverwrite(name);
      if (choice == kOverwriteNo) return 0;
      OverwriteMode = choice;
    }
    file.Abort();
    if (!file.Open(name, qfw::File::Mode::kCreateReadWrite, nullptr)) {
      ShowSaveFailure();
      return 0;
    }
  }
  int written = 0;
  if (TheSettings().FileFormat == 1) {
    file.Abort();
    written = WriteDibToTiff(dib, name, &ImageInformation);
  } else {
    if (!file.IsOpen() && !file.Open(name, qfw::File::Mode::kCreateReadWrite, nullptr)) {
      ShowSaveFailure();
      return 0;
    }
    try {
      written = WriteDibToBmpFile(dib, file);
      file.Close();
    } catch (const qfw::FileException&) {
      file.Abort();
      written = 0;
    }
  }
  if (!written) {
    ShowSaveFailure();
    return 0;
  }
  return 1;
}

int TwainConnection::MoveToOutputFile(const char* temporaryName, char* outputName, std::size_t capacity) {
  if (!MakeNextFileName(outputName, capacity)) return 0;
  if (MoveFileA(temporaryName, outputName)) return 1;
  // Only a file that is there can be overwritten; any other reason is a plain failure.
  if (!Exists(outputName)) {
    ShowSaveFailure();
    return 0;
  }
  if (OverwriteMode != kOverwriteAll) {
    const OverwriteChoice choice = AskOverwrite(outputName);
    if (choice == kOverwriteNo) return 0;
    OverwriteMode = choice;
  }
  if (!DeleteFileA(outputName) || !MoveFileA(temporaryName, outputName)) {
    ShowSaveFailure();
    return 0;
  }
  return 1;
}

void TwainConnection::LaunchProcess() { LaunchConfiguredProgram(); }

}  // namespace quill
