#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "ActionMenus.h"
#include "SendToItems.h"

// Shows the action context menus. User-interface thread only.
class CContextMenu {
public:
    // Tests only: when set, called with the built menu instead of tracking it, and its answer is
    // taken as the chosen command (0: none).
    static std::function<UINT(HMENU)> s_menuChooser;

    // Builds the menu, lets the user choose at screen point (x, y) and returns the command (0 when
    // none). `owner` receives WM_INITMENUPOPUP while the menu is up.
    static UINT Track(HWND owner, const MenuModel& model, int x, int y);

    // A popup menu for the model (null on failure); the caller destroys it.
    static HMENU Build(const MenuModel& model);
    // The items of a popup menu as a model (texts, ids, greyed state, submenus).
    static MenuModel Read(HMENU menu);
    // Every present drive except A with a send-to item text (GetLogicalDrives, GetDriveTypeA).
    static std::vector<sendto::DriveItem> PresentDrives();
};
