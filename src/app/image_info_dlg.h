// The image information dialog: size, bit depth and storage size of the active image.
#pragma once

#include <windows.h>

#include <string>

#include "app/info_box.h"

namespace quill {

class CMainFrame;

// " N KB" for a storage size of `bytes`, whole kilobytes of 1000 bytes rounded up.
std::string StorageSizeText(unsigned long bytes);

// Dialog resource 102.
class CImageInfoDlg : public InfoBox {
 public:
  explicit CImageInfoDlg(CMainFrame& frame);

 private:
  BOOL OnInitDialog() override;

  // Only read while the dialog is being set up: the frame may be gone once the dialog's loop runs.
  CMainFrame* frame_;
};

}  // namespace quill
