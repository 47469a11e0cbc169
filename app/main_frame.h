// The program's main window: the MDI frame that holds the image windows and carries the menus.
#pragma once

#include <windows.h>

#include "mdi_frame.h"
#include "twain_connection.h"

namespace quill {

// The main window's class name; also how a second copy of the program finds the first.
extern const char kMainWindowClass[];

// Registers the main window class with the icon of `resources`. False when registration fails.
bool RegisterMainWindowClass(HINSTANCE instance, HINSTANCE resources);

// The main window is also the program's one TWAIN connection: it lives exactly as long as the
// window object.
class CMainFrame : public qfw::MdiFrameWindow, public TwainConnection {
 public:
  CMainFrame();

  // Once the main window is shown at start-up: is the default source the maker's, and which
  // extended capabilities does it offer.
  virtual void OnStartupChecks();

  // Every message of the program's loop; the TWAIN connection will see each one first.
  bool PreTranslateMessage(MSG& message) override;

  // The connected scanner's text for the About box; empty until a scanner answered.
  char m_szConnectedScanner[64];

 protected:
  void PreCreateWindow(CREATESTRUCTA& create) override;
  int OnCreate(CREATESTRUCTA& create) override;
  // Closes the source and the manager before the window goes.
  void OnDestroy() override;
};

}  // namespace quill
