#include "HyperLinkExWin.h"

#include <shellapi.h>
#include <strings.h>

#include "log/VxMdLog.h"
#include "ui/Gdi.h"
#include "vxlib/Charset.h"

namespace {

const char kLogFile[] = "search.log";
const wchar_t kClassName[] = L"VxMd_HyperLinkEx";

}  // namespace

HFONT CHyperLinkEx::Font() {
    static ui::CFont font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                        Charset::String2WString("宋体").c_str()));
    return font.Get();
}

HWND CHyperLinkEx::Create(HWND parent, const RECT& rect, UINT id, const std::string& gbkText) {
    if (!RegisterWindowClass(kClassName, CS_DBLCLKS, nullptr)) return nullptr;
    return CWindowBase::Create(kClassName, parent, gbkText, WS_CHILD | WS_VISIBLE, 0, &rect,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

int CHyperLinkEx::TextWidth() const {
    HDC dc = ::GetDC(m_hWnd);
    if (!dc) return 0;
    SIZE size{};
    {
        ui::CSelectObject font(dc, Font());
        const std::wstring text = GetTextW();
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::ReleaseDC(m_hWnd, dc);
    return size.cx;
}

bool CHyperLinkEx::OpenAddress(const std::string& address) {
    // Handed to the shell as the file to open, never as a command line: only web addresses go.
    if (strncasecmp(address.c_str(), "http://", 7) != 0 && strncasecmp(address.c_str(), "https://", 8) != 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OpenAddress", "not a web address: %s", address.c_str());
        return false;
    }
    HINSTANCE started = ::ShellExecuteW(nullptr, L"open", Charset::String2WString(address).c_str(), nullptr, nullptr,
                                        SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OpenAddress", "ShellExecute %d, error %lu: %s",
                     static_cast<int>(reinterpret_cast<INT_PTR>(started)), ::GetLastError(), address.c_str());
        return false;
    }
    return true;
}

bool CHyperLinkEx::OnPaint() {
    ui::CBufferedPaint paint(m_hWnd);
    if (paint.Empty()) return true;
    HDC dc = paint.Dc();
    RECT client = paint.Client();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    // The parent paints what lies under the link, shifted to the link's place.
    HWND parent = ::GetParent(m_hWnd);
    POINT origin{0, 0};
    ::MapWindowPoints(m_hWnd, parent, &origin, 1);
    POINT previous{};
    ::SetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::SetViewportOrgEx(dc, previous.x, previous.y, nullptr);

    ui::CSelectObject selectFont(dc, Font());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kLinkColour);
    const std::wstring text = GetTextW();
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
}

LRESULT CHyperLinkEx::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    bool clicked = false;
    if (m_click.Handle(m_hWnd, msg, lp, clicked)) {
        if (!clicked) return 0;
        if (!m_address.empty())
            OpenAddress(m_address);
        else
            ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), STN_CLICKED),
                           reinterpret_cast<LPARAM>(m_hWnd));
        return 0;
    }
    switch (msg) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        return TRUE;
    case WM_SETTEXT: {
        const LRESULT result = DefProc(msg, wp, lp);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return CWindowBase::WndProc(msg, wp, lp);
}
