#include "app/image_info_dlg.h"

#include <cstdio>

#include "app/main_frame.h"
#include "framework/mdi_child.h"
#include "doc/quill_doc.h"
#include "res/resource.h"

namespace quill {

std::string StorageSizeText(unsigned long bytes) {
  const unsigned long kilobytes = bytes / 1000 + (bytes % 1000 != 0 ? 1 : 0);
  char text[32];
  std::snprintf(text, sizeof text, " %lu KB", kilobytes);
  return text;
}

CImageInfoDlg::CImageInfoDlg(CMainFrame& frame) : InfoBox(IDD_IMAGE_INFO), frame_(&frame) {}

BOOL CImageInfoDlg::OnInitDialog() {
  const HWND dialog = Handle();
  CMainFrame* frame = frame_;
  frame_ = nullptr;
  qfw::MdiChildWindow* child = frame && g_bFrameAlive == 1 ? frame->ActiveChild() : nullptr;
  const auto* document = child ? dynamic_cast<const CQuillDoc*>(child->GetDocument()) : nullptr;
  // Without an image the dialog shows its labels only.
  if (!document) return FALSE;
  char text[64];
  std::snprintf(text, sizeof text, " %u x %u", static_cast<unsigned>(document->ImageWidth),
                static_cast<unsigned>(document->ImageHeight));
  SetDlgItemTextA(dialog, IDC_IMAGE_SIZE, text);
  std::snprintf(text, sizeof text, " %u", static_cast<unsigned>(document->BitCount));
  SetDlgItemTextA(dialog, IDC_BIT_COUNT, text);
  SetDlgItemTextA(dialog, IDC_STORAGE_SIZE,
                  StorageSizeText(static_cast<unsigned long>(static_cast<DWORD>(document->FileSize))).c_str());
  return TRUE;
}

}  // namespace quill
