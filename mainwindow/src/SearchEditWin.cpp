#include "SearchEditWin.h"

#include "SearchText.h"
#include "log/VxMdLog.h"
#include "ui/WindowBase.h"
#include "vxlib/Charset.h"

namespace {

const char kLogFile[] = "search.log";
const wchar_t kClassName[] = L"CSearchEdit";

// A class of our own name over the system's EDIT, so that the field can be found by it.
bool RegisterSuperclass(HINSTANCE module) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (::GetClassInfoExW(module, kClassName, &existing)) return true;
    WNDCLASSEXW wc{sizeof(wc)};
    if (!::GetClassInfoExW(nullptr, L"EDIT", &wc)) return false;
    wc.lpszClassName = kClassName;
    wc.hInstance = module;
    wc.style &= ~CS_GLOBALCLASS;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HFONT CSearchEdit::Font() {
    static ui::CFont font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                        Charset::String2WString("宋体").c_str()));
    return font.Get();
}

HWND CSearchEdit::Create(HWND parent, const RECT& rect, UINT id, IEditAction* action) {
    m_action = action;
    const HINSTANCE module = ui::CWindowBase::OwnModule();
    if (!RegisterSuperclass(module)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchEdit", "class: error %lu", ::GetLastError());
        return nullptr;
    }
    HWND hwnd = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), module, nullptr);
    if (!hwnd || !Subclass(hwnd)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchEdit", "create: error %lu", ::GetLastError());
        if (hwnd) ::DestroyWindow(hwnd);
        return nullptr;
    }
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetQuietly(searchtext::kCue);
    return hwnd;
}

int CSearchEdit::TextHeight() {
    static int height = 0;
    if (!height) {
        HDC dc = ::GetDC(nullptr);
        TEXTMETRICW metrics{};
        {
            ui::CSelectObject font(dc, Font());
            ::GetTextMetricsW(dc, &metrics);
        }
        ::ReleaseDC(nullptr, dc);
        height = metrics.tmHeight > 0 ? metrics.tmHeight : 12;
    }
    return height;
}

std::string CSearchEdit::ReadKey() const {
    return searchtext::FieldKey(GetText());
}

bool CSearchEdit::ShowsCue() const {
    return GetText() == searchtext::kCue;
}

void CSearchEdit::SetQuietly(const std::string& gbk) {
    m_quiet = true;
    SetText(gbk);
    m_quiet = false;
}

void CSearchEdit::SetFieldText(const std::string& gbk) {
    SetQuietly(gbk);
    const LRESULT end = Send(WM_GETTEXTLENGTH);
    Send(EM_SETSEL, end, end);
}

bool CSearchEdit::OnReflectedCommand(int code) {
    if (code != EN_CHANGE) return false;
    if (!m_quiet && m_action) m_action->OnEditTextChanged(ReadKey());
    return true;
}

LRESULT CSearchEdit::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN:
        if (!m_action) break;
        switch (wp) {
        case VK_RETURN: m_action->OnEditRunSearch(); return 0;
        case VK_ESCAPE: m_action->OnEditHidePopup(); return 0;
        case VK_UP: m_action->OnEditSelectUp(); return 0;
        case VK_DOWN: m_action->OnEditSelectDown(); return 0;
        default: break;
        }
        break;
    case WM_CHAR:
        // Enter and Escape were taken at WM_KEYDOWN; a single-line edit would only beep.
        if (wp == L'\r' || wp == L'\n' || wp == 27) return 0;
        break;
    case WM_SETFOCUS: {
        const LRESULT result = DefProc(msg, wp, lp);
        if (ShowsCue()) SetQuietly(std::string());
        m_selectAllOnClick = true;
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        if (m_action) m_action->OnEditFocusGained();
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = DefProc(msg, wp, lp);
        m_selectAllOnClick = false;
        if (Send(WM_GETTEXTLENGTH) == 0) SetQuietly(searchtext::kCue);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        if (m_action) m_action->OnEditFocusLost();
        return result;
    }
    case WM_LBUTTONUP: {
        const LRESULT result = DefProc(msg, wp, lp);
        if (m_selectAllOnClick) {
            m_selectAllOnClick = false;
            Send(EM_SETSEL, 0, -1);
        }
        return result;
    }
    case WM_NCCALCSIZE: {
        // A single-line edit writes at its top: the text is centred by a white margin above and
        // below, which still answers as the field.
        const LRESULT result = DefProc(msg, wp, lp);
        RECT* client = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
        const int spare = (client->bottom - client->top) - TextHeight();
        if (spare > 1) {
            client->top += spare / 2;
            client->bottom -= spare - spare / 2;
        }
        return result;
    }
    case WM_NCPAINT: {
        HDC dc = ::GetWindowDC(m_hWnd);
        if (!dc) break;
        RECT window{}, client{};
        ::GetWindowRect(m_hWnd, &window);
        ::GetClientRect(m_hWnd, &client);
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        ::OffsetRect(&client, -window.left, -window.top);
        ::OffsetRect(&window, -window.left, -window.top);
        ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        ::FillRect(dc, &window, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::ReleaseDC(m_hWnd, dc);
        return 0;
    }
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_MOUSEMOVE:
        if (!m_pointerInside) {
            m_pointerInside = true;
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
            if (m_action) m_action->OnEditPointer(true);
        }
        break;
    case WM_MOUSELEAVE:
        m_pointerInside = false;
        if (m_action) m_action->OnEditPointer(false);
        break;
    default:
        break;
    }
    return DefProc(msg, wp, lp);
}
