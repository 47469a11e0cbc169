// String ids of the TWAIN connection and its failure reports. The application title (id 2) is in
// resource.h.
#pragma once

// Headings and failed operations of the general report (4992-5000).
#define IDS_TWAIN_INTERFACE_ERROR       4992
#define IDS_TWAIN_OPEN_MANAGER_FAILED   4994
#define IDS_TWAIN_OPEN_SOURCE_FAILED    4995
#define IDS_TWAIN_ENABLE_SOURCE_FAILED  4996
#define IDS_TWAIN_SETUP_FAILED          4997
#define IDS_TWAIN_SETUP_ERROR           4998
#define IDS_TWAIN_FILE_XFER_INFO_ERROR  5000

// The launch of the program after a batch (5008-5013).
#define IDS_LAUNCH_FAILED               5008
#define IDS_LAUNCH_OUT_OF_MEMORY        5009
#define IDS_LAUNCH_BAD_FORMAT           5010
#define IDS_LAUNCH_FILE_NOT_FOUND       5011
#define IDS_LAUNCH_PATH_NOT_FOUND       5012
#define IDS_LAUNCH_UNKNOWN_REASON       5013

// Details of a failed capability setting (5024-5030).
#define IDS_SET_XFER_COUNT              5024
#define IDS_SET_DOCUMENT_SELECT         5025
#define IDS_SET_XFER_MODE               5026
#define IDS_SET_COMPRESSION_MODE        5027
#define IDS_SET_K_FACTOR                5028
#define IDS_SET_IMAGE_TYPE              5029
#define IDS_SET_IMAGE_FILE_FORMAT       5030

// Warnings about a default source from another maker (5031-5032).
#define IDS_CHOSEN_SOURCE_WARNING       5031
#define IDS_SELECTED_SOURCE_WARNING     5032

// Messages of the TWAIN condition codes: 5040 + code (5040-5055; 5047 and 5048 unused).
#define IDS_TWCC_SUCCESS                5040
#define IDS_TWCC_BUMMER                 5041
#define IDS_TWCC_LOWMEMORY              5042
#define IDS_TWCC_NODS                   5043
#define IDS_TWCC_MAXCONNECTIONS         5044
#define IDS_TWCC_OPERATIONERROR         5045
#define IDS_TWCC_BADCAP                 5046
#define IDS_TWCC_BADPROTOCOL            5049
#define IDS_TWCC_BADVALUE               5050
#define IDS_TWCC_SEQERROR               5051
#define IDS_TWCC_BADDEST                5052
#define IDS_TWCC_CAPUNSUPPORTED         5053
#define IDS_TWCC_CAPBADOPERATION        5054
#define IDS_TWCC_CAPSEQERROR            5055

// The overwrite question (5056, 20054).
#define IDS_OVERWRITE_QUESTION          5056
#define IDS_CONFIRM_OVERWRITE           20054

// Names and commands that do not fit their space (20055-20056).
#define IDS_FILE_NAME_TOO_LONG          20055
#define IDS_COMMAND_TOO_LONG            20056

// A new output file kept beside the one it could not replace; CCITT without the filter library
// (20057-20058).
#define IDS_NEW_FILE_KEPT_AS            20057
#define IDS_NO_FILTER_FOR_CCITT         20058

// The overwrite question's dialog and its controls.
#define IDD_CONFIRM_OVERWRITE           108
#define IDC_OVERWRITE_MESSAGE           1011
#define IDC_YES_TO_ALL                  1012

// Transfer failures (20009-20010).
#define IDS_TRACE_ERROR                 20009
#define IDS_OUT_OF_MEMORY               20010
