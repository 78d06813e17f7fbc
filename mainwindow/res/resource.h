#pragma once
// Resource, command and control ids of the main window program. The .rc file and the code share
// them; the numbers are what the menu, the toolbar and the other programs' tests rely on.

#define IDR_MAINFRAME           128   // menu, accelerators, main icon
// Toolbar bitmap of the menu bar and navigation toolbar: 16 x 16 images in this order: back
// (0x8007), forward (0x8013), up (0x8014), refresh (0x806E). Magenta is the mask colour.
#define IDR_MENUBAR_IMAGES      230
// Tree image list, images 21 x 16 in this order: 0 product category, 1 generic list, 2 video
// category, 3 game category, 4 recently played videos, 5 recently played songs, 6 newest or
// recommended, 7 hot. Magenta is the mask colour.
#define IDB_TREE_IMAGES         252
// The search box's images, 24-bit on white (they are always drawn on white): the magnifier
// (23 x 22); strips of the history arrow (13 x 22) and the search button (58 x 22), each normal,
// hot, pressed; the radio (13 x 13) off, off hot, on, on hot.
#define IDB_SEARCH_ICON         260
#define IDB_SEARCH_ARROW        261
#define IDB_SEARCH_BUTTON       262
#define IDB_SEARCH_RADIO        263
#define IDD_ABOUTBOX            100
#define IDC_ABOUT_LINK          1006
#define IDC_ABOUT_NAME          1007

// Standard frame commands (same values as the usual framework ids).
#define ID_APP_ABOUT            0xE140
#define ID_APP_EXIT             0xE141
#define ID_VIEW_TOOLBAR         0xE800
#define ID_VIEW_STATUS_BAR      0xE801

#define ID_NAV_BACK             0x8007
#define ID_NAV_FORWARD          0x8013
#define ID_NAV_UP               0x8014
#define ID_STATUS_PANE1         32777
#define ID_STATUS_PANE2         32778
#define ID_BUILTIN_TREE         0x8043
#define ID_SONG_ADD             0x8047
#define ID_SONG_DOWNLOAD        0x8048
#define ID_SONG_PLAY            0x804A
#define ID_SONG_PLAY_MV         0x804B
#define ID_SEARCH_ARTIST        0x8050
#define ID_SEARCH_ALBUM         0x8051
#define ID_TREE_TOGGLE          0x8058
#define ID_LIST_OPEN            0x8059
#define ID_HISTORY_JUMP3        0x806A
#define ID_HISTORY_JUMP2        0x806B
#define ID_HISTORY_JUMP1        0x806C
#define ID_HISTORY_JUMP0        0x806D
#define ID_VIEW_REFRESH         0x806E
#define ID_DESKTOP_SHORTCUT     0x806F
#define ID_DRIVE_FIRST          0x8071   // + (letter - 'A'), up to 0x808A
#define ID_DRIVE_LAST           0x808A
#define ID_EDIT_COPYTO          0x8073
#define ID_EDIT_SELECT_ALL      0x8074
#define ID_EDIT_INVERT          0x8075
#define ID_DEV_FOLDER1          0x807B
#define ID_DEV_FOLDER2          0x807D
#define ID_DEV_FOLDER3          0x807E
#define ID_DEV_FOLDER4          0x807F
// The send-to drive items of a context menu: 0x8073..0x8075 are taken by menu commands, so the
// menu's drive items use a range of their own (+ letter - 'A').
#define ID_SENDTO_DRIVE_FIRST   0x9071
#define ID_SENDTO_DRIVE_LAST    0x908A

// Tray menu.
#define ID_TRAY_OPEN            1000
#define ID_TRAY_EXIT            2000

// Child windows of the frame and the container.
#define IDC_FRAME_REBAR         59392
#define IDC_FRAME_STATUS        59393
#define IDC_FRAME_TOOLBAR       59394
#define IDC_FRAME_MENUBAR       59395
#define IDC_FRAME_SEARCH        59396
#define IDC_FRAME_SPLITTER      59397
#define IDC_FRAME_TREE          59398
#define IDC_FRAME_CONTAINER     59399
#define IDC_CONTAINER_LIST      1100
#define IDC_CONTAINER_WEB       1101
#define IDC_CONTAINER_NAVBAR    1102
#define IDC_CONTAINER_TABS      1103
#define IDC_CONTAINER_LETTERS   1104
#define IDC_CONTAINER_VIDEOBAR  1105
// Children of the search box and of its popup.
#define IDC_SEARCH_EDIT         1200
#define IDC_SEARCH_FEEDBACK     1201
#define IDC_SEARCH_RADIO_ALL    1210
#define IDC_SEARCH_RADIO_LYRICS 1211
#define IDC_SEARCH_RADIO_ALBUM  1212
// The "see more" link of a summary bar.
#define IDC_BAR_LINK            1220
