// Resource ids of the source manager.
#pragma once

// Dialogs (100-199).
#define IDD_SELECT_SOURCE       100

// Controls of the selection dialog (1000-1099); Select is IDOK, Cancel IDCANCEL.
#define IDC_SOURCE_LIST         1001
#define IDC_SOURCE_LABEL        1002
