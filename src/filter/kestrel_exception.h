// The one exception of the filter binding. It carries either a status of the filter library or
// one of the binding's own codes, and can show the report that belongs to that code.
#pragma once

#include <windows.h>

namespace quill {

// The binding's own failure codes; the library's statuses (2, 3, 4, 128, 192, 224) travel as
// they are.
enum KestrelFailure : DWORD {
  kKestrelCannotLoad = 0xF001,        // the library cannot be loaded or released
  kKestrelMissingEntry = 0xF002,      // an entry point is missing
  kKestrelOutOfMemory = 0xF003,
  kKestrelExecuteFailure = 0xF004,    // no completion in time, or completion with status 0
  kKestrelNoEvent = 0xF005,           // the completion event cannot be created
  // An address the call block must carry does not fit its 32-bit field (64-bit build only).
  kKestrelAddressOutOfReach = 0xF006,
};

class CKestrelException {
 public:
  CKestrelException() = default;
  explicit CKestrelException(DWORD code) : code_(code) {}

  DWORD Code() const { return code_; }

  // Shows the report of the code in a message box with an OK button (nothing for the codes
  // that mean success) and returns the code.
  DWORD ReportError() const;

 private:
  DWORD code_ = 0;
};

// The text ReportError shows for `code`, or none for 0, 1 and 5.
const char* KestrelReportText(DWORD code);

}  // namespace quill
