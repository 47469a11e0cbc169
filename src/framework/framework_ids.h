// The framework's standard command ids and styles, shared by its code and the resource scripts.
#pragma once

// Frame style bit: the active document's title is appended to the frame's title. The framework
// keeps it for itself; it never reaches CreateWindow.
#define FWS_ADDTOTITLE          0x00008000L

// Standard commands (file, edit, window, help, application).
#define ID_FILE_NEW             57600
#define ID_FILE_OPEN            57601
#define ID_FILE_CLOSE           57602
#define ID_FILE_SAVE            57603
#define ID_FILE_SAVE_AS         57604
#define ID_FILE_PRINT_SETUP     57606
#define ID_FILE_PRINT           57607
#define ID_EDIT_COPY            57634
#define ID_EDIT_CUT             57635
#define ID_EDIT_PASTE           57637
#define ID_EDIT_SELECT_ALL      57642
#define ID_EDIT_UNDO            57643
#define ID_APP_ABOUT            57664
#define ID_APP_EXIT             57665
#define ID_HELP_INDEX           57666
#define ID_HELP_USING           57668
#define ID_CONTEXT_HELP         57669
#define ID_HELP                 57670
#define ID_DEFAULT_HELP         57671
#define ID_NEXT_PANE            57680
#define ID_PREV_PANE            57681

// The framework's texts (string table of the program's resources).
#define IDS_FW_UNTITLED             61443
#define IDS_FW_INVALID_FILENAME     61696
#define IDS_FW_FAILED_TO_OPEN_DOC   61697
#define IDS_FW_FAILED_TO_SAVE_DOC   61698
#define IDS_FW_ASK_TO_SAVE          61699

// MDI child windows get menu ids from here on, far above every command id, so that the window
// list of the MDI client never collides with a command.
#define IDM_FIRST_MDICHILD      0xFF00
