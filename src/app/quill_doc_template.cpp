#include "app/quill_doc_template.h"

#include <cstdio>

#include "twain/output_names.h"
#include "app/quill_child.h"
#include "doc/quill_doc.h"
#include "view/quill_view.h"
#include "config/scan_settings.h"

namespace quill {

std::unique_ptr<qfw::Document> CQuillDocTemplate::CreateDocument() {
  return std::make_unique<CQuillDoc>();
}

std::unique_ptr<qfw::MdiChildWindow> CQuillDocTemplate::CreateChildFrame() {
  return std::make_unique<CQuillChild>();
}

std::unique_ptr<qfw::View> CQuillDocTemplate::CreateView() { return std::make_unique<CQuillView>(); }

void CQuillDocTemplate::SetImageTitle(qfw::Document& document) {
  char title[kOutputNameSize] = "";
  if (TheSettings().Destination != kToDisplay) {
    // The image also goes to a file: the window is named after it. A name that does not fit
    // has been reported; the window then stays untitled.
    MakeNextFileName(title, sizeof title);
  } else {
    std::snprintf(title, sizeof title, "IMAGE%d", UntitledCount());
  }
  document.SetTitle(title);
}

}  // namespace quill
