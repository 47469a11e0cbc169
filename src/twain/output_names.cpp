#include "twain/output_names.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "framework/message_box.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "res/string_ids.h"
#include "base/text.h"
#include "twain/transfer_output.h"
#include "res/twain_ids.h"

namespace quill {

OutputNameRecord OutputNames;

namespace {

std::string_view Field(const char* text, std::size_t capacity) {
  return std::string_view(text, BoundedLength(text, capacity));
}

void ShowWarning(const std::string& text, const char* caption) {
  qfw::ShowMessageBox(nullptr, text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

UINT LaunchFailureReason(UINT result) {
  switch (result) {
    case 0: return IDS_LAUNCH_OUT_OF_MEMORY;
    case ERROR_FILE_NOT_FOUND: return IDS_LAUNCH_FILE_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND: return IDS_LAUNCH_PATH_NOT_FOUND;
    case ERROR_BAD_FORMAT: return IDS_LAUNCH_BAD_FORMAT;
    default: return IDS_LAUNCH_UNKNOWN_REASON;
  }
}

}  // namespace

bool ComposeNextFileName(const ScanSettings& settings, DWORD& runningNumber,
                         OutputNameRecord& names, char* out, std::size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  char folder[kOutputNameSize] = "";
  const std::string_view path = Field(settings.FilePath, sizeof settings.FilePath);
  bool fits = CopyText(folder, sizeof folder, path);
  if (fits && (path.empty() || path.back() != '\\')) fits = AppendText(folder, sizeof folder, "\\");

  // A digit count outside 1 to 5 (an edited registry) is taken as the nearest one.
  const LONG digitSetting = settings.FileNumDigit < 0 ? 0 : settings.FileNumDigit > 4 ? 4 : settings.FileNumDigit;
  const std::size_t digitCount = static_cast<std::size_t>(digitSetting) + 1;
  char number[16];
  std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(runningNumber));
  std::string digits = number;
  DWORD numberToUse = runningNumber;
  if (digits.size() > digitCount) {
    digits = "0";
    numberToUse = 0;
  }
  digits.insert(0, digitCount - digits.size(), '0');
  std::string name(Field(settings.FileFixate, sizeof settings.FileFixate));
  name += digits;
  if (settings.FileFormat == kFormatBmp) name += ".BMP";
  if (settings.FileFormat == kFormatTiff) name += ".TIF";

  char full[kOutputNameSize] = "";
  fits = fits && CopyText(full, sizeof full, folder) && AppendText(full, sizeof full, name) &&
         CopyText(out, capacity, full);
  if (!fits) {
    // A shorter name would be another file: nothing is named, and nothing is recorded.
    out[0] = '\0';
    return false;
  }
  runningNumber = numberToUse;
  CopyText(names.OutputFolder, sizeof names.OutputFolder, folder);
  if (names.FirstNamePending) {
    CopyText(names.FirstFileName, sizeof names.FirstFileName, full);
    names.FirstNamePending = false;
  } else {
    CopyText(names.LastFileName, sizeof names.LastFileName, full);
  }
  return true;
}

bool MakeNextFileName(char* out, std::size_t capacity) {
  if (ComposeNextFileName(TheSettings(), RunningFileNumber, OutputNames, out, capacity)) return true;
  ReportFileNameTooLong();
  return false;
}

void ReportFileNameTooLong() { ShowWarning(qfw::LoadResourceString(IDS_FILE_NAME_TOO_LONG), nullptr); }

bool ComposeLaunchCommand(const ScanSettings& settings, const OutputNameRecord& names,
                          char* command, std::size_t capacity) {
  if (capacity == 0) return false;
  command[0] = '\0';
  std::string text(Field(settings.LaunchCmdLine, sizeof settings.LaunchCmdLine));
  text += ' ';
  const std::string_view args = Field(settings.LaunchArgs, sizeof settings.LaunchArgs);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != '%') {
      text += args[i];
      continue;
    }
    if (i + 1 == args.size()) {
      text += '%';
      break;
    }
    const char next = args[++i];
    switch (next) {
      case 'D': case 'd': text += Field(names.OutputFolder, sizeof names.OutputFolder); break;
      case 'F': case 'f': text += Field(names.FirstFileName, sizeof names.FirstFileName); break;
      case 'L': case 'l': text += Field(names.LastFileName, sizeof names.LastFileName); break;
      default:
        text += '%';
        text += next;
        break;
    }
  }
  if (!CopyText(command, capacity, text)) {
    command[0] = '\0';
    return false;
  }
  return true;
}

void LaunchConfiguredProgram() {
  const ScanSettings& settings = TheSettings();
  if (settings.LaunchProc == 0 || settings.LaunchCmdLine[0] == '\0') return;
  char command[kLaunchCommandSize] = {};
  const std::string caption = qfw::LoadResourceString(IDS_APP_TITLE);
  if (!ComposeLaunchCommand(settings, OutputNames, command, sizeof command)) {
    ShowWarning(qfw::LoadResourceString(IDS_COMMAND_TOO_LONG), caption.c_str());
    return;
  }
  const UINT result = WinExec(command, SW_SHOW);
  if (result > 31) return;
  ShowWarning(qfw::LoadResourceString(IDS_LAUNCH_FAILED) + qfw::LoadResourceString(LaunchFailureReason(result)),
              caption.c_str());
}

}  // namespace quill
