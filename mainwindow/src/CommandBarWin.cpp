#include "CommandBarWin.h"

#include <commctrl.h>

#include <cwctype>
#include <string>

#include "log/VxMdLog.h"
#include "ui/Gdi.h"
#include "ui/Subclass.h"

namespace {
const char kLogFile[] = "mainframe.log";
const char kTag[] = "CommandBar";
// Posted to the bar so that an Alt key opens its popup from the bar's own procedure, not from
// inside the loop's message filters.
const UINT kMsgOpenPopup = WM_APP + 0x3C1;
const COLORREF kMaskColour = RGB(255, 0, 255);

std::wstring ItemText(HMENU menu, int index) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, index, text, 256, MF_BYPOSITION);
    return text;
}
}  // namespace

CCommandBar* CCommandBar::s_tracking = nullptr;

// Takes the toolbar's clicks before the toolbar does: a press on a button opens its popup.
class CCommandBar::CToolbarHook : public ui::CSubclassWindow {
public:
    explicit CToolbarHook(CCommandBar& bar) : m_bar(bar) {}

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            POINT point{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ::ClientToScreen(m_hWnd, &point);
            int index = m_bar.ButtonAt(point);
            if (index < 0) break;
            m_bar.OpenPopup(index);
            return 0;
        }
        case kMsgOpenPopup:
            m_bar.OpenPopup(static_cast<int>(wp));
            return 0;
        case WM_MEASUREITEM:
            if (m_bar.OnMeasureImage(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
            return ::SendMessageW(m_bar.m_owner, msg, wp, lp);
        case WM_DRAWITEM:
            if (m_bar.OnDrawImage(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
            return ::SendMessageW(m_bar.m_owner, msg, wp, lp);
        case WM_INITMENU:
        case WM_INITMENUPOPUP:
        case WM_UNINITMENUPOPUP:
        case WM_MENUSELECT:
        case WM_MENUCHAR:
        case WM_ENTERIDLE:
        case WM_ENTERMENULOOP:
        case WM_EXITMENULOOP:
            // The popups are the owner's menu: its update-UI table and status texts apply.
            return ::SendMessageW(m_bar.m_owner, msg, wp, lp);
        default:
            break;
        }
        return DefProc(msg, wp, lp);
    }

private:
    CCommandBar& m_bar;
};

CCommandBar::CCommandBar() = default;

CCommandBar::~CCommandBar() {
    m_hook.reset();
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    if (m_menu) ::DestroyMenu(m_menu);
    if (m_images) ::ImageList_Destroy(m_images);
}

HWND CCommandBar::Create(HWND owner, HWND parent, UINT id) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&classes);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                  TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    HWND hwnd = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "CreateWindowEx failed, error %lu", ::GetLastError());
        return nullptr;
    }
    m_hWnd = hwnd;
    m_owner = owner;
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    // Text-only buttons: no room kept for images.
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    m_hook.reset(new CToolbarHook(*this));
    if (!m_hook->Subclass(hwnd)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "subclass failed");
    }
    return hwnd;
}

void CCommandBar::RemoveButtons() {
    for (int i = static_cast<int>(Send(TB_BUTTONCOUNT)) - 1; i >= 0; --i) Send(TB_DELETEBUTTON, i);
}

bool CCommandBar::AttachMenu(HMENU menu) {
    if (!m_hWnd || !menu) return false;
    RemoveButtons();
    if (m_menu && m_menu != menu) ::DestroyMenu(m_menu);
    m_menu = menu;
    DropImages();

    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        std::wstring text = ItemText(menu, i);
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = kFirstButtonId + i;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        button.iString = reinterpret_cast<INT_PTR>(text.c_str());
        if (!Send(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button))) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "TB_ADDBUTTONS %d failed", i);
            return false;
        }
    }
    Send(TB_AUTOSIZE);
    return true;
}

void CCommandBar::DropImages() {
    if (m_images) ::ImageList_Destroy(m_images);
    m_images = nullptr;
    m_imageOf.clear();
}

void CCommandBar::LoadImages(UINT bitmapId, const UINT* commandIds) {
    if (!m_menu || !commandIds) return;
    DropImages();
    ui::CBitmap strip(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!strip || !::GetObjectW(strip.Get(), sizeof(info), &info) || info.bmHeight <= 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "bitmap %u not loaded, error %lu", bitmapId, ::GetLastError());
        return;
    }
    const int size = info.bmHeight;
    m_images = ::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, info.bmWidth / size, 0);
    if (!m_images || ::ImageList_AddMasked(m_images, strip.Get(), kMaskColour) < 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "image list of bitmap %u failed", bitmapId);
        DropImages();
        return;
    }
    // Menus draw item bitmaps without a mask (Wine even inverts them on the highlight), so the
    // items ask the bar to draw their images instead.
    const int images = ::ImageList_GetImageCount(m_images);
    for (int image = 0; image < images && commandIds[image]; ++image) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = HBMMENU_CALLBACK;
        // By command: the item may sit in any popup of the menu.
        if (::SetMenuItemInfoW(m_menu, commandIds[image], FALSE, &item)) m_imageOf[commandIds[image]] = image;
    }
}

bool CCommandBar::OnMeasureImage(MEASUREITEMSTRUCT* item) const {
    if (!item || item->CtlType != ODT_MENU || !m_images || !m_imageOf.count(item->itemID)) return false;
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(m_images, &cx, &cy);
    item->itemWidth = cx;
    item->itemHeight = cy;
    return true;
}

bool CCommandBar::OnDrawImage(const DRAWITEMSTRUCT* item) const {
    if (!item || item->CtlType != ODT_MENU || !m_images) return false;
    auto found = m_imageOf.find(item->itemID);
    if (found == m_imageOf.end()) return false;
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(m_images, &cx, &cy);
    const RECT& area = item->rcItem;
    int x = area.left + (area.right - area.left - cx) / 2, y = area.top + (area.bottom - area.top - cy) / 2;
    if (item->itemState & (ODS_GRAYED | ODS_DISABLED)) {
        HICON icon = ::ImageList_GetIcon(m_images, found->second, ILD_NORMAL);
        if (icon) {
            ::DrawStateW(item->hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, cx, cy,
                         DST_ICON | DSS_DISABLED);
            ::DestroyIcon(icon);
        }
    } else {
        ::ImageList_Draw(m_images, found->second, item->hDC, x, y, ILD_TRANSPARENT);
    }
    return true;
}

SIZE CCommandBar::GetIdealSize() const {
    SIZE size{0, 0};
    if (m_hWnd) Send(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size;
}

int CCommandBar::ButtonAt(POINT screen) const {
    if (!m_hWnd || !::IsWindowVisible(m_hWnd)) return -1;
    POINT client = screen;
    ::ScreenToClient(m_hWnd, &client);
    RECT area;
    ::GetClientRect(m_hWnd, &area);
    if (!::PtInRect(&area, client)) return -1;
    int index = static_cast<int>(Send(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&client)));
    return index >= 0 && index < static_cast<int>(Send(TB_BUTTONCOUNT)) ? index : -1;
}

void CCommandBar::OpenPopup(int index) {
    if (!m_menu || m_open >= 0 || s_tracking) return;
    m_next = index;
    while (m_next >= 0 && m_next < ::GetMenuItemCount(m_menu) && m_hWnd && ::IsWindow(m_hWnd)) {
        int next = m_next;
        m_next = -1;
        TrackPopup(next);
    }
    m_next = -1;
}

void CCommandBar::TrackPopup(int index) {
    HMENU popup = ::GetSubMenu(m_menu, index);
    if (!popup) {
        UINT id = ::GetMenuItemID(m_menu, index);
        if (id != static_cast<UINT>(-1) && id != 0) ::PostMessageW(m_owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return;
    }
    RECT button{};
    Send(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button));
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&button), 2);
    const int id = kFirstButtonId + index;

    Send(TB_PRESSBUTTON, id, MAKELPARAM(TRUE, 0));
    m_open = index;
    s_tracking = this;
    m_filter = ::SetWindowsHookExW(WH_MSGFILTER, MenuFilterProc, nullptr, ::GetCurrentThreadId());
    TPMPARAMS params{sizeof(params), button};
    // The bar owns the popup (it draws the images) and hands the chosen command to the owner.
    ::SetLastError(0);
    UINT command = ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON | TPM_RETURNCMD,
                                      button.left, button.bottom, m_hWnd, &params);
    if (command) {
        ::PostMessageW(m_owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    } else if (::GetLastError()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, kTag, "TrackPopupMenuEx %d failed, error %lu", index, ::GetLastError());
    }
    if (m_filter) ::UnhookWindowsHookEx(m_filter);
    m_filter = nullptr;
    s_tracking = nullptr;
    m_open = -1;
    if (m_hWnd && ::IsWindow(m_hWnd)) Send(TB_PRESSBUTTON, id, MAKELPARAM(FALSE, 0));
}

LRESULT CALLBACK CCommandBar::MenuFilterProc(int code, WPARAM wp, LPARAM lp) {
    CCommandBar* bar = s_tracking;
    if (code == MSGF_MENU && bar && lp) {
        const MSG* msg = reinterpret_cast<const MSG*>(lp);
        if (msg->message == WM_MOUSEMOVE || msg->message == WM_LBUTTONDOWN) {
            int index = bar->ButtonAt(msg->pt);
            if (index >= 0 && (index != bar->m_open || msg->message == WM_LBUTTONDOWN)) {
                // A press on the open popup's own button only closes it.
                bar->m_next = index != bar->m_open ? index : -1;
                ::EndMenu();
                if (msg->message == WM_LBUTTONDOWN) return TRUE;  // taken: the bar must not see it again
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

int CCommandBar::MnemonicIndex(WPARAM virtualKey) const {
    bool letter = virtualKey >= 'A' && virtualKey <= 'Z', digit = virtualKey >= '0' && virtualKey <= '9';
    if (!m_menu || !(letter || digit)) return -1;
    int count = ::GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        std::wstring text = ItemText(m_menu, i);
        for (size_t at = text.find(L'&'); at != std::wstring::npos && at + 1 < text.size(); at = text.find(L'&', at + 2)) {
            if (text[at + 1] == L'&') continue;  // "&&" is a plain ampersand
            if (static_cast<WPARAM>(std::towupper(text[at + 1])) == virtualKey) return i;
            break;
        }
    }
    return -1;
}

bool CCommandBar::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->message != WM_SYSKEYDOWN || !m_hWnd || !m_menu || m_open >= 0) return false;
    if (!(HIWORD(msg->lParam) & KF_ALTDOWN) || !msg->hwnd) return false;
    HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    if (!root || root != ::GetAncestor(m_owner, GA_ROOT)) return false;
    int index = MnemonicIndex(msg->wParam);
    if (index < 0) return false;
    ::PostMessageW(m_hWnd, kMsgOpenPopup, static_cast<WPARAM>(index), 0);
    return true;
}
