// Resource ids of the program, shared by the program's own resources and the language library.
#pragma once

// Menus, accelerator tables, icons and the document string share these ids.
#define IDR_MAINFRAME           2
#define IDR_IMAGETYPE           3
#define IDR_CONTEXTMENU         7

// Strings: the application title.
#define IDS_APP_TITLE           2

// Commands of the main frame (1091-1096) and the view modes (1191-1192).
#define ID_SELECT_SOURCE        1091
#define ID_ACQUIRE              1092
#define ID_CLOSE_ALL            1093
#define ID_INQUIRY_CLOSE_ALL    1094
#define ID_IMAGE_INFORMATION    1095
#define ID_CONFIGURATION        1096
#define ID_VIEW_FULLSIZE        1191
#define ID_VIEW_WINDOWSIZE      1192

// The framework's standard command ids.
#define ID_FILE_NEW             57600
#define ID_FILE_OPEN            57601
#define ID_FILE_CLOSE           57602
#define ID_FILE_SAVE            57603
#define ID_FILE_SAVE_AS         57604
#define ID_APP_ABOUT            57664
#define ID_APP_EXIT             57665
