// Resource ids of the Configuration dialog, its two pages, the filename rule dialog and the
// folder picker's texts.
#pragma once

// The dialogs (101, 104-106).
#define IDD_CONFIGURATION       101
#define IDD_BASIC_PAGE          104
#define IDD_EXTEND_PAGE         105
#define IDD_FILENAME_RULE       106

// The Configuration dialog's own controls (1021, 2031).
#define IDC_CONFIG_TABS         1021
#define IDC_CONFIG_ACQUIRE      2031

// The Basic Functions page (2000-2025).
#define IDC_MECH_NATIVE         2000
#define IDC_MECH_MEMORY         2001
#define IDC_MECH_FILE           2002
#define IDC_OUTPUT              2003
#define IDC_FORMAT_LABEL        2004
#define IDC_FORMAT              2005
#define IDC_PATH_LABEL          2006
#define IDC_PATH                2007
#define IDC_CHOOSE_FOLDER       2008
#define IDC_FILENAME_LABEL      2009
#define IDC_NAME_RULE           2010
#define IDC_PAPER_GROUP         2014
#define IDC_FLATBED             2015
#define IDC_ADF_ALL             2016
#define IDC_ADF_COUNT           2017
#define IDC_PAGE_COUNT          2018
#define IDC_PAGES_LABEL         2019
#define IDC_SHOW_UI             2020
#define IDC_COMPRESSION_LABEL   2021
#define IDC_COMPRESSION         2022
#define IDC_KFACTOR_LABEL       2023
#define IDC_KFACTOR             2024
#define IDC_SAMPLE_NAME         2025

// The Extend Functions page (2041-2051).
#define IDC_LAUNCH              2041
#define IDC_PROCESS_LABEL       2042
#define IDC_PROCESS             2043
#define IDC_PARAMETERS_LABEL    2049
#define IDC_PARAMETERS          2050
#define IDC_BROWSE_PROCESS      2051

// The filename rule dialog (2052-2055).
#define IDC_RULE_FIXATE         2052
#define IDC_RULE_DIGITS         2053
#define IDC_RULE_START          2054
#define IDC_RULE_STEP           2055

// Texts of the dialogs (20031-20037, 20043-20053).
#define IDS_TAB_BASIC           20031
#define IDS_TAB_EXTEND          20032
#define IDS_ILLEGAL_VALUE       20033
#define IDS_ERROR_CAPTION       20034
#define IDS_FORMAT_BMP          20035
#define IDS_FORMAT_TIFF         20036
#define IDS_LAUNCH_FILTER       20037
#define IDS_COMPRESS_NONE       20043
#define IDS_COMPRESS_G3_1D      20044
#define IDS_COMPRESS_G3_1D_EOL  20045
#define IDS_COMPRESS_G3_2D      20046
#define IDS_COMPRESS_G4         20047
#define IDS_OUTPUT_DISPLAY      20048
#define IDS_OUTPUT_FILE         20049
#define IDS_OUTPUT_BOTH         20050
#define IDS_SELECT_DIRECTORY    20051
#define IDS_FOLDER_LABEL        20052
#define IDS_ILLEGAL_FOLDER      20053
