#include "view/quill_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/application.h"
#include "image/dib.h"
#include "view/frame_commands.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "framework/wait_cursor.h"

namespace quill {
namespace {

LONG Trunc(double value) { return static_cast<LONG>(value); }

HMENU MainMenu() {
  HWND main = qfw::MainWindowHandle();
  return main ? GetMenu(main) : nullptr;
}

FrameCommandTarget* MainFrameCommands() {
  qfw::Application* application = qfw::Application::Current();
  return application ? dynamic_cast<FrameCommandTarget*>(application->MainWindow()) : nullptr;
}

BOOL CALLBACK SendRealizePalette(HWND window, LPARAM foreground) {
  SendMessageA(window, UM_REALIZEPALETTE, static_cast<WPARAM>(foreground), 0);
  return TRUE;
}

struct NormalRect {
  LONG left, top, right, bottom;
};

NormalRect Normalise(const Selection& s) {
  return {std::min(s.x1, s.x2), std::min(s.y1, s.y2), std::max(s.x1, s.x2), std::max(s.y1, s.y2)};
}

}  // namespace

const UINT kScannerCommands[4] = {ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION, ID_APP_EXIT};

void BroadcastRealizePalette(HWND window, HWND foreground) {
  // EnumChildWindows walks every level below the window.
  if (window) EnumChildWindows(window, SendRealizePalette, reinterpret_cast<LPARAM>(foreground));
}

Scale ComputeScale(const RECT& r1, const RECT& r2) {
  Scale scale;
  scale.sx = r1.right != 0 ? static_cast<double>(r2.right) / r1.right : 0.0;
  scale.sy = r1.bottom != 0 ? static_cast<double>(std::labs(r2.bottom)) / r1.bottom : 0.0;
  return scale;
}

RECT CQuillView::ClientRect() const {
  RECT client = {0, 0, 0, 0};
  if (Handle()) GetClientRect(Handle(), &client);
  return client;
}

void CQuillView::OnInitialUpdate() {
  qfw::ScrollView::OnInitialUpdate();
  CQuillDoc* document = GetDocument();
  if (document) SetScrollSizes({document->ImageWidth, document->ImageHeight});
  FitFrameToImage();
  SetMenuModeChecks();
}

void CQuillView::SetMenuModeChecks() {
  HMENU menu = MainMenu();
  if (!menu) return;
  CheckMenuItem(menu, ID_VIEW_FULLSIZE, MF_BYCOMMAND | (m_bWindowSize ? MF_UNCHECKED : MF_CHECKED));
  CheckMenuItem(menu, ID_VIEW_WINDOWSIZE, MF_BYCOMMAND | (m_bWindowSize ? MF_CHECKED : MF_UNCHECKED));
}

void CQuillView::EnableCopy(bool enabled) {
  if (HMENU menu = MainMenu()) {
    EnableMenuItem(menu, ID_EDIT_COPY, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

void CQuillView::FitFrameToImage() {
  HWND frame = ParentFrame();
  CQuillDoc* document = GetDocument();
  HWND main = qfw::MainWindowHandle();
  if (!frame || !document || !main) return;
  LONG width = document->ImageWidth + 2 * GetSystemMetrics(SM_CXFRAME);
  LONG height = document->ImageHeight + 2 * GetSystemMetrics(SM_CYFRAME) -
                GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
  RECT client = {};
  GetClientRect(main, &client);
  MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT window = {};
  GetWindowRect(frame, &window);
  const LONG availableWidth = client.right - window.left;
  const LONG availableHeight = client.bottom - window.top;
  if (availableWidth < width) {
    width = availableWidth;
    height = std::min(height + GetSystemMetrics(SM_CYHSCROLL) - 1, availableHeight);
  } else if (availableHeight < height) {
    height = availableHeight;
    width = std::min(width + GetSystemMetrics(SM_CXVSCROLL) - 1, availableWidth);
  }
  SetWindowPos(frame, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

bool CQuillView::CreatePictureBitmap(HDC viewDc, int width, int height, ScopedDc& memory,
                                     ScopedBitmap& bitmap) const {
  if (ShowsColours()) {
    memory = ScopedDc(CreateCompatibleDC(viewDc));
    bitmap.reset(memory ? CreateCompatibleBitmap(viewDc, width, height) : nullptr);
  } else {
    memory = ScopedDc(CreateCompatibleDC(nullptr));
    bitmap.reset(memory ? CreateCompatibleBitmap(memory.get(), width, height) : nullptr);
  }
  return memory && bitmap;
}

bool CQuillView::ShowsColours() const {
  CQuillDoc* document = GetDocument();
  if (!document) return false;
  // An image without a colour table (16, 24 or 32 bits) has colours of its own: a monochrome
  // copy would turn it into black and white.
  return GetPaletteEntryCount(document->GetPalette()) > 2 || document->BitCount > 8;
}

void CQuillView::BuildReducedCopy() {
  if (m_pReduced) return;
  WindowDc viewDc(Handle());
  CQuillDoc* document = GetDocument();
  if (!viewDc || !document || !document->GetDibHandle()) return;
  const int fullWidth = GetSystemMetrics(SM_CXFULLSCREEN);
  const int fullHeight = GetSystemMetrics(SM_CYFULLSCREEN);
  if (fullWidth <= 0 || fullHeight <= 0) return;
  const LONG w = document->ImageWidth;
  const LONG h = document->ImageHeight;
  const double sx = static_cast<double>(w) / fullWidth;
  const double sy = static_cast<double>(h) / fullHeight;
  if (sx <= 1 && sy <= 1) return;  // the image fits on the screen: drawn from the DIB itself
  qfw::WaitCursor wait;
  LONG reducedWidth = fullWidth;
  LONG reducedHeight = fullHeight;
  if (sy >= sx) {
    reducedWidth = std::max<LONG>(1, Trunc(w / sy));
  } else {
    reducedHeight = std::max<LONG>(1, Trunc(h / sx));
  }
  ScopedDc memory;
  ScopedBitmap bitmap;
  if (!CreatePictureBitmap(viewDc.get(), reducedWidth, reducedHeight, memory, bitmap)) return;
  {
    ScopedSelection selected(memory.get(), bitmap.get());
    SetMapMode(memory.get(), MM_TEXT);
    const RECT destination = {0, 0, reducedWidth, reducedHeight};
    const RECT source = {0, 0, w, h};
    DrawDib(memory.get(), destination, document->GetDibHandle(), source, document->GetPalette());
  }
  m_pReduced = std::move(bitmap);
  m_rcReduced = {0, 0, reducedWidth, reducedHeight};
}

void CQuillView::OnDraw(HDC dc) {
  CQuillDoc* document = GetDocument();
  if (!document || !document->GetDibHandle()) return;
  RECT source = {0, 0, 0, 0};
  {
    LockedDib locked(document->GetDibHandle());
    if (!locked) return;
    source.right = locked.layout().width;
    source.bottom = static_cast<LONG>(locked.layout().rowCount);
  }
  DrawSelection();
  if (!m_bWindowSize) {
    m_rcDrawn = source;
    DrawDib(dc, source, document->GetDibHandle(), source, document->GetPalette());
  } else if (!m_pReduced) {
    RECT destination = ClientRect();
    const Scale scale = ComputeScale(destination, source);
    if (scale.sx <= 1 && scale.sy <= 1) {
      destination = source;
    } else if (scale.sy < scale.sx) {
      destination.bottom = Trunc(source.bottom / scale.sx);
    } else {
      destination.right = Trunc(source.right / scale.sy);
    }
    m_rcDrawn = destination;
    DrawDib(dc, destination, document->GetDibHandle(), source, document->GetPalette());
  } else {
    DrawReduced(dc);
  }
  DrawSelection();
}

void CQuillView::DrawReduced(HDC dc) {
  CQuillDoc* document = GetDocument();
  RECT destination = ClientRect();
  const Scale scale = ComputeScale(destination, m_rcReduced);
  if (scale.sx <= 1 && scale.sy <= 1) {
    destination = m_rcReduced;
  } else if (scale.sy < scale.sx) {
    destination.bottom = Trunc(m_rcReduced.bottom / scale.sx);
  } else {
    destination.right = Trunc(m_rcReduced.right / scale.sy);
  }
  ScopedDc memory(CreateCompatibleDC(ShowsColours() ? dc : nullptr));
  if (memory) {
    ScopedSelection selected(memory.get(), m_pReduced.get());
    SetMapMode(memory.get(), MM_TEXT);
    const bool background = GetFocus() != Handle();
    ScopedPaletteSelection memoryPalette(memory.get(), document->GetPalette(), background);
    ScopedPaletteSelection screenPalette(dc, document->GetPalette(), background);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, destination.right, destination.bottom, memory.get(), 0, 0,
               m_rcReduced.right, m_rcReduced.bottom, SRCCOPY);
  }
  m_rcDrawn = destination;
}

void CQuillView::DrawSelection() {
  if (m_rcSelection.IsEmpty()) return;
  CQuillDoc* document = GetDocument();
  if (!document) return;
  WindowDc dc(Handle());
  if (!dc) return;
  NormalRect r = Normalise(m_rcSelection);
  const RECT image = {0, 0, document->ImageWidth, document->ImageHeight};
  const Scale scale = ComputeScale(ClientRect(), image);
  if (m_bWindowSize && (scale.sx > 1 || scale.sy > 1)) {
    const double factor = std::max(scale.sx, scale.sy);
    r.left = std::max<LONG>(Trunc(r.left / factor), 0);
    r.top = std::max<LONG>(Trunc(r.top / factor), 0);
    r.right = std::min<LONG>(Trunc(r.right / factor), m_rcDrawn.right);
    r.bottom = std::min<LONG>(Trunc(r.bottom / factor), m_rcDrawn.bottom);
  } else {
    const POINT scroll = GetDeviceScrollPosition();
    r.left -= scroll.x;
    r.right -= scroll.x;
    r.top -= scroll.y;
    r.bottom -= scroll.y;
  }
  ScopedSelection pen(dc.get(), GetStockObject(WHITE_PEN));
  ScopedSelection brush(dc.get(), GetStockObject(NULL_BRUSH));
  const int previousMode = SetROP2(dc.get(), R2_NOT);
  SelectClipRgn(dc.get(), nullptr);
  Rectangle(dc.get(), r.left, r.top, r.right, r.bottom);
  SetROP2(dc.get(), previousMode);
}

POINT CQuillView::ImagePoint(POINT client) const {
  const POINT scroll = GetDeviceScrollPosition();
  POINT p = {client.x + scroll.x, client.y + scroll.y};
  CQuillDoc* document = GetDocument();
  const RECT image = {0, 0, document->ImageWidth, document->ImageHeight};
  const Scale scale = ComputeScale(image, ClientRect());
  if (m_bWindowSize && (scale.sx < 1 || scale.sy < 1)) {
    const double factor = std::min(scale.sx, scale.sy);
    if (factor > 0) {
      p.x = Trunc(p.x / factor) + 1;
      p.y = Trunc(p.y / factor) + 1;
    }
  }
  return p;
}

void CQuillView::OnLButtonDown(POINT point) {
  CQuillDoc* document = GetDocument();
  if (!document) return;
  DrawSelection();
  POINT p = ImagePoint(point);
  m_rcSelection.x1 = m_rcSelection.x2 = p.x;
  m_rcSelection.y1 = m_rcSelection.y2 = p.y;
  if (m_rcSelection.x1 > document->ImageWidth) m_rcSelection.x1 = m_rcSelection.x2 = document->ImageWidth;
  if (m_rcSelection.y1 > document->ImageHeight) m_rcSelection.y1 = m_rcSelection.y2 = document->ImageHeight;
  DrawSelection();
  SetCapture(Handle());
  m_bTracking = TRUE;
  EnableCopy(false);
}

void CQuillView::OnMouseMove(WPARAM flags, POINT point) {
  CQuillDoc* document = GetDocument();
  if (!m_bTracking || !(flags & MK_LBUTTON) || !document) return;
  DrawSelection();
  const POINT p = ImagePoint(point);
  m_rcSelection.x2 = std::max<LONG>(0, std::min<LONG>(p.x, document->ImageWidth));
  m_rcSelection.y2 = std::max<LONG>(0, std::min<LONG>(p.y, document->ImageHeight));
  DrawSelection();
}

void CQuillView::OnLButtonUp() {
  if (m_bTracking) {
    ReleaseCapture();
    m_bTracking = FALSE;
  }
  if (!m_rcSelection.IsEmpty()) EnableCopy(true);
}

void CQuillView::SelectAll() {
  CQuillDoc* document = GetDocument();
  if (!document) return;
  DrawSelection();
  m_rcSelection = {0, 0, document->ImageWidth, document->ImageHeight};
  DrawSelection();
  EnableCopy(true);
}

void CQuillView::CopySelection() {
  if (m_rcSelection.IsEmpty()) return;
  WindowDc viewDc(Handle());
  if (!viewDc) return;
  qfw::WaitCursor wait;
  CQuillDoc* document = GetDocument();
  if (!document || !document->GetDibHandle()) return;
  const NormalRect r = Normalise(m_rcSelection);
  const LONG width = r.right - r.left;
  const LONG height = r.bottom - r.top;
  ScopedDc memory;
  ScopedBitmap bitmap;
  if (width <= 0 || height <= 0 ||
      !CreatePictureBitmap(viewDc.get(), width, height, memory, bitmap)) {
    return;
  }
  {
    ScopedSelection selected(memory.get(), bitmap.get());
    const LONG h = document->ImageHeight;
    const RECT source = {r.left, h - r.bottom, r.right, h - r.top};
    const RECT destination = {0, 0, width, height};
    DrawDib(memory.get(), destination, document->GetDibHandle(), source, document->GetPalette());
  }
  ScopedClipboard clipboard(Handle());
  if (!clipboard) return;
  EmptyClipboard();
  // The clipboard owns what it was given.
  if (SetClipboardData(CF_BITMAP, bitmap.get())) bitmap.release();
  ScopedPalette palette = DuplicatePalette(document->GetPalette());
  if (palette && SetClipboardData(CF_PALETTE, palette.get())) palette.release();
}

void CQuillView::OnContextMenu() {
  SetForegroundWindow(Handle());
  POINT cursor = {};
  GetCursorPos(&cursor);
  qfw::UniqueMenu menu(LoadMenuA(qfw::ResourceHandle(), MAKEINTRESOURCEA(IDR_CONTEXTMENU)));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (popup) {
    // The menu's message goes to this view, not to the main window's menu gate.
    FrameCommandTarget* frame = MainFrameCommands();
    const UINT state = frame && !frame->ScannerCommandsAllowed() ? MF_GRAYED : MF_ENABLED;
    for (UINT id : kScannerCommands) EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, Handle(), nullptr);
  }
}

void CQuillView::OnSetFocus() {
  SetMenuModeChecks();
  EnableCopy(!m_rcSelection.IsEmpty());
}

void CQuillView::SwitchToFullSize() {
  if (!m_bWindowSize) return;
  m_bWindowSize = FALSE;
  CQuillDoc* document = GetDocument();
  if (document) SetScrollSizes({document->ImageWidth, document->ImageHeight});
  SetMenuModeChecks();
  InvalidateRect(Handle(), nullptr, FALSE);
}

void CQuillView::SwitchToWindowSize() {
  if (m_bWindowSize) return;
  m_bWindowSize = TRUE;
  SetScrollSizes({1, 1});
  BuildReducedCopy();
  SetMenuModeChecks();
  InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT CQuillView::RealizePalette(HWND foreground) {
  CQuillDoc* document = GetDocument();
  if (!document || !document->GetDibHandle() || !document->GetPalette() || !ParentFrame()) return 0;
  HWND main = qfw::MainWindowHandle();
  WindowDc dc(main);
  if (!dc) return 0;
  const bool background = foreground != Handle();
  ScopedPaletteSelection selection(dc.get(), document->GetPalette(), background, true);
  if (selection && ::RealizePalette(dc.get()) != 0) {
    InvalidateRect(Handle(), nullptr, TRUE);
    UpdateWindow(Handle());
  }
  return 0;
}

void CQuillView::OnActivateView(bool activate, qfw::View* activated, qfw::View* deactivated) {
  qfw::ScrollView::OnActivateView(activate, activated, deactivated);
  if (activate) RealizePalette(Handle());
}

void CQuillView::ArrangeWindows(UINT message) {
  HWND frame = ParentFrame();
  HWND client = frame ? GetParent(frame) : nullptr;
  if (client) SendMessageA(client, message, 0, 0);
  BroadcastRealizePalette(qfw::MainWindowHandle(), Handle());
}

bool CQuillView::OnCommand(UINT id) {
  switch (id) {
    case ID_EDIT_COPY:
      CopySelection();
      return true;
    case ID_WINDOW_CASCADE:
      ArrangeWindows(WM_MDICASCADE);
      return true;
    case ID_WINDOW_TILE:
      ArrangeWindows(WM_MDITILE);
      return true;
    case ID_SELECT_SOURCE:
    case ID_ACQUIRE:
    case ID_CLOSE_ALL:
    case ID_INQUIRY_CLOSE_ALL:
    case ID_FILE_CLOSE:
      if (FrameCommandTarget* frame = MainFrameCommands()) frame->ExecuteFrameCommand(id);
      return true;
    default:
      return false;
  }
}

LRESULT CQuillView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_LBUTTONDOWN:
      OnLButtonDown(point);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, point);
      break;
    case WM_LBUTTONUP:
      OnLButtonUp();
      break;
    case WM_RBUTTONUP:
      OnContextMenu();
      return 0;
    case WM_SETFOCUS: {
      const LRESULT result = qfw::ScrollView::HandleMessage(message, wParam, lParam);
      OnSetFocus();
      return result;
    }
    case UM_REALIZEPALETTE:
      return RealizePalette(reinterpret_cast<HWND>(wParam));
  }
  return qfw::ScrollView::HandleMessage(message, wParam, lParam);
}

}  // namespace quill
