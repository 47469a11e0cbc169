// The program's one document type: images, with the image window's menu and keys (resource 3).
#pragma once

#include "framework/doc_template.h"
#include "res/resource.h"

namespace quill {

class CQuillDocTemplate : public qfw::DocTemplate {
 public:
  CQuillDocTemplate() : qfw::DocTemplate(IDR_IMAGETYPE) {}

  // The title of a handed-over image: the output file's name when images also go to files,
  // else "IMAGE" and the running number of new images.
  void SetImageTitle(qfw::Document& document);

 protected:
  std::unique_ptr<qfw::Document> CreateDocument() override;
  std::unique_ptr<qfw::MdiChildWindow> CreateChildFrame() override;
  std::unique_ptr<qfw::View> CreateView() override;
};

}  // namespace quill
