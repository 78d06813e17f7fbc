#pragma once
// Resource and control ids of the bridge library; the dialogs are reached by these numbers.

#define IDD_DOWNLOAD            101
#define IDD_DOWNPROGRESS        102
#define IDR_DOWNLOAD_AVI        103
#define IDD_NOVXMUSIC           105
#define IDR_CHECK_PNG           106
#define IDD_MESSAGEBOX          107

// Download dialog (101)
#define IDC_DL_BROWSE           1001
#define IDC_DL_NAME             1002
#define IDC_DL_MP3              1003
#define IDC_DL_WMA              1004
#define IDC_DL_OK               1006
#define IDC_DL_CANCEL           1007
#define IDC_DL_FOLDER_LABEL     1029
#define IDC_DL_FOLDER           1031

// Progress dialog (102)
#define IDC_PG_OPEN_FOLDER      1001
#define IDC_PG_PROGRESS         1009
#define IDC_PG_REMAINING        1010
#define IDC_PG_SPEED            1011
#define IDC_PG_CLOSE_WHEN_DONE  1012
#define IDC_PG_PLAY_NOW         1013
#define IDC_PG_FOLDER           1014
#define IDC_PG_CANCEL           1015
#define IDC_PG_COPY_TO_LABEL    1016
#define IDC_PG_SPEED_LABEL      1017
#define IDC_PG_TOTAL            1018
#define IDC_PG_DONE             1019
#define IDC_PG_REDOWNLOAD       1020
#define IDC_PG_SUCCESS          1021
#define IDC_PG_FAILED           1022
#define IDC_PG_ANIMATION        1023
#define IDC_PG_CURRENT          1033

// Install window (105)
#define IDC_NV_PROGRESS         1009
#define IDC_NV_STATUS           1028

// Prompt (107)
#define IDC_MB_TEXT             1034
#define IDC_MB_ICON             1035
