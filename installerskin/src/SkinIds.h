// Resource ids of the skin's pictures and the window messages the skin answers; shared with the
// resource script and the tests.
#pragma once

#define IDP_BG_INSTALL 112
#define IDP_ARROW_CURRENT 113
#define IDP_ARROW_OTHER 114
#define IDP_CLOSE_NORMAL 115
#define IDP_CLOSE_OVER 116
#define IDP_CLOSE_DOWN 117
#define IDP_MIN_NORMAL 118
#define IDP_MIN_OVER 119
#define IDP_MIN_DOWN 120
#define IDP_NAV_DOWN 122
#define IDP_NAV_OVER 123
#define IDP_NAV_DISABLED 124
#define IDP_BROWSE_DISABLED 125
#define IDP_BROWSE_DOWN 126
#define IDP_BROWSE_OVER 127
#define IDP_BROWSE_NORMAL 128
#define IDB_CHECKBOX 129
#define IDP_BG_UNINSTALL 131
#define IDP_DETAILS_DISABLED 132
#define IDP_DETAILS_DOWN 133
#define IDP_DETAILS_OVER 134
#define IDP_DETAILS_NORMAL 135
#define IDP_BANNER 136
#define IDP_NAV_NORMAL 1002

#ifndef RC_INVOKED
#include <windows.h>

// A page hands one of its check boxes (wParam) to the skin.
constexpr UINT kMsgSkinCheckBox = WM_USER + 253;
// Asked of the skinned outer window: the font weight the step label wParam was last drawn with
// (0: not drawn, as in uninstaller mode), and the id of the background picture in use.
constexpr UINT kMsgQueryLabelWeight = WM_APP + 0x3A1;
constexpr UINT kMsgQueryBackground = WM_APP + 0x3A2;
#endif
