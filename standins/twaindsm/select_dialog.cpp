#include "twaindsm/select_dialog.h"

#include "twaindsm/dsm_resource.h"

namespace twaindsm {
namespace {

struct SelectContext {
  const std::vector<SourceEntry>* sources;
  size_t initial;
  int chosen;
};

void FillList(HWND dialog, const SelectContext& context) {
  HWND list = GetDlgItem(dialog, IDC_SOURCE_LIST);
  for (const SourceEntry& source : *context.sources) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(source.identity.ProductName));
  }
  // LBS_SORT is off, so list positions are catalog indices.
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(context.initial), 0);
}

void Confirm(HWND dialog, SelectContext& context) {
  LRESULT selection = SendDlgItemMessageA(dialog, IDC_SOURCE_LIST, LB_GETCURSEL, 0, 0);
  if (selection == LB_ERR) return;  // nothing chosen yet: the dialog stays
  context.chosen = static_cast<int>(selection);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK SelectProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* context = reinterpret_cast<SelectContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      FillList(dialog, *reinterpret_cast<SelectContext*>(lparam));
      return TRUE;
    case WM_COMMAND:
      if (!context) return FALSE;
      if (LOWORD(wparam) == IDOK ||
          (LOWORD(wparam) == IDC_SOURCE_LIST && HIWORD(wparam) == LBN_DBLCLK)) {
        Confirm(dialog, *context);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunSelectDialog(HINSTANCE resources, HWND owner, const std::vector<SourceEntry>& sources,
                    size_t initial) {
  SelectContext context{&sources, initial, -1};
  INT_PTR result = DialogBoxParamA(resources, MAKEINTRESOURCEA(IDD_SELECT_SOURCE), owner,
                                   SelectProc, reinterpret_cast<LPARAM>(&context));
  return result == IDOK ? context.chosen : -1;
}

}  // namespace twaindsm
