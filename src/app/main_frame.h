// The program's main window: the MDI frame that holds the image windows and carries the menus.
#pragma once

#include <windows.h>

#include "view/frame_commands.h"
#include "framework/mdi_frame.h"
#include "app/scanner_models.h"
#include "twain/twain_connection.h"

namespace quill {

// The main window's class name; also how a second copy of the program finds the first.
extern const char kMainWindowClass[];

// Registers the main window class with the icon of `resources`. False when registration fails.
bool RegisterMainWindowClass(HINSTANCE instance, HINSTANCE resources);

// The main window is also the program's one TWAIN connection: it lives exactly as long as the
// window object.
class CQuillView;

class CMainFrame : public qfw::MdiFrameWindow, public TwainConnection, public FrameCommandTarget {
 public:
  CMainFrame();

  // Once the main window is shown at start-up: is the default source the maker's, and which
  // extended capabilities does it offer.
  virtual void OnStartupChecks();

  // Every message of the program's loop; the TWAIN connection will see each one first.
  bool PreTranslateMessage(MSG& message) override;

  // The scanner and closing commands that views pass on; any other id does nothing.
  void ExecuteFrameCommand(UINT id) override;
  // Select TWAIN Source, Acquire, Configuration and Exit may run: no acquisition is under way.
  bool ScannerCommandsAllowed() const override;

  // A transferred DIB in a new image window, which then owns it. The window that was active
  // before stays active. False (the DIB freed) when no window could be made.
  int OnNativeImage(HGLOBAL dib) override;
  // A BMP file written by the source, opened in a new image window. False when it cannot be read
  // (the user has been told why).
  int OnImageFile(const char* path) override;

  // The manager's source selection dialog, then the warning about another maker's source.
  void OnSelectSource();
  // One whole acquisition, with the items that could start another one (or end the program)
  // grayed while it runs.
  void OnAcquire();
  // Closes every image after one question, and only when one is modified; nothing is saved.
  void OnCloseAll();
  // Closes image after image, asking for each modified one; Cancel stops with the rest open.
  void OnInquiryCloseAll();
  // Closes the active image after its question.
  void OnCloseActive();
  void OnEditSelectAll();
  // F1, Shift+F1 and the other help commands: what the commands do, where files go and what
  // the messages mean, in a box of its own.
  void OnHelp();
  void OnViewFullSize();
  void OnViewWindowSize();

  // Asks the default source for its inquiry block and puts "MODEL Rev. REVISION" into
  // m_szConnectedScanner; leaves it empty for another maker's source or an unknown model.
  void BuildConnectedScannerText();
  // The default source's inquiry block into `block`, when the default source is the maker's and
  // answers. Whatever the connection opens for this it closes again; while a scan runs, the
  // open source is asked and its identity left untouched. Virtual for tests that bring a block.
  virtual BOOL ReadScannerInquiry(unsigned char (&block)[kInquiryAreaBytes]);

  // The connected scanner's text for the About box; empty until a scanner answered.
  char m_szConnectedScanner[64];

 protected:
  void PreCreateWindow(CREATESTRUCTA& create) override;
  int OnCreate(CREATESTRUCTA& create) override;
  // Closes the source and the manager before the window goes.
  void OnDestroy() override;
  bool OnCommand(UINT id) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Copy with no image window: nothing to copy.
  void OnEditCopy() {}
  // The view of the active image window, if there is one.
  CQuillView* ActiveImageView() const;
  LRESULT OnQueryNewPalette();
  void OnPaletteChanged();
  // The File popup and the system menu are kept in step with the connection's state, so that
  // no second scan, source selection, configuration or exit starts while a scan runs.
  void OnInitMenuPopup(HMENU popup, UINT index, bool isSystemMenu);
  // Select TWAIN Source, Acquire, Configuration and Exit in `menu`, and the system menu's Close.
  void EnableScannerItems(HMENU menu, bool enabled);
  // `id` is one of those four and a scan runs: the command does nothing.
  bool IsBlockedDuringScan(UINT id) const;
};

}  // namespace quill
