#include "framework/mdi_child.h"

#include "framework/doc_template.h"
#include "framework/document.h"
#include "framework/mdi_frame.h"

namespace qfw {

const char kMdiChildClass[] = "QfwMdiChild";

MdiChildWindow* MdiChildWindow::Create(std::unique_ptr<MdiChildWindow> child,
                                       MdiFrameWindow& frame, DocTemplate& docTemplate,
                                       Document& document, std::unique_ptr<View> view) {
  if (!child || !view || !frame.MdiClient()) return nullptr;
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(frame.Handle(), GWLP_HINSTANCE));
  if (!RegisterWindowClass(instance, kMdiChildClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                           nullptr, LoadCursor(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)))) {
    return nullptr;
  }
  MdiChildWindow* self = child.get();
  self->frame_ = &frame;
  self->template_ = &docTemplate;
  self->document_ = &document;
  self->view_ = std::move(view);

  MDICREATESTRUCTA create = {};
  create.szClass = kMdiChildClass;
  create.szTitle = document.Title().c_str();
  create.hOwner = instance;
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.style = WS_OVERLAPPEDWINDOW;
  create.lParam = reinterpret_cast<LPARAM>(self);
  // From WM_NCCREATE on the window owns the object.
  bool gone = false;
  self->gone_ = &gone;
  child.release();
  HWND window = reinterpret_cast<HWND>(
      SendMessageA(frame.MdiClient(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  if (!window) {
    if (!gone) delete self;  // never bound to a window
    return nullptr;
  }
  self->gone_ = nullptr;
  if (!self->view_->Create(window, &document)) {
    SendMessageA(frame.MdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
    return nullptr;
  }
  SetFocus(self->view_->Handle());
  return self;
}

MdiChildWindow* MdiChildWindow::FromHandle(HWND window) {
  if (!window || !IsWindow(window)) return nullptr;
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, kMdiChildClass) != 0) return nullptr;
  return reinterpret_cast<MdiChildWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool MdiChildWindow::RouteCommand(UINT id) {
  if (view_ && view_->Handle() && view_->OnCommand(id)) return true;
  if (document_ && document_->OnCommand(id)) return true;
  return OnCommand(id);
}

void MdiChildWindow::OnMdiActivate(bool activated) {
  if (activated && frame_) frame_->OnChildActivated(this);
  if (view_) {
    if (activated && view_->Handle()) SetFocus(view_->Handle());
    view_->OnActivateView(activated, activated ? view_.get() : nullptr,
                          activated ? nullptr : view_.get());
  }
}

LRESULT MdiChildWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (view_ && view_->Handle()) {
        MoveWindow(view_->Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      break;  // DefMDIChildProc must see it too
    case WM_SETFOCUS:
      if (view_ && view_->Handle()) {
        SetFocus(view_->Handle());
        return 0;
      }
      break;
    case WM_MDIACTIVATE:
      OnMdiActivate(reinterpret_cast<HWND>(lParam) == Handle());
      break;
    case WM_COMMAND:
      if (RouteCommand(LOWORD(wParam))) return 0;
      break;
    case WM_CLOSE:
      // The document decides: it asks its question, then closes with all its windows.
      if (document_) {
        // The question's message loop may close the document (and this window) meanwhile.
        Document* document = document_;
        const LifeWatch watch = document->Watch();
        if (document->SaveModified() && watch.Alive()) document->OnCloseDocument();
        return 0;
      }
      break;
  }
  return DefMDIChildProcA(Handle(), message, wParam, lParam);
}

void MdiChildWindow::OnWindowGone() {
  MdiFrameWindow* frame = frame_;
  if (gone_) *gone_ = true;
  delete this;
  if (frame) frame->RefreshForActiveChild();
}

}  // namespace qfw
