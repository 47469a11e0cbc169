// A document window: an MDI child of the main frame holding one view of one document. It
// carries its template's menu into the frame while it is active and asks its document before
// it closes.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/view.h"
#include "framework/window.h"

namespace qfw {

class DocTemplate;
class Document;
class MdiFrameWindow;

class MdiChildWindow : public Window {
 public:
  MdiChildWindow() = default;

  // Creates the window in `frame`'s MDI client with `view` on `document`. The object belongs to
  // its window from then on and is deleted with it; on failure it is deleted at once.
  static MdiChildWindow* Create(std::unique_ptr<MdiChildWindow> child, MdiFrameWindow& frame,
                                DocTemplate& docTemplate, Document& document,
                                std::unique_ptr<View> view);

  View* ActiveView() const { return view_.get(); }
  Document* GetDocument() const { return document_; }
  DocTemplate* Template() const { return template_; }

  // The child bound to `window`, if `window` is a document window of this framework.
  static MdiChildWindow* FromHandle(HWND window);

  // Commands: the view first, then the document, then the window itself.
  bool RouteCommand(UINT id);

 protected:
  virtual bool OnCommand(UINT) { return false; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowGone() override;

 private:
  void OnMdiActivate(bool activated);
  MdiFrameWindow* Frame() const { return frame_; }

  bool* gone_ = nullptr;  // set when the window went during its own creation
  MdiFrameWindow* frame_ = nullptr;
  DocTemplate* template_ = nullptr;
  Document* document_ = nullptr;
  std::unique_ptr<View> view_;
};

// The class every document window is created with.
extern const char kMdiChildClass[];

}  // namespace qfw
