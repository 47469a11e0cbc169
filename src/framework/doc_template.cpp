#include "framework/doc_template.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/mdi_frame.h"
#include "framework/resources.h"

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

Document* DocTemplate::AdoptDocument(std::unique_ptr<Document> document) {
  document->template_ = this;
  documents_.push_back(std::move(document));
  return documents_.back().get();
}

void DocTemplate::RemoveDocument(Document* document) {
  const auto found = std::find_if(documents_.begin(), documents_.end(),
                                  [document](const auto& owned) { return owned.get() == document; });
  if (found == documents_.end()) return;
  // Out of the list first: the document's destructor may reach back into the template.
  std::unique_ptr<Document> owned = std::move(*found);
  documents_.erase(found);
}

void DocTemplate::SetDefaultTitle(Document& document) {
  std::string name;
  if (!GetDocString(name, kDocName) || name.empty()) name = "Untitled";
  document.SetTitle(name + std::to_string(untitledCount_ + 1));
}

Document* DocTemplate::OpenDocumentFile(const char* path) {
  Application* application = Application::Current();
  auto* frame = application ? dynamic_cast<MdiFrameWindow*>(application->MainWindow()) : nullptr;
  if (!frame || !frame->Handle()) return nullptr;
  std::unique_ptr<Document> made = CreateDocument();
  if (!made) return nullptr;
  Document* document = AdoptDocument(std::move(made));
  if (!path) SetDefaultTitle(*document);
  MdiChildWindow* child =
      MdiChildWindow::Create(CreateChildFrame(), *frame, *this, *document, CreateView());
  if (!child) {
    document->OnCloseDocument();
    return nullptr;
  }
  // Reading a file may report a fault in a modal box, whose message loop can close the main
  // window and with it every document, this one included.
  const LifeWatch watch = document->Watch();
  const bool ready = path ? document->OnOpenDocument(path) : document->OnNewDocument();
  if (!watch.Alive() || !frame->Handle()) return nullptr;
  if (!ready) {
    document->OnCloseDocument();
    return nullptr;
  }
  if (!path) ++untitledCount_;
  if (View* view = child->ActiveView()) view->OnInitialUpdate();
  frame->OnChildActivated(MdiChildWindow::FromHandle(frame->ActiveChildWindow()));
  return document;
}

bool DocTemplate::SaveAllModified() {
  for (Document* document : DocumentPointers()) {
    if (!document->SaveModified()) return false;
  }
  return true;
}

void DocTemplate::CloseAllDocuments() {
  for (Document* document : DocumentPointers()) document->OnCloseDocument();
}

std::vector<Document*> DocTemplate::DocumentPointers() const {
  std::vector<Document*> pointers;
  for (const auto& document : documents_) pointers.push_back(document.get());
  return pointers;
}

}  // namespace qfw
