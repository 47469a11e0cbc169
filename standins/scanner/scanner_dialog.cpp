#include "scanner/scanner_dialog.h"

#include <cstdio>

#include "scanner/data_source.h"
#include "scanner/scanner_resource.h"

namespace tvscan {
namespace {

constexpr uint32_t kResolutions[] = {50, 75, 100, 150, 200, 300, 400, 600};
constexpr int kPixelTypeNames[] = {IDS_PIXEL_BW, IDS_PIXEL_GRAY, IDS_PIXEL_RGB, IDS_PIXEL_PALETTE};

void AddString(HWND dialog, int control, const char* text) {
  SendDlgItemMessageA(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void AddResourceString(HINSTANCE module, HWND dialog, int control, int id) {
  char text[64] = "";
  LoadStringA(module, static_cast<UINT>(id), text, sizeof text);
  AddString(dialog, control, text);
}

int Selection(HWND dialog, int control) {
  LRESULT index = SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? 0 : static_cast<int>(index);
}

}  // namespace

ScannerDialog::ScannerDialog(HINSTANCE module, HWND owner, DataSource& source)
    : module_(module), source_(source) {
  window_ = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_SCANNER), owner, Proc,
                               reinterpret_cast<LPARAM>(this));
  if (window_) ShowWindow(window_, SW_SHOW);
}

ScannerDialog::~ScannerDialog() {
  if (window_) DestroyWindow(window_);
}

bool ScannerDialog::IsOwnMessage(MSG* message) {
  return window_ && IsDialogMessageA(window_, message);
}

void ScannerDialog::BatchFinished() { EnableWindow(GetDlgItem(window_, IDOK), TRUE); }

void ScannerDialog::Init(HWND window) {
  window_ = window;
  PageSettings settings = source_.CurrentSettings();
  SetDlgItemInt(window, IDC_PAGES, source_.FeederPages(), FALSE);
  for (int id : kPixelTypeNames) AddResourceString(module_, window, IDC_PIXEL_TYPE, id);
  SendDlgItemMessageA(window, IDC_PIXEL_TYPE, CB_SETCURSEL, static_cast<WPARAM>(settings.pixel_type), 0);
  for (size_t i = 0; i < sizeof kResolutions / sizeof kResolutions[0]; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", kResolutions[i]);
    AddString(window, IDC_RESOLUTION, text);
    if (kResolutions[i] == settings.dpi) SendDlgItemMessageA(window, IDC_RESOLUTION, CB_SETCURSEL, i, 0);
  }
  AddResourceString(module_, window, IDC_PAPER_SIZE, IDS_PAPER_A4);
  AddResourceString(module_, window, IDC_PAPER_SIZE, IDS_PAPER_LETTER);
  SendDlgItemMessageA(window, IDC_PAPER_SIZE, CB_SETCURSEL, settings.paper == PaperSize::A4 ? 0 : 1, 0);
}

void ScannerDialog::Scan() {
  BOOL ok = FALSE;
  UINT pages = GetDlgItemInt(window_, IDC_PAGES, &ok, FALSE);
  if (!ok || pages == 0 || pages > 1000) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  source_.ApplyDialogSettings(static_cast<PixelType>(Selection(window_, IDC_PIXEL_TYPE)),
                              kResolutions[Selection(window_, IDC_RESOLUTION) % 8],
                              Selection(window_, IDC_PAPER_SIZE) == 1 ? PaperSize::Letter : PaperSize::A4);
  EnableWindow(GetDlgItem(window_, IDOK), FALSE);  // until the application has taken the batch
  source_.StartBatch(pages);
}

INT_PTR CALLBACK ScannerDialog::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<ScannerDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(window, DWLP_USER, lparam);
      reinterpret_cast<ScannerDialog*>(lparam)->Init(window);
      return TRUE;
    case WM_COMMAND:
      if (!self) return FALSE;
      if (LOWORD(wparam) == IDOK) {
        self->Scan();
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        self->source_.RequestClose();
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      if (self) self->source_.RequestClose();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace tvscan
