// Resource ids of the virtual scanner.
#pragma once

// Dialogs (100-199).
#define IDD_SCANNER             100

// Controls of the scanner dialog (1000-1099); "Scan" is IDOK, "Close" IDCANCEL.
#define IDC_PAGES               1001
#define IDC_PIXEL_TYPE          1002
#define IDC_RESOLUTION          1003
#define IDC_PAPER_SIZE          1004
#define IDC_PAGES_LABEL         1011
#define IDC_PIXEL_TYPE_LABEL    1012
#define IDC_RESOLUTION_LABEL    1013
#define IDC_PAPER_SIZE_LABEL    1014

// Strings (2000-2099).
#define IDS_SCANNER_TITLE       2000
#define IDS_SCENARIO_FAULT      2001
#define IDS_SCENARIO_UNREADABLE 2002
#define IDS_PAGE_FOLDER_EMPTY   2003
#define IDS_PIXEL_BW            2010
#define IDS_PIXEL_GRAY          2011
#define IDS_PIXEL_RGB           2012
#define IDS_PIXEL_PALETTE       2013
#define IDS_PAPER_A4            2020
#define IDS_PAPER_LETTER        2021
