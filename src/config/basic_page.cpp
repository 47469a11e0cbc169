#include "config/basic_page.h"

#include <string>

#include "res/config_ids.h"
#include "config/dialog_support.h"
#include "config/directory_dialog.h"
#include "config/filename_rule_dialog.h"
#include "base/text.h"

namespace quill {
namespace {

const int kTextLimit = ScanSettings::kTextSize - 1;
const int kPathLimit = 255;
const int kPageCountLimit = 5;
const int kKFactorLimit = 6;

const int kMechButtons[] = {IDC_MECH_NATIVE, IDC_MECH_MEMORY, IDC_MECH_FILE};

WORD Low16(LONG value) { return static_cast<WORD>(value & 0xFFFF); }

}  // namespace

void BasicPage::CopyFrom(const ScanSettings& settings) {
  m_FileIdNumber = settings.FileIdNumber;
  m_XferCount = settings.XferCount;
  m_FileNumDigit = settings.FileNumDigit;
  m_FileNumStep = settings.FileNumStep;
  m_ShowUI = settings.ShowUI;
  m_Destination = Low16(settings.Destination);
  m_ScanMech = Low16(settings.ScanMech);
  m_FileFormat = Low16(settings.FileFormat);
  m_PaperSupply = Low16(settings.PaperSupply);
  m_Compress = Low16(settings.Compress);
  m_KFactor = Low16(settings.KFactor);
  // A text without its terminator comes in empty rather than read past its end.
  if (!CopyText(m_FilePath, sizeof m_FilePath,
                std::string(settings.FilePath, BoundedLength(settings.FilePath, sizeof settings.FilePath)))) {
    m_FilePath[0] = '\0';
  }
  if (!CopyText(m_FileFixate, sizeof m_FileFixate,
                std::string(settings.FileFixate, BoundedLength(settings.FileFixate, sizeof settings.FileFixate)))) {
    m_FileFixate[0] = '\0';
  }
}

void BasicPage::CopyTo(ScanSettings& settings) const {
  settings.FileIdNumber = m_FileIdNumber;
  settings.XferCount = m_XferCount;
  settings.FileNumDigit = m_FileNumDigit;
  settings.FileNumStep = m_FileNumStep;
  settings.ShowUI = m_ShowUI;
  settings.Destination = m_Destination;
  settings.ScanMech = m_ScanMech;
  settings.FileFormat = m_FileFormat;
  settings.PaperSupply = m_PaperSupply;
  settings.Compress = m_Compress;
  settings.KFactor = m_KFactor;
  CopyText(settings.FilePath, sizeof settings.FilePath, m_FilePath);
  CopyText(settings.FileFixate, sizeof settings.FileFixate, m_FileFixate);
}

BasicPage::BasicPage() : SettingsPage(IDD_BASIC_PAGE) {}

bool BasicPage::OnCommand(UINT id, UINT code) {
  if (code == CBN_SELCHANGE) {
    switch (id) {
      case IDC_OUTPUT:
        OnOutputChanged();
        return true;
      case IDC_FORMAT:
        OnFormatChanged();
        return true;
      case IDC_COMPRESSION:
        OnCompressionChanged();
        return true;
    }
    return false;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_MECH_NATIVE:
      OnTransferMode(kTransferNative);
      return true;
    case IDC_MECH_MEMORY:
      OnTransferMode(kTransferMemory);
      return true;
    case IDC_MECH_FILE:
      OnTransferMode(kTransferFile);
      return true;
    case IDC_CHOOSE_FOLDER:
      OnChooseFolder();
      return true;
    case IDC_NAME_RULE:
      OnNameRule();
      return true;
    case IDC_FLATBED:
      OnFlatBed();
      return true;
    case IDC_ADF_ALL:
      OnAdfAllPages();
      return true;
    case IDC_ADF_COUNT:
      OnAdfCount();
      return true;
    case IDC_SHOW_UI:
      OnShowUI();
      return true;
  }
  return false;
}

void BasicPage::Fill() {
  const HWND page = Handle();
  pageCount_.Attach(page, IDC_PAGE_COUNT);
  kFactor_.Attach(page, IDC_KFACTOR);
  FillList(page, IDC_FORMAT, {IDS_FORMAT_BMP, IDS_FORMAT_TIFF});
  SendDlgItemMessageA(page, IDC_FORMAT, CB_SETCURSEL, m_FileFormat, 0);
  FillList(page, IDC_COMPRESSION, {IDS_COMPRESS_NONE, IDS_COMPRESS_G3_1D, IDS_COMPRESS_G3_1D_EOL,
                                   IDS_COMPRESS_G3_2D, IDS_COMPRESS_G4});
  SendDlgItemMessageA(page, IDC_COMPRESSION, CB_SETCURSEL, m_Compress, 0);
  for (WORD mechanism = 0; mechanism < 3; ++mechanism) {
    CheckDlgButton(page, kMechButtons[mechanism], m_ScanMech == mechanism ? BST_CHECKED : BST_UNCHECKED);
  }
  RebuildOutputList();
  SetDlgItemTextA(page, IDC_PATH, m_FilePath);
  LimitItemText(page, IDC_PATH, kPathLimit);
  ShowSampleName();
  ApplyFileControlsRule();
  rememberedXferCount_ = m_XferCount;
  SetSignedItem(page, IDC_PAGE_COUNT, m_XferCount);
  LimitItemText(page, IDC_PAGE_COUNT, kPageCountLimit);
  CheckDlgButton(page, IDC_FLATBED, m_PaperSupply == kFlatbed ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_ADF_ALL, m_PaperSupply == kFeederAllPages ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_ADF_COUNT, m_PaperSupply == kFeederCountedPages ? BST_CHECKED : BST_UNCHECKED);
  EnableItems(page, {IDC_PAGE_COUNT, IDC_PAGES_LABEL}, m_PaperSupply == kFeederCountedPages);
  CheckDlgButton(page, IDC_SHOW_UI, m_ShowUI ? BST_CHECKED : BST_UNCHECKED);
  if (m_ShowUI) {
    EnableItems(page, {IDC_PAPER_GROUP, IDC_FLATBED, IDC_ADF_ALL, IDC_ADF_COUNT, IDC_PAGE_COUNT,
                       IDC_PAGES_LABEL},
                false);
  }
  SetUnsignedItem(page, IDC_KFACTOR, m_KFactor);
  LimitItemText(page, IDC_KFACTOR, kKFactorLimit);
  ApplyCompressionRule();
}

void BasicPage::RebuildOutputList() {
  if (m_ScanMech == kTransferFile) {
    // A file transfer has nothing to show in a window.
    FillList(Handle(), IDC_OUTPUT, {IDS_OUTPUT_FILE});
    m_Destination = kToFile;
    SendDlgItemMessageA(Handle(), IDC_OUTPUT, CB_SETCURSEL, 0, 0);
  } else {
    FillList(Handle(), IDC_OUTPUT, {IDS_OUTPUT_DISPLAY, IDS_OUTPUT_FILE, IDS_OUTPUT_BOTH});
    SendDlgItemMessageA(Handle(), IDC_OUTPUT, CB_SETCURSEL, static_cast<WPARAM>(m_Destination), 0);
  }
  ApplyFileControlsRule();
}

void BasicPage::ApplyFileControlsRule() {
  EnableItems(Handle(), {IDC_FORMAT_LABEL, IDC_FORMAT, IDC_PATH_LABEL, IDC_PATH, IDC_FILENAME_LABEL,
                         IDC_CHOOSE_FOLDER, IDC_NAME_RULE, IDC_SAMPLE_NAME},
              m_Destination != kToDisplay);
}

void BasicPage::ApplyCompressionRule() {
  if (m_Destination == kToDisplay || m_FileFormat == kFormatBmp) {
    // Only TIFF files carry CCITT data.
    m_Compress = kCompressNone;
    SendDlgItemMessageA(Handle(), IDC_COMPRESSION, CB_SETCURSEL, kCompressNone, 0);
    EnableItems(Handle(), {IDC_COMPRESSION_LABEL, IDC_COMPRESSION, IDC_KFACTOR_LABEL, IDC_KFACTOR}, false);
    return;
  }
  EnableItems(Handle(), {IDC_COMPRESSION_LABEL, IDC_COMPRESSION}, true);
  SendDlgItemMessageA(Handle(), IDC_COMPRESSION, CB_SETCURSEL, m_Compress, 0);
  EnableItems(Handle(), {IDC_KFACTOR_LABEL, IDC_KFACTOR}, m_Compress == kCompressG3TwoDim);
}

void BasicPage::ShowSampleName() {
  SetDlgItemTextA(Handle(), IDC_SAMPLE_NAME,
                  SampleFileName(m_FileFixate, static_cast<unsigned>(m_FileNumDigit), m_FileFormat).c_str());
}

LONG BasicPage::Selection(int id) const {
  return static_cast<LONG>(SendDlgItemMessageA(Handle(), id, CB_GETCURSEL, 0, 0));
}

void BasicPage::OnTransferMode(WORD mechanism) {
  m_ScanMech = mechanism;
  CheckRadioButton(Handle(), IDC_MECH_NATIVE, IDC_MECH_FILE, kMechButtons[mechanism]);
  RebuildOutputList();
  ApplyCompressionRule();
}

void BasicPage::OnOutputChanged() {
  const LONG selected = Selection(IDC_OUTPUT);
  m_Destination = m_ScanMech == kTransferFile ? kToFile : selected;
  if (m_Destination < 0) m_Destination = kToDisplay;
  ApplyFileControlsRule();
  ApplyCompressionRule();
}

void BasicPage::OnFormatChanged() {
  const LONG selected = Selection(IDC_FORMAT);
  if (selected >= 0) m_FileFormat = static_cast<WORD>(selected);
  ShowSampleName();
  ApplyCompressionRule();
}

void BasicPage::OnChooseFolder() {
  // The picker starts at the folder last stored, not at text typed since.
  DirectoryDialog picker(m_FilePath);
  std::string folder;
  if (!picker.Run(Handle(), folder)) return;
  if (!CopyText(m_FilePath, sizeof m_FilePath, folder)) return;
  SetDlgItemTextA(Handle(), IDC_PATH, m_FilePath);
}

void BasicPage::OnNameRule() {
  FilenameRuleDialog rule;
  CopyText(rule.m_Fixate, sizeof rule.m_Fixate, m_FileFixate);
  rule.m_Start = m_FileIdNumber;
  rule.m_DigitIndex = Low16(m_FileNumDigit);
  rule.m_Step = m_FileNumStep;
  rule.m_FileFormat = m_FileFormat;
  const HWND page = Handle();
  if (rule.DoModal(GetAncestor(page, GA_ROOT)) != IDOK) return;
  // The rule's loop may have seen the page go with its dialog.
  if (!IsWindow(page) || Handle() != page) return;
  CopyText(m_FileFixate, sizeof m_FileFixate, rule.m_Fixate);
  m_FileIdNumber = rule.m_Start;
  m_FileNumDigit = rule.m_DigitIndex;
  m_FileNumStep = rule.m_Step;
  ShowSampleName();
}

void BasicPage::OnFlatBed() {
  m_PaperSupply = kFlatbed;
  CheckRadioButton(Handle(), IDC_FLATBED, IDC_ADF_COUNT, IDC_FLATBED);
  EnableItems(Handle(), {IDC_PAGE_COUNT, IDC_PAGES_LABEL}, false);
}

void BasicPage::OnAdfAllPages() {
  if (m_PaperSupply == kFeederCountedPages) {
    const DWORD typed = ReadUnsignedItem(Handle(), IDC_PAGE_COUNT, kTextLimit);
    if (typed > 0) rememberedXferCount_ = static_cast<LONG>(typed);
  }
  m_PaperSupply = kFeederAllPages;
  CheckRadioButton(Handle(), IDC_FLATBED, IDC_ADF_COUNT, IDC_ADF_ALL);
  EnableItems(Handle(), {IDC_PAGE_COUNT, IDC_PAGES_LABEL}, false);
}

void BasicPage::OnAdfCount() {
  m_PaperSupply = kFeederCountedPages;
  CheckRadioButton(Handle(), IDC_FLATBED, IDC_ADF_COUNT, IDC_ADF_COUNT);
  EnableItems(Handle(), {IDC_PAGE_COUNT, IDC_PAGES_LABEL}, true);
  SetSignedItem(Handle(), IDC_PAGE_COUNT, rememberedXferCount_);
  LimitItemText(Handle(), IDC_PAGE_COUNT, kPageCountLimit);
}

void BasicPage::OnShowUI() {
  m_ShowUI = IsItemChecked(Handle(), IDC_SHOW_UI) ? 1 : 0;
  if (m_ShowUI) {
    // The source's own dialog decides how paper is fed.
    EnableItems(Handle(), {IDC_PAPER_GROUP, IDC_FLATBED, IDC_ADF_COUNT, IDC_ADF_ALL, IDC_PAGE_COUNT,
                           IDC_PAGES_LABEL},
                false);
    return;
  }
  EnableItems(Handle(), {IDC_PAPER_GROUP, IDC_FLATBED, IDC_ADF_ALL, IDC_ADF_COUNT}, true);
  EnableItems(Handle(), {IDC_PAGE_COUNT, IDC_PAGES_LABEL}, m_PaperSupply == kFeederCountedPages);
}

void BasicPage::OnCompressionChanged() {
  const LONG selected = Selection(IDC_COMPRESSION);
  if (selected >= 0) m_Compress = static_cast<WORD>(selected);
  EnableItems(Handle(), {IDC_KFACTOR_LABEL, IDC_KFACTOR}, m_Compress == kCompressG3TwoDim);
}

void BasicPage::ReadBack() {
  if ((m_ScanMech == kTransferMemory || m_ScanMech == kTransferFile) && m_Compress == kCompressG3TwoDim) {
    m_KFactor = static_cast<WORD>(ReadUnsignedItem(Handle(), IDC_KFACTOR, kTextLimit) & 0xFFFF);
  }
  if (m_Destination != kToDisplay) {
    CopyText(m_FilePath, sizeof m_FilePath, ItemText(Handle(), IDC_PATH, kTextLimit));
  }
  if (m_PaperSupply != kFeederCountedPages) return;
  m_XferCount = static_cast<LONG>(ReadUnsignedItem(Handle(), IDC_PAGE_COUNT, kTextLimit));
  if (m_XferCount >= 1) return;
  ShowValidationError(GetAncestor(Handle(), GA_ROOT), IDS_ILLEGAL_VALUE);
  if (!IsWindow(Handle())) return;
  HWND count = GetDlgItem(Handle(), IDC_PAGE_COUNT);
  SendMessageA(count, EM_SETSEL, 0, -1);
  SendMessageA(count, EM_SCROLLCARET, 0, 0);
  SetFocus(count);
}

bool BasicPage::CheckFolder() {
  for (char* c = m_FilePath; c < m_FilePath + sizeof m_FilePath && *c; ++c) {
    if (*c == '/') *c = '\\';
  }
  // A file of that name is no folder either: every page of the batch would fail to save there.
  const DWORD attributes = GetFileAttributesA(m_FilePath);
  const bool valid = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  folderInvalid_ = !valid;
  return valid;
}

}  // namespace quill
