#include "config/extend_page.h"

#include <commdlg.h>

#include <string>

#include "res/config_ids.h"
#include "config/dialog_support.h"
#include "framework/file_dialogs.h"
#include "framework/resources.h"
#include "base/text.h"

namespace quill {
namespace {

const int kTextLimit = ScanSettings::kTextSize - 1;
// The edits take more than is stored: what does not fit is cut when it is read back.
const int kProgramLimit = 512;
const int kParametersLimit = 255;

void CopyField(char (&to)[ScanSettings::kTextSize], const char (&from)[ScanSettings::kTextSize]) {
  if (!CopyText(to, sizeof to, std::string(from, BoundedLength(from, sizeof from)))) to[0] = '\0';
}

}  // namespace

void ExtendPage::CopyFrom(const ScanSettings& settings) {
  m_LaunchProc = settings.LaunchProc;
  CopyField(m_LaunchCmdLine, settings.LaunchCmdLine);
  CopyField(m_LaunchArgs, settings.LaunchArgs);
}

void ExtendPage::CopyTo(ScanSettings& settings) const {
  settings.LaunchProc = m_LaunchProc;
  CopyField(settings.LaunchCmdLine, m_LaunchCmdLine);
  CopyField(settings.LaunchArgs, m_LaunchArgs);
}

HWND ExtendPage::Create(HWND parent) {
  page_ = CreateDialogParamA(qfw::ResourceHandle(), MAKEINTRESOURCEA(IDD_EXTEND_PAGE), parent,
                             Procedure, reinterpret_cast<LPARAM>(this));
  return page_;
}

INT_PTR CALLBACK ExtendPage::Procedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  ExtendPage* self = BoundDialog<ExtendPage>(page, message, lParam);
  if (!self) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      self->page_ = page;
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == IDC_LAUNCH) {
        self->OnLaunch();
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_BROWSE_PROCESS) {
        self->OnBrowse();
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      self->page_ = nullptr;
      break;
  }
  return FALSE;
}

void ExtendPage::Fill() {
  CheckDlgButton(page_, IDC_LAUNCH, m_LaunchProc ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(page_, IDC_PROCESS, m_LaunchCmdLine);
  LimitItemText(page_, IDC_PROCESS, kProgramLimit);
  SetDlgItemTextA(page_, IDC_PARAMETERS, m_LaunchArgs);
  LimitItemText(page_, IDC_PARAMETERS, kParametersLimit);
  EnableLaunchControls(m_LaunchProc != 0);
}

void ExtendPage::EnableLaunchControls(bool enabled) {
  EnableItems(page_, {IDC_PROCESS_LABEL, IDC_PROCESS, IDC_BROWSE_PROCESS, IDC_PARAMETERS_LABEL, IDC_PARAMETERS},
              enabled);
}

void ExtendPage::OnLaunch() {
  m_LaunchProc = IsItemChecked(page_, IDC_LAUNCH) ? 1 : 0;
  EnableLaunchControls(m_LaunchProc != 0);
}

void ExtendPage::OnBrowse() {
  const std::string filter = qfw::LoadResourceString(IDS_LAUNCH_FILTER);
  std::string program;
  const HWND page = page_;
  if (!qfw::AskOpenFileName(GetAncestor(page, GA_ROOT), ".exe", "*.exe", OFN_HIDEREADONLY, filter.c_str(),
                            program)) {
    return;
  }
  if (IsWindow(page) && page_ == page) SetDlgItemTextA(page, IDC_PROCESS, program.c_str());
}

void ExtendPage::ReadBack() {
  m_LaunchProc = IsItemChecked(page_, IDC_LAUNCH) ? 1 : 0;
  CopyText(m_LaunchCmdLine, sizeof m_LaunchCmdLine, ItemText(page_, IDC_PROCESS, kTextLimit));
  CopyText(m_LaunchArgs, sizeof m_LaunchArgs, ItemText(page_, IDC_PARAMETERS, kTextLimit));
}

}  // namespace quill
