#include "quill_doc_template.h"

#include <cstdio>

#include "quill_child.h"
#include "quill_doc.h"
#include "quill_view.h"

namespace quill {

std::unique_ptr<qfw::Document> CQuillDocTemplate::CreateDocument() {
  return std::make_unique<CQuillDoc>();
}

std::unique_ptr<qfw::MdiChildWindow> CQuillDocTemplate::CreateChildFrame() {
  return std::make_unique<CQuillChild>();
}

std::unique_ptr<qfw::View> CQuillDocTemplate::CreateView() { return std::make_unique<CQuillView>(); }

void CQuillDocTemplate::SetImageTitle(qfw::Document& document) {
  // Images written to files take the output file's name once the output stage names files;
  // until then every image is named by its number.
  char title[261];
  std::snprintf(title, sizeof title, "IMAGE%d", UntitledCount());
  document.SetTitle(title);
}

}  // namespace quill
