#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>

#include "ui/Window.h"

// A menu bar that lives in a rebar band: a flat toolbar with one text button per top-level item
// of a menu, each dropping its popup on click or Alt+mnemonic, with the images of a toolbar bitmap
// beside the items whose command has one. The frame hands it the window's menu and removes the
// menu from the window. WM_COMMAND of the items goes to the owner; WM_INITMENUPOPUP of the
// popups too, so the owner's update-UI table applies (the bar owns its popups while they are open,
// draws the images itself and hands every other menu message on to the owner). While a popup is
// open, pointing at or clicking another button of the bar opens that one's popup instead.
// User-interface thread only.
class CCommandBar : public ui::CWindow {
public:
    // Ids of the bar's buttons: kFirstButtonId + index of the top-level item.
    static const int kFirstButtonId = 0x7F00;

    CCommandBar();
    // Destroys the bar's window and its menu.
    ~CCommandBar();
    CCommandBar(const CCommandBar&) = delete;
    CCommandBar& operator=(const CCommandBar&) = delete;

    // Null on failure.
    HWND Create(HWND owner, HWND parent, UINT id);
    // Takes over `menu` (destroyed with the bar, or when another menu is attached) and makes a
    // button of each top-level item. False when the bar has no window or `menu` is null.
    bool AttachMenu(HMENU menu);
    // `bitmapId`: a bitmap resource of the program holding square images in a strip, magenta
    // (255, 0, 255) where transparent; `commandIds`: the command of each image in order (0 ends
    // the list). Call after AttachMenu; a later call replaces the images.
    void LoadImages(UINT bitmapId, const UINT* commandIds);
    HMENU Menu() const { return m_menu; }
    // The size the bar needs to show all its buttons (for its rebar band).
    SIZE GetIdealSize() const;
    // Opens the popup of top-level item `index` as a click would (tests and Alt keys); returns
    // when the menu is closed. An item without popup sends its command to the owner.
    void OpenPopup(int index);
    // The owner's loop hands it its messages. Alt+mnemonic is taken (true) and opens the
    // matching popup once the loop dispatches again.
    bool PreTranslateMessage(MSG* msg);

private:
    class CToolbarHook;
    friend class CToolbarHook;

    void TrackPopup(int index);
    int ButtonAt(POINT screen) const;
    int MnemonicIndex(WPARAM virtualKey) const;
    void RemoveButtons();
    void DropImages();
    // Menu messages reaching the bar while it owns a popup; true when answered here.
    bool OnMeasureImage(MEASUREITEMSTRUCT* item) const;
    bool OnDrawImage(const DRAWITEMSTRUCT* item) const;
    static LRESULT CALLBACK MenuFilterProc(int code, WPARAM wp, LPARAM lp);

    HWND m_owner = nullptr;
    HMENU m_menu = nullptr;
    std::unique_ptr<CToolbarHook> m_hook;
    HIMAGELIST m_images = nullptr;
    std::map<UINT, int> m_imageOf;  // command id -> image index
    int m_open = -1;   // index of the popup being shown
    int m_next = -1;   // popup to show once the current one has closed
    HHOOK m_filter = nullptr;

    static CCommandBar* s_tracking;  // the bar whose popup is open (one menu at a time)
};
