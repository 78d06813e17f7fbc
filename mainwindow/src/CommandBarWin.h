#pragma once
#include <windows.h>

#include "ui/Window.h"

// A menu bar that lives in a rebar band: a flat toolbar with one text button per top-level item
// of a menu, each dropping its popup on click or Alt+mnemonic, with the images of a toolbar bitmap
// beside the items whose command has one. The frame hands it the window's menu and removes the
// menu from the window. WM_COMMAND of the items goes to the owner; WM_INITMENUPOPUP of the
// popups too, so the owner's update-UI table applies. User-interface thread only.
class CCommandBar : public ui::CWindow {
public:
    CCommandBar() = default;
    ~CCommandBar();
    CCommandBar(const CCommandBar&) = delete;
    CCommandBar& operator=(const CCommandBar&) = delete;

    // Null on failure.
    HWND Create(HWND owner, HWND parent, UINT id);
    // Takes over `menu` (destroyed with the bar). `imagesBitmap`/`imageIds`: the toolbar
    // bitmap's resource and the command ids of its images in order (0 ends the list).
    bool AttachMenu(HMENU menu);
    void LoadImages(UINT bitmapId, const UINT* commandIds);
    HMENU Menu() const { return m_menu; }
    // Opens the popup of top-level item `index` as a click would (tests and Alt keys).
    void OpenPopup(int index);
    // The owner's loop hands it its messages: Alt+mnemonic opens the matching popup.
    bool PreTranslateMessage(MSG* msg);

private:
    HWND m_owner = nullptr;
    HMENU m_menu = nullptr;
    HIMAGELIST m_images = nullptr;
    int m_open = -1;
};
