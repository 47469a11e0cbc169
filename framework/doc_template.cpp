#include "doc_template.h"

#include "resources.h"

namespace qfw {

std::vector<std::string> SplitDocString(const std::string& text) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type end = text.find('\n', start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

DocTemplate::DocTemplate(UINT resourceId) : resourceId_(resourceId) {}

bool DocTemplate::Load(HINSTANCE resources) {
  const std::string docString = LoadResourceString(resources, resourceId_);
  docStrings_ = docString.empty() ? std::vector<std::string>() : SplitDocString(docString);
  menu_.reset(LoadMenuA(resources, MAKEINTRESOURCEA(resourceId_)));
  accelerators_ = LoadAcceleratorsA(resources, MAKEINTRESOURCEA(resourceId_));
  return !docStrings_.empty() && menu_;
}

bool DocTemplate::GetDocString(std::string& text, DocStringIndex index) const {
  const auto position = static_cast<std::size_t>(index);
  if (position >= docStrings_.size()) {
    text.clear();
    return false;
  }
  text = docStrings_[position];
  return true;
}

bool DocTemplate::OpenDocumentFile(const char*) { return false; }

}  // namespace qfw
