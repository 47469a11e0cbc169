// Resource ids of the program, shared by the program's own resources and the language library.
#pragma once

#include "framework_ids.h"
#include "string_ids.h"
#include "twain_ids.h"

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
