// Resource ids of the program, shared by the program's own resources and the language library.
#pragma once

#include "res/config_ids.h"
#include "framework/framework_ids.h"
#include "res/string_ids.h"
#include "res/twain_ids.h"

// Menus, accelerator tables, icons and document strings share these ids.
#define IDR_MAINFRAME           2
#define IDR_IMAGETYPE           3
#define IDR_CONTEXTMENU         7

// Commands of the main frame (1091-1096), the window arrangement (1002-1003) and the view modes
// (1191-1192).
#define ID_WINDOW_CASCADE       1002
#define ID_WINDOW_TILE          1003
#define ID_SELECT_SOURCE        1091
#define ID_ACQUIRE              1092
#define ID_CLOSE_ALL            1093
#define ID_INQUIRY_CLOSE_ALL    1094
#define ID_IMAGE_INFORMATION    1095
#define ID_CONFIGURATION        1096
#define ID_VIEW_FULLSIZE        1191
#define ID_VIEW_WINDOWSIZE      1192

// The About box (100) and its controls (1129, 1141-1143, 1201-1202).
#define IDD_ABOUTBOX            100
#define IDC_CONNECTED_SCANNER   1129
#define IDC_VERSION             1141
#define IDC_CONNECTED_LABEL     1142
#define IDC_LABEL_MARKER        1143
#define IDC_ABOUT_ICON          1201
#define IDC_ICON_MARKER         1202

// The image information dialog (102) and its controls (1151-1159).
#define IDD_IMAGE_INFO          102
#define IDC_SIZE_LABEL          1151
#define IDC_IMAGE_SIZE          1152
#define IDC_BITS_LABEL          1153
#define IDC_BIT_COUNT           1154
#define IDC_STORAGE_LABEL       1155
#define IDC_STORAGE_SIZE        1156
#define IDC_SIZE_COLON          1157
#define IDC_BITS_COLON          1158
#define IDC_STORAGE_COLON       1159
