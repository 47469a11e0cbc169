#include "framework/document.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/doc_template.h"
#include "framework/mdi_frame.h"
#include "framework/view.h"

namespace qfw {

std::string FileNamePart(const std::string& path) {
  const std::string::size_type separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

Document::~Document() {
  for (View* view : std::vector<View*>(views_)) view->Detach();
}

void Document::SetTitle(const std::string& title) {
  title_ = title;
  for (HWND frame : Frames()) SetWindowTextA(frame, title_.c_str());
  Application* application = Application::Current();
  if (auto* mainFrame = application ? dynamic_cast<MdiFrameWindow*>(application->MainWindow()) : nullptr) {
    if (mainFrame->Handle()) mainFrame->RefreshForActiveChild();
  }
}

void Document::SetPathName(const std::string& path, bool addToRecent) {
  pathName_ = path;
  SetTitle(FileNamePart(path));
  Application* application = Application::Current();
  if (addToRecent && application && application->RecentFiles()) {
    application->RecentFiles()->Add(path.c_str());
  }
}

void Document::UpdateAllViews(View* sender) {
  for (View* view : views_) {
    if (view != sender) view->OnUpdate(sender);
  }
}

bool Document::OnNewDocument() {
  pathName_.clear();
  modified_ = false;
  return true;
}

bool Document::OnOpenDocument(const char*) { return false; }

bool Document::SaveModified() { return true; }

bool Document::OnCommand(UINT) { return false; }

void Document::AddView(View* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void Document::RemoveView(View* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

std::vector<HWND> Document::Frames() const {
  std::vector<HWND> frames;
  for (View* view : views_) {
    HWND frame = view->ParentFrame();
    if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end()) {
      frames.push_back(frame);
    }
  }
  return frames;
}

void Document::OnCloseDocument() {
  for (HWND frame : Frames()) {
    HWND client = GetParent(frame);
    if (client) {
      SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(frame), 0);
    } else {
      DestroyWindow(frame);
    }
  }
  // The views are gone with their windows; what is left detaches itself.
  for (View* view : std::vector<View*>(views_)) view->Detach();
  views_.clear();
  if (template_) {
    template_->RemoveDocument(this);  // deletes this document
  } else {
    delete this;
  }
}

}  // namespace qfw
