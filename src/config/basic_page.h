// The Basic Functions page of the Configuration dialog: transfer mode, output with file format,
// folder and name rule, paper supply, the source's own dialog and the compression. It edits
// working copies of the settings; only the dialog's OK hands them back.
#pragma once

#include <windows.h>

#include "config/digit_edit.h"
#include "config/scan_settings.h"
#include "config/settings_page.h"

namespace quill {

// Dialog resource 104.
class BasicPage : public SettingsPage {
 public:
  BasicPage();

  // The 16-bit members (and the output) take the low 16 bits of the settings; back into the
  // settings they are zero-extended.
  void CopyFrom(const ScanSettings& settings) override;
  void CopyTo(ScanSettings& settings) const override;

  // Applies every enabling rule too.
  void Fill() override;
  // The K factor, folder and page count; a page count below 1 under ADF(G) is reported (and
  // focused) here.
  void ReadBack() override;
  // Turns every "/" of the folder into "\" and tells whether it names an existing folder; the
  // answer is also kept as the folder-invalid flag.
  bool CheckFolder();
  bool FolderInvalid() const { return folderInvalid_; }

  DWORD m_FileIdNumber = 0;
  LONG m_XferCount = 0;
  LONG m_FileNumDigit = 0;
  DWORD m_FileNumStep = 0;
  LONG m_ShowUI = 0;
  LONG m_Destination = 0;
  WORD m_ScanMech = 0;
  WORD m_FileFormat = 0;
  WORD m_PaperSupply = 0;
  WORD m_Compress = 0;
  WORD m_KFactor = 0;
  char m_FilePath[ScanSettings::kTextSize] = "";
  char m_FileFixate[ScanSettings::kTextSize] = "";

 private:
  bool OnCommand(UINT id, UINT code) override;

  void OnTransferMode(WORD mechanism);
  void OnOutputChanged();
  void OnFormatChanged();
  void OnChooseFolder();
  void OnNameRule();
  void OnFlatBed();
  void OnAdfAllPages();
  void OnAdfCount();
  void OnShowUI();
  void OnCompressionChanged();

  void RebuildOutputList();
  void ApplyFileControlsRule();
  void ApplyCompressionRule();
  void ShowSampleName();
  // The selection of a drop-down list, or -1.
  LONG Selection(int id) const;

  LONG rememberedXferCount_ = 0;
  bool folderInvalid_ = false;
  DigitEdit pageCount_;
  DigitEdit kFactor_;
};

}  // namespace quill
