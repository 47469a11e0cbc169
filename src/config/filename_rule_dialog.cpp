#include "config/filename_rule_dialog.h"

#include <algorithm>

#include "res/config_ids.h"
#include "config/dialog_support.h"
#include "base/text.h"

namespace quill {
namespace {

const unsigned kDigitChoices = 5;
// The fixed part leaves room in a 260-character name for the number and the extension.
const int kFixateLimit = 246;
const int kTextLimit = ScanSettings::kTextSize - 1;

}  // namespace

std::string SampleFileName(const char* fixate, unsigned digitIndex, unsigned fileFormat) {
  // A digit count from the registry is not checked when loaded: no more marks than a name holds.
  const size_t digits = std::min<size_t>(size_t{digitIndex} + 1, ScanSettings::kTextSize - 1);
  return std::string(fixate, BoundedLength(fixate, ScanSettings::kTextSize)) + std::string(digits, '$') +
         (static_cast<LONG>(fileFormat) != kFormatBmp ? ".TIF" : ".BMP");
}

FilenameRuleDialog::FilenameRuleDialog() : qfw::Dialog(IDD_FILENAME_RULE) {}

INT_PTR FilenameRuleDialog::DoModal(HWND owner) {
  result_ = RunModal(owner);
  return result_;
}

HWND FilenameRuleDialog::Create(HWND owner) {
  result_ = 0;
  return CreateModeless(owner);
}

bool FilenameRuleDialog::OnCommand(UINT id, UINT code) {
  const HWND dialog = Handle();
  switch (id) {
    case IDOK:
      OnOk(dialog);
      return true;
    case IDCANCEL:
      End(dialog, IDCANCEL);
      return true;
    case IDC_RULE_DIGITS:
      if (code == CBN_SELCHANGE) OnDigitsChanged(dialog);
      return true;
  }
  return false;
}

BOOL FilenameRuleDialog::OnInitDialog() {
  const HWND dialog = Handle();
  start_.Attach(dialog, IDC_RULE_START);
  step_.Attach(dialog, IDC_RULE_STEP);
  // A fixed part without its terminator is shown empty, never read past its end.
  if (BoundedLength(m_Fixate, sizeof m_Fixate) == sizeof m_Fixate) m_Fixate[0] = '\0';
  SetDlgItemTextA(dialog, IDC_RULE_FIXATE, m_Fixate);
  LimitItemText(dialog, IDC_RULE_FIXATE, kFixateLimit);
  SendDlgItemMessageA(dialog, IDC_RULE_DIGITS, CB_RESETCONTENT, 0, 0);
  for (unsigned digits = 1; digits <= kDigitChoices; ++digits) {
    const std::string text = std::to_string(digits);
    SendDlgItemMessageA(dialog, IDC_RULE_DIGITS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendDlgItemMessageA(dialog, IDC_RULE_DIGITS, CB_SETCURSEL, m_DigitIndex, 0);
  SetSignedItem(dialog, IDC_RULE_START, static_cast<LONG>(m_Start));
  SetSignedItem(dialog, IDC_RULE_STEP, static_cast<LONG>(m_Step));
  LimitItemText(dialog, IDC_RULE_START, m_DigitIndex + 1);
  LimitItemText(dialog, IDC_RULE_STEP, m_DigitIndex + 1);
  return TRUE;
}

void FilenameRuleDialog::OnDigitsChanged(HWND dialog) {
  const LRESULT index = SendDlgItemMessageA(dialog, IDC_RULE_DIGITS, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  // Text already longer than the new limit stays; OK refuses it.
  LimitItemText(dialog, IDC_RULE_START, static_cast<int>(index) + 1);
  LimitItemText(dialog, IDC_RULE_STEP, static_cast<int>(index) + 1);
}

void FilenameRuleDialog::OnOk(HWND dialog) {
  CopyText(m_Fixate, sizeof m_Fixate, ItemText(dialog, IDC_RULE_FIXATE, kTextLimit));
  const LRESULT index = SendDlgItemMessageA(dialog, IDC_RULE_DIGITS, CB_GETCURSEL, 0, 0);
  m_Start = ReadUnsignedItem(dialog, IDC_RULE_START, kTextLimit);
  m_Step = ReadUnsignedItem(dialog, IDC_RULE_STEP, kTextLimit);
  // A stored digit count outside the list selects nothing: the user has to choose one.
  const bool digitsChosen = index >= 0 && index < static_cast<LRESULT>(kDigitChoices);
  if (digitsChosen) m_DigitIndex = static_cast<WORD>(index);
  DWORD limit = 1;
  for (unsigned digit = 0; digitsChosen && digit <= m_DigitIndex; ++digit) limit *= 10;
  if (digitsChosen && m_Start < limit && m_Step < limit) {
    End(dialog, IDOK);
    return;
  }
  ShowValidationError(dialog, IDS_ILLEGAL_VALUE);
}

void FilenameRuleDialog::End(HWND dialog, INT_PTR result) {
  result_ = result;
  EndDialog(dialog, result);
}

}  // namespace quill
