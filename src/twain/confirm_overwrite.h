// The question before an existing output file is overwritten: Yes, Yes to ALL (the rest of the
// batch without asking) or No. Asked through a seam so that tests can answer it.
#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "framework/scoped_presenter.h"

namespace quill {

enum OverwriteChoice : short { kOverwriteNo = 0, kOverwriteYes = 1, kOverwriteAll = 2 };

class CConfirmOverwriteDlg : public qfw::Dialog {
 public:
  CConfirmOverwriteDlg(std::string message, std::string caption);
  // Shows the dialog (resource 108) modally; IDOK for Yes and Yes to ALL, 0 for No.
  INT_PTR DoModal(HWND owner) { return RunModal(owner); }
  short Choice() const { return m_nChoice; }

 private:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code) override;

  char m_szMessage[516];
  char m_szCaption[260];
  short m_nChoice = kOverwriteNo;
};

class OverwriteQuestion {
 public:
  virtual ~OverwriteQuestion() = default;
  virtual OverwriteChoice Ask(const std::string& message, const std::string& caption) = 0;
};

// "NAME\nFile already exist, do you wish to overwrite?" under "Confirm overwrite".
OverwriteChoice AskOverwrite(const char* fileName);

// The seam: makes `replacement` current and returns the question it replaced.
OverwriteQuestion* ExchangePresenter(OverwriteQuestion* replacement);
// Replaces the question for the lifetime of this object (tests).
using ScopedOverwriteQuestion = qfw::ScopedPresenter<OverwriteQuestion>;

}  // namespace quill
