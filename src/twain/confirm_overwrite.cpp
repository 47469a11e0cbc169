#include "twain/confirm_overwrite.h"

#include <utility>

#include "framework/application.h"
#include "framework/resources.h"
#include "base/text.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

class DialogQuestion : public OverwriteQuestion {
 public:
  OverwriteChoice Ask(const std::string& message, const std::string& caption) override {
    CConfirmOverwriteDlg dialog(message, caption);
    dialog.DoModal(qfw::MainWindowHandle());
    return static_cast<OverwriteChoice>(dialog.Choice());
  }
};

DialogQuestion g_dialogQuestion;
OverwriteQuestion* g_question = &g_dialogQuestion;

}  // namespace

CConfirmOverwriteDlg::CConfirmOverwriteDlg(std::string message, std::string caption)
    : qfw::Dialog(IDD_CONFIRM_OVERWRITE) {
  // A name too long for the text is cut for the display only.
  if (!CopyText(m_szMessage, sizeof m_szMessage, message)) {
    m_szMessage[sizeof m_szMessage - 1] = '\0';
  }
  if (!CopyText(m_szCaption, sizeof m_szCaption, caption)) m_szCaption[sizeof m_szCaption - 1] = '\0';
}

BOOL CConfirmOverwriteDlg::OnInitDialog() {
  SetDlgItemTextA(Handle(), IDC_OVERWRITE_MESSAGE, m_szMessage);
  SetWindowTextA(Handle(), m_szCaption);
  return TRUE;
}

bool CConfirmOverwriteDlg::OnCommand(UINT id, UINT) {
  switch (id) {
    case IDOK:
      m_nChoice = kOverwriteYes;
      EndDialog(Handle(), IDOK);
      return true;
    case IDC_YES_TO_ALL:
      m_nChoice = kOverwriteAll;
      EndDialog(Handle(), IDOK);
      return true;
    case IDCANCEL:
      m_nChoice = kOverwriteNo;
      EndDialog(Handle(), 0);
      return true;
  }
  return false;
}

OverwriteChoice AskOverwrite(const char* fileName) {
  std::string message = fileName;
  message += "\n";
  message += qfw::LoadResourceString(IDS_OVERWRITE_QUESTION);
  return g_question->Ask(message, qfw::LoadResourceString(IDS_CONFIRM_OVERWRITE));
}

OverwriteQuestion* ExchangePresenter(OverwriteQuestion* replacement) {
  return std::exchange(g_question, replacement);
}

}  // namespace quill
