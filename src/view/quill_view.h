// The view of an image window: the document's DIB at full size with scroll bars or fitted to the
// window, the selection dragged with the mouse, Copy to the clipboard, the context menu and the
// palette on 256-colour displays. Coordinates of record are image pixels.
#pragma once

#include <windows.h>

#include "doc/quill_doc.h"
#include "framework/view.h"
#include "image/win_handles.h"

namespace quill {

struct Selection {
  LONG x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool IsEmpty() const { return x1 == x2 && y1 == y2; }
};

struct Scale {
  double sx;
  double sy;
};

// sx = r2.right / r1.right, sy = |r2.bottom| / r1.bottom; left and top are ignored.
Scale ComputeScale(const RECT& r1, const RECT& r2);

class CQuillView : public qfw::ScrollView {
 public:
  CQuillView() = default;

  CQuillDoc* GetDocument() const { return static_cast<CQuillDoc*>(qfw::View::GetDocument()); }

  void OnInitialUpdate() override;
  void OnActivateView(bool activate, qfw::View* activated, qfw::View* deactivated) override;
  bool OnCommand(UINT id) override;

  // Sizes the image window around the image, as far as the main window leaves room.
  void FitFrameToImage();
  void BuildReducedCopy();
  // Inverts the selection's outline on the screen: once draws it, twice leaves the screen as it was.
  void DrawSelection();
  // The two display modes; each does nothing when the view is already in it.
  void SwitchToFullSize();
  void SwitchToWindowSize();
  // The whole image selected (Select All).
  void SelectAll();
  void CopySelection();

  BOOL m_bWindowSize = FALSE;
  BOOL m_bTracking = FALSE;
  Selection m_rcSelection;
  ScopedBitmap m_pReduced;
  RECT m_rcReduced = {0, 0, 0, 0};
  RECT m_rcDrawn = {0, 0, 0, 0};

 protected:
  void OnDraw(HDC dc) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnLButtonDown(POINT point);
  void OnMouseMove(WPARAM flags, POINT point);
  void OnLButtonUp();
  void OnContextMenu();
  void OnSetFocus();
  LRESULT RealizePalette(HWND foreground);
  void ArrangeWindows(UINT message);
  // A point of the client area in image pixels, as the mode and the scroll position say.
  POINT ImagePoint(POINT client) const;
  void DrawReduced(HDC dc);
  void SetMenuModeChecks();
  void EnableCopy(bool enabled);
  // Whether reduced and copied pictures keep colours (the display's format) or are monochrome.
  bool ShowsColours() const;
  // The bitmap for a reduced or copied picture, monochrome for images of two colours or fewer.
  bool CreatePictureBitmap(HDC viewDc, int width, int height, ScopedDc& memory,
                           ScopedBitmap& bitmap) const;
  RECT ClientRect() const;
};

}  // namespace quill
