#pragma once
// Resource, command and control ids of the movie player. The .rc file, the code and the tests of
// the built program share them.

#define IDD_ABOUTBOX            100
#define IDR_MAINFRAME           128   // the program's icon
#define IDD_MAINDLG             129
#define IDC_BROWSER             130

// The skin, 24-bit with magenta (255, 0, 255) as the transparent colour of the image lists:
// caption left part (150 x 28) and caption middle column (1 x 28), both used as pattern brushes;
// caption right part (155 x 28); close button (three images 32 x 18) and minimise button (three
// images 33 x 18), each normal, mouse over, pressed.
#define IDB_CAPTION_LEFT        202
#define IDB_CAPTION_MIDDLE      203
#define IDB_CAPTION_RIGHT       204
#define IDB_CLOSE_BUTTON        205
#define IDB_MIN_BUTTON          206

#define ID_APP_ABOUT            0xE140
