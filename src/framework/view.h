// Views: the child windows inside a document window that show a document. The scroll view adds
// scroll bars over a logical size and paints with the scroll position already applied.
#pragma once

#include <windows.h>

#include "framework/window.h"

namespace qfw {

class Document;

class View : public Window {
 public:
  View() = default;
  ~View() override;

  Document* GetDocument() const { return document_; }
  // The window of the document window around the view.
  HWND ParentFrame() const { return Handle() ? GetParent(Handle()) : nullptr; }

  // Creates the view as a child filling `parent`, attached to `document`.
  bool Create(HWND parent, Document* document);

  virtual void OnInitialUpdate() { OnUpdate(nullptr); }
  virtual void OnUpdate(View*) { if (Handle()) InvalidateRect(Handle(), nullptr, TRUE); }
  // The document window of the view became (or stopped being) the active one.
  virtual void OnActivateView(bool activate, View* activated, View* deactivated);
  // Commands for the view; false passes them on to the document.
  virtual bool OnCommand(UINT id);
  // A command chosen in the view's own window (context menu): view, document, then the main
  // window's routing.
  void RouteCommand(UINT id);

 protected:
  virtual void OnDraw(HDC dc) = 0;
  // Runs before OnDraw in every paint; the scroll view moves the origin.
  virtual void PrepareDC(HDC) {}
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class Document;
  void Detach();
  void Paint();

  Document* document_ = nullptr;
};

// A view over a logical area of `total` pixels (MM_TEXT): scroll bars appear where the client
// area is smaller than that, and paint and mouse coordinates are offset by the scroll position.
class ScrollView : public View {
 public:
  void SetScrollSizes(SIZE total);
  SIZE TotalSize() const { return total_; }
  POINT GetDeviceScrollPosition() const { return position_; }
  void ScrollToPosition(POINT position);

 protected:
  void PrepareDC(HDC dc) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateBars();
  void OnScroll(int bar, UINT code);
  int ClampPosition(int bar, int position) const;

  SIZE total_ = {0, 0};
  POINT position_ = {0, 0};
};

}  // namespace qfw
