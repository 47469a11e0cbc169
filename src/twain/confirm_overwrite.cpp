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

CConfirmOverwriteDlg::CConfirmOverwriteDlg(std::string message, std::string caption) {
  // A name too long for the text is cut for the display only.
  if (!CopyText(m_szMessage, sizeof m_szMessage, message)) {
    m_szMessage[sizeof m_szMessage - 1] = '\0';
  }
  if (!CopyText(m_szCaption, sizeof m_szCaption, caption)) m_szCaption[sizeof m_szCaption - 1] = '\0';
}

INT_PTR CConfirmOverwriteDlg::DoModal(HWND owner) {
  return DialogBoxParamA(qfw::ResourceHandle(), MAKEINTRESOURCEA(IDD_CONFIRM_OVERWRITE), owner,
                         Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CConfirmOverwriteDlg::Procedure(HWND dialog, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  auto* self = reinterpret_cast<CConfirmOverwriteDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<CConfirmOverwriteDlg*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetDlgItemTextA(dialog, IDC_OVERWRITE_MESSAGE, self->m_szMessage);
      SetWindowTextA(dialog, self->m_szCaption);
      return TRUE;
    case WM_COMMAND:
      if (!self) break;
      switch (LOWORD(wParam)) {
        case IDOK:
          self->m_nChoice = kOverwriteYes;
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDC_YES_TO_ALL:
          self->m_nChoice = kOverwriteAll;
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          self->m_nChoice = kOverwriteNo;
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
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
