// String-table ids of the application shell and the settings store. The registry key paths and
// value names are strings too, so that a language library carries them with everything else.
#pragma once

// 2-3: the application title and the image document string.
#define IDS_APP_TITLE           2
#define IDS_IMAGE_DOCUMENT      3

// 16-51: display names of the supported scanner models (the table in app/scanner_models.cpp).
#define IDS_MODEL_DS4500V           16
#define IDS_MODEL_DS4500            17
#define IDS_MODEL_DS4200            18
#define IDS_MODEL_DS3800D           19
#define IDS_MODEL_DS3800            20
#define IDS_MODEL_DS3000            21
#define IDS_MODEL_DS2600            22
#define IDS_MODEL_DS2100            23
#define IDS_MODEL_DS1500            24
#define IDS_MODEL_FB1200C           25
#define IDS_MODEL_FB1200            26
#define IDS_MODEL_FB900             27
#define IDS_MODEL_FB600             28
#define IDS_MODEL_FB300             29
#define IDS_MODEL_HS7000AD          30
#define IDS_MODEL_HS7000            31
#define IDS_MODEL_HS6000            32
#define IDS_MODEL_HS5000            33
#define IDS_MODEL_MF820             34
#define IDS_MODEL_MF410             35
#define IDS_MODEL_PS250             36
#define IDS_MODEL_PS120             37
#define IDS_MODEL_CS1000            38
#define IDS_MODEL_CS500             39
#define IDS_MODEL_LF3600            40
#define IDS_MODEL_LF2400            41
#define IDS_MODEL_BK800             42
#define IDS_MODEL_BK400             43
#define IDS_MODEL_ID300             44
#define IDS_MODEL_NT5000            45
#define IDS_MODEL_NT3000            46
#define IDS_MODEL_EVAL              47
#define IDS_MODEL_DS9               48
#define IDS_MODEL_SC2000            49
#define IDS_MODEL_SC1000            50
#define IDS_MODEL_RX100             51

// 20003-20005: the About box.
#define IDS_REVISION            20003
#define IDS_UNKNOWN_SCANNER     20004
#define IDS_VERSION_PREFIX      20005

// 20006-20011: image documents and the main window's questions.
#define IDS_FILE_TOO_LARGE      20006
#define IDS_FILE_LOAD_FAILURE   20007
#define IDS_FILE_SAVE_FAILURE   20008
#define IDS_CLOSE_ALL_QUESTION  20011

// The program's own help, shown for F1 and Shift+F1 (20059-20060).
#define IDS_HELP_CAPTION        20059
#define IDS_HELP_TEXT           20060

// 20012-20030: the settings store.
#define IDS_DEFAULT_FILE_FIXATE 20012
#define IDS_SETTINGS_KEY        20013
#define IDS_VALUE_SCANMECH      20014
#define IDS_VALUE_FILEFORMAT    20015
#define IDS_VALUE_DESTINATION   20016
#define IDS_VALUE_FILEIDNUMBER  20017
#define IDS_VALUE_PAPERSUPPLY   20018
#define IDS_VALUE_XFERCOUNT     20019
#define IDS_VALUE_SHOWUI        20020
#define IDS_VALUE_COMPRESS      20021
#define IDS_VALUE_KFACTOR       20022
#define IDS_VALUE_FILEPATH      20023
#define IDS_VALUE_FILEFIXATE    20024
#define IDS_VALUE_LAUNCHPROC    20025
#define IDS_VALUE_LAUNCHCMDLINE 20026
#define IDS_VALUE_LAUNCHARGS    20027
#define IDS_VALUE_FILENUMDIGIT  20028
#define IDS_VALUE_FILENUMSTEP   20029
#define IDS_VALUE_PAGECODE      20030

// 20041-20042: where the filter library lives.
#define IDS_FILTER_KEY          20041
#define IDS_VALUE_FILTER_PATH   20042
