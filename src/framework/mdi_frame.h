// The multiple-document frame: a top-level window with its MDI client, menu and accelerator table.
// Messages it does not handle go to DefFrameProc; commands it does not handle go to the
// application object.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "framework/window.h"

namespace qfw {

class MdiChildWindow;

class MdiFrameWindow : public Window {
 public:
  MdiFrameWindow() = default;

  // Creates the frame with the menu and accelerator table of `resourceId` from the current
  // resource handle, its title from the first part of string `resourceId`, and `style`
  // (FWS_ADDTOTITLE is kept by the frame). False when the menu is missing or creation fails.
  bool LoadFrame(UINT resourceId, DWORD style, HWND parent);

  HWND MdiClient() const { return client_; }
  HACCEL Accelerators() const { return accelerators_; }

  // The frame's own title (the application title).
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  bool AddsDocumentTitle() const { return addToTitle_; }

  // Keyboard for the MDI children's system menus, then the accelerators of the active document
  // window's template, or the frame's own when none is active.
  bool PreTranslateMessage(MSG& message) override;

  // The active document window, or NULL.
  HWND ActiveChildWindow() const;
  MdiChildWindow* ActiveChild() const;
  // The frame's menu and title follow the active document window: its template's menu and
  // "frame title - document title"; with none, the frame's own menu and title.
  void OnChildActivated(MdiChildWindow* child);
  // Menu and title again for whichever document window is active now (after one went, or
  // after a document's title changed).
  void RefreshForActiveChild();

 protected:
  // Lets a derived frame choose its window class and adjust the creation values before the
  // window is created. Without a class name the framework's own frame class is used.
  virtual void PreCreateWindow(CREATESTRUCTA& create);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // After the frame exists: creates the MDI client. -1 ends creation.
  virtual int OnCreate(CREATESTRUCTA& create);
  // A command from a menu or an accelerator; false passes it on to the application.
  virtual bool OnCommand(UINT id);
  virtual void OnDestroy() {}
  // The frame is asked to close: every document's question first; false keeps it open.
  virtual bool OnClose();
  // Files dropped from the shell: each is opened by the application.
  virtual void OnDropFiles(HDROP drop);

  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  bool CreateMdiClient(HINSTANCE instance);
  void UpdateFrameTitle(MdiChildWindow* child);
  // Commands go to the active document window (its view, then its document) before the frame.
  bool RouteToActiveChild(UINT id);

  HWND client_ = nullptr;
  HMENU defaultMenu_ = nullptr;  // the frame's own menu, also while a template's is shown
  HACCEL accelerators_ = nullptr;  // owned by the resource module
  std::string title_;
  bool addToTitle_ = false;  // the active document's title follows the frame's title
};

}  // namespace qfw
