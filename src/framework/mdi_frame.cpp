#include "framework/mdi_frame.h"

#include <shellapi.h>

#include "framework/application.h"
#include "framework/doc_template.h"
#include "framework/document.h"
#include "framework/framework_ids.h"
#include "framework/handles.h"
#include "framework/mdi_child.h"
#include "framework/resources.h"

namespace qfw {
namespace {

const char kDefaultFrameClass[] = "QfwMdiFrame";

// Gives a dropped-file list back to the shell when it has been read.
class DropList {
 public:
  explicit DropList(HDROP drop) : drop_(drop) {}
  ~DropList() { DragFinish(drop_); }
  DropList(const DropList&) = delete;
  DropList& operator=(const DropList&) = delete;
  HDROP get() const { return drop_; }

 private:
  HDROP drop_;
};

bool IsKeyboardMessage(const MSG& message) {
  return message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
}

}  // namespace

void MdiFrameWindow::PreCreateWindow(CREATESTRUCTA& create) {
  if (create.lpszClass) return;
  RegisterWindowClass(create.hInstance, kDefaultFrameClass, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                      nullptr, LoadCursor(nullptr, IDC_ARROW),
                      reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  create.lpszClass = kDefaultFrameClass;
}

bool MdiFrameWindow::LoadFrame(UINT resourceId, DWORD style, HWND parent) {
  const HINSTANCE resources = ResourceHandle();
  UniqueMenu menu(LoadMenuA(resources, MAKEINTRESOURCEA(resourceId)));
  if (!menu) return false;
  accelerators_ = LoadAcceleratorsA(resources, MAKEINTRESOURCEA(resourceId));
  title_ = SplitDocString(LoadResourceString(resources, resourceId)).front();
  addToTitle_ = (style & FWS_ADDTOTITLE) != 0;

  CREATESTRUCTA create = {};
  create.hInstance = Application::Current() ? Application::Current()->Instance()
                                            : GetModuleHandleA(nullptr);
  create.hMenu = menu.get();
  create.hwndParent = parent;
  create.style = static_cast<LONG>(style & ~FWS_ADDTOTITLE);
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.lpszName = title_.c_str();
  PreCreateWindow(create);
  if (!CreateBoundWindow(create)) {
    // A window that got as far as taking its menu destroyed it with itself.
    if (!IsMenu(menu.get())) menu.release();
    return false;
  }
  menu.release();  // the window owns its menu now
  defaultMenu_ = GetMenu(Handle());
  return true;
}

HWND MdiFrameWindow::ActiveChildWindow() const {
  if (!client_) return nullptr;
  return reinterpret_cast<HWND>(SendMessageA(client_, WM_MDIGETACTIVE, 0, 0));
}

MdiChildWindow* MdiFrameWindow::ActiveChild() const {
  return MdiChildWindow::FromHandle(ActiveChildWindow());
}

void MdiFrameWindow::OnChildActivated(MdiChildWindow* child) {
  if (!Handle() || !client_) return;
  HMENU wanted = child && child->Template() && child->Template()->Menu() ? child->Template()->Menu()
                                                                         : defaultMenu_;
  if (wanted && GetMenu(Handle()) != wanted) {
    SendMessageA(client_, WM_MDISETMENU, reinterpret_cast<WPARAM>(wanted), 0);
    DrawMenuBar(Handle());
  }
  UpdateFrameTitle(child);
}

void MdiFrameWindow::RefreshForActiveChild() { OnChildActivated(ActiveChild()); }

void MdiFrameWindow::UpdateFrameTitle(MdiChildWindow* child) {
  std::string text = title_;
  if (addToTitle_ && child && child->GetDocument()) {
    text += " - " + child->GetDocument()->Title();
  }
  SetWindowTextA(Handle(), text.c_str());
}

bool MdiFrameWindow::RouteToActiveChild(UINT id) {
  MdiChildWindow* child = ActiveChild();
  return child && child->RouteCommand(id);
}

bool MdiFrameWindow::OnClose() {
  Application* application = Application::Current();
  if (application && application->MainWindow() == this) {
    if (!application->SaveAllModified()) return false;
    application->CloseAllDocuments();
  }
  return true;
}

void MdiFrameWindow::SetTitle(const std::string& title) {
  title_ = title;
  if (Handle()) UpdateFrameTitle(ActiveChild());
}

bool MdiFrameWindow::PreTranslateMessage(MSG& message) {
  if (!IsKeyboardMessage(message)) return false;
  if (client_ && TranslateMDISysAccel(client_, &message)) return true;
  HACCEL table = accelerators_;
  if (MdiChildWindow* child = ActiveChild()) {
    if (child->Template() && child->Template()->Accelerators()) table = child->Template()->Accelerators();
  }
  return table && TranslateAcceleratorA(Handle(), table, &message);
}

bool MdiFrameWindow::CreateMdiClient(HINSTANCE instance) {
  CLIENTCREATESTRUCT clientCreate = {};
  clientCreate.hWindowMenu = nullptr;
  clientCreate.idFirstChild = IDM_FIRST_MDICHILD;
  client_ = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                            WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0,
                            0, 0, 0, Handle(), nullptr, instance, &clientCreate);
  return client_ != nullptr;
}

int MdiFrameWindow::OnCreate(CREATESTRUCTA& create) {
  return CreateMdiClient(create.hInstance) ? 0 : -1;
}

bool MdiFrameWindow::OnCommand(UINT) { return false; }

void MdiFrameWindow::OnDropFiles(HDROP drop) {
  DropList files(drop);
  Application* application = Application::Current();
  const UINT count = DragQueryFileA(files.get(), 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count && application; ++i) {
    char path[MAX_PATH] = "";
    const UINT length = DragQueryFileA(files.get(), i, path, sizeof path);
    // A name that does not fit would be cut to a different file.
    if (length == 0 || length >= sizeof path) continue;
    application->OpenDocumentFile(path);
  }
}

LRESULT MdiFrameWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefFrameProcA(Handle(), client_, message, wParam, lParam);
}

LRESULT MdiFrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(*reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam);
      // Items of the MDI window list belong to DefFrameProc.
      if (id >= IDM_FIRST_MDICHILD) break;
      if (RouteToActiveChild(id)) return 0;
      if (OnCommand(id)) return 0;
      if (Application::Current() && Application::Current()->OnCommand(id)) return 0;
      break;
    }
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CLOSE:
      if (!OnClose()) return 0;
      break;
    case WM_DESTROY:
      // The frame's own menu goes with the window; a template's menu stays with its template.
      if (defaultMenu_ && GetMenu(Handle()) != defaultMenu_) SetMenu(Handle(), defaultMenu_);
      OnDestroy();
      break;
    case WM_NCDESTROY:
      client_ = nullptr;
      if (Application::Current() && Application::Current()->MainWindow() == this) {
        PostQuitMessage(0);
      }
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace qfw
