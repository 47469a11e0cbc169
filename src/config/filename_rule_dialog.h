// The filename rule: the fixed part of every file name, the number of digits of the running
// number, its start and its step; and the sample name the Basic page shows for it.
#pragma once

#include <windows.h>

#include <string>

#include "config/digit_edit.h"
#include "config/scan_settings.h"
#include "framework/dialog.h"

namespace quill {

// The fixed part, one "$" per digit (`digitIndex` + 1 of them), then ".TIF" for TIFF files or
// ".BMP": IMAGE$$$.BMP with the defaults.
std::string SampleFileName(const char* fixate, unsigned digitIndex, unsigned fileFormat);

class FilenameRuleDialog : public qfw::Dialog {
 public:
  FilenameRuleDialog();

  // Dialog resource 106 modally over `owner`: IDOK when the values were taken, else IDCANCEL.
  INT_PTR DoModal(HWND owner);
  // The same dialog without its own loop, for callers that drive it with messages; Result()
  // tells how it ended.
  HWND Create(HWND owner);
  INT_PTR Result() const { return result_; }

  char m_Fixate[ScanSettings::kTextSize] = "";
  DWORD m_Start = 0;
  WORD m_DigitIndex = 0;  // digits minus one, 0..4
  DWORD m_Step = 0;
  WORD m_FileFormat = 0;  // carried in, not shown

 private:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code) override;
  void OnDigitsChanged(HWND dialog);
  void OnOk(HWND dialog);
  void End(HWND dialog, INT_PTR result);

  DigitEdit start_;
  DigitEdit step_;
  INT_PTR result_ = 0;
};

}  // namespace quill
