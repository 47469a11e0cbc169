// The program's one document type: images, with the image window's menu and keys (resource 3).
#pragma once

#include "doc_template.h"
#include "resource.h"

namespace quill {

class CQuillDocTemplate : public qfw::DocTemplate {
 public:
  CQuillDocTemplate() : qfw::DocTemplate(IDR_IMAGETYPE) {}
};

}  // namespace quill
