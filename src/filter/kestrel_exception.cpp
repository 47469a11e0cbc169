#include "filter/kestrel_exception.h"

#include "framework/message_box.h"

namespace quill {

const char* KestrelReportText(DWORD code) {
  switch (code) {
    case 0:
    case 1:
    case 5: return nullptr;
    case 2: return "KS_INVALID_CMD";
    case 3: return "KS_INVALID_MMB";
    case 4: return "KS_ERROR";
    case 128: return "KS_INVALID_FNM";
    case 192: return "KS_INVALID_IMG";
    case 224: return "KS_INVALID_PRM";
    case kKestrelCannotLoad:
    case kKestrelMissingEntry: return "Unable to load library(KESTREL.DLL)";
    case kKestrelOutOfMemory: return "Not enough memory";
    // The library maker's spelling: users and support know the message by it.
    case kKestrelExecuteFailure: return "Program execute faluire";
    case kKestrelNoEvent: return "Not enough resource";
    default: return "Internal error";
  }
}

DWORD CKestrelException::ReportError() const {
  if (const char* text = KestrelReportText(code_)) qfw::ShowMessageBox(nullptr, text, nullptr, MB_OK);
  return code_;
}

}  // namespace quill
