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

ExtendPage::ExtendPage() : SettingsPage(IDD_EXTEND_PAGE) {}

bool ExtendPage::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_LAUNCH:
      OnLaunch();
      return true;
    case IDC_BROWSE_PROCESS:
      OnBrowse();
      return true;
  }
  return false;
}

void ExtendPage::Fill() {
  CheckDlgButton(Handle(), IDC_LAUNCH, m_LaunchProc ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(Handle(), IDC_PROCESS, m_LaunchCmdLine);
  LimitItemText(Handle(), IDC_PROCESS, kProgramLimit);
  SetDlgItemTextA(Handle(), IDC_PARAMETERS, m_LaunchArgs);
  LimitItemText(Handle(), IDC_PARAMETERS, kParametersLimit);
  EnableLaunchControls(m_LaunchProc != 0);
}

void ExtendPage::EnableLaunchControls(bool enabled) {
  EnableItems(Handle(), {IDC_PROCESS_LABEL, IDC_PROCESS, IDC_BROWSE_PROCESS, IDC_PARAMETERS_LABEL, IDC_PARAMETERS},
              enabled);
}

void ExtendPage::OnLaunch() {
  m_LaunchProc = IsItemChecked(Handle(), IDC_LAUNCH) ? 1 : 0;
  EnableLaunchControls(m_LaunchProc != 0);
}

void ExtendPage::OnBrowse() {
  const std::string filter = qfw::LoadResourceString(IDS_LAUNCH_FILTER);
  std::string program;
  const HWND page = Handle();
  if (!qfw::AskOpenFileName(GetAncestor(page, GA_ROOT), ".exe", "*.exe", OFN_HIDEREADONLY, filter.c_str(),
                            program)) {
    return;
  }
  if (IsWindow(page) && Handle() == page) SetDlgItemTextA(page, IDC_PROCESS, program.c_str());
}

void ExtendPage::ReadBack() {
  m_LaunchProc = IsItemChecked(Handle(), IDC_LAUNCH) ? 1 : 0;
  CopyText(m_LaunchCmdLine, sizeof m_LaunchCmdLine, ItemText(Handle(), IDC_PROCESS, kTextLimit));
  CopyText(m_LaunchArgs, sizeof m_LaunchArgs, ItemText(Handle(), IDC_PARAMETERS, kTextLimit));
}

}  // namespace quill
