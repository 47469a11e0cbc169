#include "framework/view.h"

#include <algorithm>

#include "framework/document.h"
#include "framework/handles.h"

namespace qfw {
namespace {

const char kViewClass[] = "QfwView";

// The line step of the scroll bars' arrows, and the page step's share of the client area.
const int kLineStep = 16;

}  // namespace

View::~View() { Detach(); }

void View::Detach() {
  if (document_) {
    Document* document = document_;
    document_ = nullptr;
    document->RemoveView(this);
  }
}

bool View::Create(HWND parent, Document* document) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  if (!RegisterWindowClass(instance, kViewClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr,
                           LoadCursor(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)))) {
    return false;
  }
  RECT client = {};
  GetClientRect(parent, &client);
  CREATESTRUCTA create = {};
  create.hInstance = instance;
  create.lpszClass = kViewClass;
  create.style = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL;
  create.cx = client.right;
  create.cy = client.bottom;
  create.hwndParent = parent;
  document_ = document;
  if (document_) document_->AddView(this);
  if (!CreateBoundWindow(create)) {
    Detach();
    return false;
  }
  // Bars come and go with the scroll sizes.
  ShowScrollBar(Handle(), SB_BOTH, FALSE);
  return true;
}

void View::OnActivateView(bool, View*, View*) {}

bool View::OnCommand(UINT) { return false; }

void View::RouteCommand(UINT id) {
  if (OnCommand(id)) return;
  if (document_ && document_->OnCommand(id)) return;
  // Whatever the view and its document leave goes the way of a menu command.
  HWND frame = ParentFrame();
  HWND client = frame ? GetParent(frame) : nullptr;
  HWND mainWindow = client ? GetParent(client) : nullptr;
  if (mainWindow) SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void View::Paint() {
  PaintDc dc(Handle());
  if (dc.get()) {
    PrepareDC(dc.get());
    OnDraw(dc.get());
  }
}

LRESULT View::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_COMMAND:
      RouteCommand(LOWORD(wParam));
      return 0;
    case WM_MOUSEACTIVATE: {
      // A click into an inactive document window activates it, like a click on its frame.
      HWND frame = ParentFrame();
      HWND client = frame ? GetParent(frame) : nullptr;
      if (client && reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) != frame) {
        SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(frame), 0);
      }
      break;
    }
    case WM_NCDESTROY:
      Detach();
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

void ScrollView::SetScrollSizes(SIZE total) {
  total_.cx = std::max<LONG>(total.cx, 0);
  total_.cy = std::max<LONG>(total.cy, 0);
  UpdateBars();
}

int ScrollView::ClampPosition(int bar, int position) const {
  RECT client = {};
  if (Handle()) GetClientRect(Handle(), &client);
  const int total = bar == SB_HORZ ? total_.cx : total_.cy;
  const int page = bar == SB_HORZ ? client.right : client.bottom;
  return std::max(0, std::min(position, std::max(0, total - page)));
}

void ScrollView::UpdateBars() {
  if (!Handle()) return;
  // Two rounds: a bar that appears takes room from the other direction.
  for (int round = 0; round < 2; ++round) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    const int bars[] = {SB_HORZ, SB_VERT};
    for (int bar : bars) {
      const int total = bar == SB_HORZ ? total_.cx : total_.cy;
      const int page = bar == SB_HORZ ? client.right : client.bottom;
      SCROLLINFO info = {};
      info.cbSize = sizeof info;
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      info.nMin = 0;
      info.nMax = total > page ? total - 1 : 0;
      info.nPage = total > page ? static_cast<UINT>(page) : 0;
      LONG& position = bar == SB_HORZ ? position_.x : position_.y;
      position = ClampPosition(bar, position);
      info.nPos = position;
      SetScrollInfo(Handle(), bar, &info, TRUE);
      ShowScrollBar(Handle(), bar, total > page);
    }
  }
}

void ScrollView::ScrollToPosition(POINT position) {
  const POINT old = position_;
  position_.x = ClampPosition(SB_HORZ, position.x);
  position_.y = ClampPosition(SB_VERT, position.y);
  if (!Handle()) return;
  SetScrollPos(Handle(), SB_HORZ, position_.x, TRUE);
  SetScrollPos(Handle(), SB_VERT, position_.y, TRUE);
  ScrollWindowEx(Handle(), old.x - position_.x, old.y - position_.y, nullptr, nullptr, nullptr,
                 nullptr, SW_INVALIDATE | SW_ERASE);
}

void ScrollView::OnScroll(int bar, UINT code) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Handle(), bar, &info);
  int position = bar == SB_HORZ ? position_.x : position_.y;
  const int page = static_cast<int>(info.nPage);
  switch (code) {
    case SB_LINEUP: position -= kLineStep; break;
    case SB_LINEDOWN: position += kLineStep; break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: return;
  }
  POINT target = position_;
  (bar == SB_HORZ ? target.x : target.y) = position;
  ScrollToPosition(target);
}

void ScrollView::PrepareDC(HDC dc) {
  SetMapMode(dc, MM_TEXT);
  SetViewportOrgEx(dc, -position_.x, -position_.y, nullptr);
}

LRESULT ScrollView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      UpdateBars();
      break;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wParam));
      return 0;
  }
  return View::HandleMessage(message, wParam, lParam);
}

}  // namespace qfw
