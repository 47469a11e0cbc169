// String-table ids of the application shell and the settings store. The registry key paths and
// value names are strings too, so that a language library carries them with everything else.
#pragma once

// 2-3: the application title and the image document string.
#define IDS_APP_TITLE           2
#define IDS_IMAGE_DOCUMENT      3

// 20006-20011: image documents and the main window's questions.
#define IDS_FILE_TOO_LARGE      20006
#define IDS_FILE_LOAD_FAILURE   20007
#define IDS_FILE_SAVE_FAILURE   20008
#define IDS_CLOSE_ALL_QUESTION  20011

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
