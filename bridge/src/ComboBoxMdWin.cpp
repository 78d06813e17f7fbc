#include "ComboBoxMdWin.h"

#include <commctrl.h>
#include <windowsx.h>

#include <vector>

#include "ui/Gdi.h"

namespace {
const UINT_PTR kHideTimer = 1;
const UINT kHideTimerMs = 80;

bool CursorInside(HWND hwnd) {
    POINT cursor;
    RECT rect;
    ::GetCursorPos(&cursor);
    ::GetWindowRect(hwnd, &rect);
    return ::PtInRect(&rect, cursor) != FALSE;
}
}  // namespace

int TextWidthIn(HWND hwnd, const std::wstring& text) {
    HDC dc = ::GetDC(hwnd);
    if (!dc) return 0;
    SIZE size{};
    {
        ui::CSelectObject font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::ReleaseDC(hwnd, dc);
    return size.cx;
}

CTrackTip::~CTrackTip() {
    if (m_tip) ::DestroyWindow(m_tip);
}

bool CTrackTip::Ensure(HWND owner) {
    if (m_tip) return true;
    m_tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                              0, 0, owner, nullptr, nullptr, nullptr);
    if (!m_tip) return false;
    m_owner = owner;
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    info.hwnd = owner;
    info.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(m_tip, TTM_SETMAXTIPWIDTH, 0, 0x7fff);
    RECT margin{0, 0, 0, 0};
    ::SendMessageW(m_tip, TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
    ::SendMessageW(m_tip, TTM_SETTIPBKCOLOR, ::GetSysColor(COLOR_HIGHLIGHT), 0);
    ::SendMessageW(m_tip, TTM_SETTIPTEXTCOLOR, ::GetSysColor(COLOR_HIGHLIGHTTEXT), 0);
    return true;
}

void CTrackTip::Show(HWND owner, const std::wstring& text, POINT screen) {
    if (!Ensure(owner)) return;
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = m_owner;
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(m_tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(m_tip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
    ::SendMessageW(m_tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
    m_shown = true;
}

void CTrackTip::Hide() {
    if (!m_tip || !m_shown) return;
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = m_owner;
    ::SendMessageW(m_tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
    m_shown = false;
}

LRESULT CListBoxMd::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        m_tip.Hide();
        break;
    case WM_TIMER:
        if (wp == kHideTimer) {
            if (!CursorInside(m_hWnd) || !::IsWindowVisible(m_hWnd)) {
                m_tip.Hide();
                ::KillTimer(m_hWnd, kHideTimer);
            }
            return 0;
        }
        break;
    case WM_DESTROY:
        m_tip.Hide();
        break;
    default:
        break;
    }
    return DefProc(msg, wp, lp);
}

void CListBoxMd::OnMouseMove(POINT client) {
    LRESULT hit = Send(LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    int item = LOWORD(hit);
    RECT rect{};
    if (HIWORD(hit) != 0 || Send(LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect)) == LB_ERR) {
        m_tip.Hide();
        return;
    }
    LRESULT length = Send(LB_GETTEXTLEN, item);
    if (length == LB_ERR) {
        m_tip.Hide();
        return;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    Send(LB_GETTEXT, item, reinterpret_cast<LPARAM>(buffer.data()));
    std::wstring text(buffer.data());
    if (TextWidthIn(m_hWnd, text) > (rect.right - rect.left) - 3) {
        POINT at{rect.left, rect.top};
        ::ClientToScreen(m_hWnd, &at);
        m_tip.Show(m_hWnd, text, at);
        ::SetTimer(m_hWnd, kHideTimer, kHideTimerMs, nullptr);
    } else {
        m_tip.Hide();
    }
}

// The edit part receives the mouse; it hands the moves to the combo.
class CComboBoxMd::CEditPart : public ui::CSubclassWindow {
public:
    explicit CEditPart(CComboBoxMd& combo) : m_combo(combo) {}

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_MOUSEMOVE) m_combo.OnEditMouseMove();
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) m_combo.m_tip.Hide();
        return DefProc(msg, wp, lp);
    }

private:
    CComboBoxMd& m_combo;
};

CComboBoxMd::CComboBoxMd() : m_list(new CListBoxMd), m_edit(new CEditPart(*this)) {}
CComboBoxMd::~CComboBoxMd() = default;

void CComboBoxMd::OnEditMouseMove() {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int width = (client.right - client.left) - (::GetSystemMetrics(SM_CXHTHUMB) + 2);
    std::wstring text = GetTextW();
    if (!text.empty() && TextWidthIn(m_hWnd, text) > width - 6) {
        POINT at{client.left, client.top};
        ::ClientToScreen(m_hWnd, &at);
        m_tip.Show(m_hWnd, text, at);
        ::SetTimer(m_hWnd, kHideTimer, kHideTimerMs, nullptr);
    } else {
        m_tip.Hide();
    }
}

bool CComboBoxMd::Attach(HWND combo) {
    if (!Subclass(combo)) return false;
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(combo, &info) && info.hwndItem) m_edit->Subclass(info.hwndItem);
    return true;
}

LRESULT CComboBoxMd::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        OnEditMouseMove();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        m_tip.Hide();
        break;
    case WM_CTLCOLORLISTBOX:
        if (!m_list->IsSubclassed()) m_list->Subclass(reinterpret_cast<HWND>(lp));
        break;
    case WM_TIMER:
        if (wp == kHideTimer) {
            if (!CursorInside(m_hWnd)) {
                m_tip.Hide();
                ::KillTimer(m_hWnd, kHideTimer);
            }
            return 0;
        }
        break;
    case WM_DESTROY:
        m_tip.Hide();
        break;
    default:
        break;
    }
    return DefProc(msg, wp, lp);
}
