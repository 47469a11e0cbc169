// The common file dialogs and the report of a file error, as the framework offers them to
// documents. Both go through seams so that tests can answer them.
#pragma once

#include <windows.h>

#include <string>

#include "framework/scoped_presenter.h"

namespace qfw {

// CreateFile's result with INVALID_HANDLE_VALUE as NULL, for the handle owners.
inline HANDLE OpenFileHandle(HANDLE file) { return file == INVALID_HANDLE_VALUE ? nullptr : file; }

// A dialog the user answers with a file name.
class FileDialogPresenter {
 public:
  virtual ~FileDialogPresenter() = default;
  // `open` true for File Open, false for Save As. `filter` in the "Name|*.ext|...||" form.
  // True with the chosen full path in `path` when the user pressed OK.
  virtual bool Ask(HWND owner, bool open, const char* defaultExtension,
                   const std::string& proposedName, DWORD flags, const char* filter,
                   std::string& path) = 0;
};

// The save dialog: hide read-only, prompt before overwriting, the path must exist.
bool AskSaveFileName(HWND owner, const char* defaultExtension, const std::string& proposedName,
                     const char* filter, std::string& path);
// The open dialog with the flags given.
bool AskOpenFileName(HWND owner, const char* defaultExtension, DWORD flags, const char* filter,
                     std::string& path);
// The same, with `proposedName` (a name or a pattern such as "*.exe") in its name field.
bool AskOpenFileName(HWND owner, const char* defaultExtension, const std::string& proposedName,
                     DWORD flags, const char* filter, std::string& path);

// The seam: makes `replacement` current and returns the presenter it replaced.
FileDialogPresenter* ExchangePresenter(FileDialogPresenter* replacement);
// Replaces the presenter for the lifetime of this object (tests).
using ScopedFileDialogPresenter = ScopedPresenter<FileDialogPresenter>;

// Tells the user why a file could not be used: the system's explanation of `error` with the
// file's name, or the text of string `defaultMessageId` when there is none.
void ReportFileError(DWORD error, const char* path, UINT defaultMessageId);

}  // namespace qfw
