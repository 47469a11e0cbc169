// What an image view asks of the main window: the scanner and closing commands that arrive at
// the view are run by the main window's own handlers.
#pragma once

#include <windows.h>

namespace quill {

// Sent to a view (wParam: the window that realises its palette in the foreground).
const UINT UM_REALIZEPALETTE = WM_USER;

class FrameCommandTarget {
 public:
  virtual ~FrameCommandTarget() = default;
  // Select TWAIN Source, Acquire, Close All, Inquiry Close All and Close; other ids do nothing.
  virtual void ExecuteFrameCommand(UINT id) = 0;
  // False while an acquisition runs: Select TWAIN Source, Acquire, Configuration and Exit then
  // do nothing, and every menu that carries them shows them grayed.
  virtual bool ScannerCommandsAllowed() const = 0;
};

// The commands that ScannerCommandsAllowed gates.
extern const UINT kScannerCommands[4];

// Sends UM_REALIZEPALETTE with `foreground` to every window below `window`, at every level.
void BroadcastRealizePalette(HWND window, HWND foreground);

}  // namespace quill
