#include "XSimpRadioWin.h"


#include "SearchEditWin.h"
#include "resource.h"
#include "ui/Gdi.h"
#include "vxlib/Charset.h"

namespace {

const wchar_t kClassName[] = L"XSimpRadio";
const int kLabelGap = 4;

HBITMAP RadioImages() {
    static ui::CBitmap images(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_SEARCH_RADIO),
                                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return images.Get();
}

}  // namespace

HWND XSimpRadio::Create(HWND parent, const RECT& rect, UINT id, const std::string& gbkLabel) {
    if (!RegisterWindowClass(kClassName, CS_DBLCLKS, nullptr)) return nullptr;
    return CWindowBase::Create(kClassName, parent, gbkLabel, WS_CHILD | WS_VISIBLE, 0, &rect,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void XSimpRadio::SetCheck(bool checked) {
    if (checked == m_checked) return;
    m_checked = checked;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void XSimpRadio::Click() {
    SetCheck(true);
    ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

bool XSimpRadio::OnPaint() {
    ui::CPaintDC paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ui::CBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
    ::FillRect(paint, &client, white.Get());
    const int top = (client.bottom - kImageSize) / 2;
    if (HBITMAP images = RadioImages()) {
        HDC source = ::CreateCompatibleDC(paint);
        {
            ui::CSelectObject select(source, images);
            const int state = (m_checked ? 2 : 0) + (m_hot ? 1 : 0);
            ::BitBlt(paint, 0, top, kImageSize, kImageSize, source, state * kImageSize, 0, SRCCOPY);
        }
        ::DeleteDC(source);
    }
    ui::CSelectObject font(paint, CSearchEdit::Font());
    ::SetBkMode(paint, TRANSPARENT);
    ::SetTextColor(paint, CSearchEdit::kTextColour);
    RECT label{kImageSize + kLabelGap, 0, client.right, client.bottom};
    const std::wstring text = GetTextW();
    ::DrawTextW(paint, text.c_str(), static_cast<int>(text.size()), &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
}

LRESULT XSimpRadio::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    bool clicked = false;
    if (m_click.Handle(m_hWnd, msg, lp, clicked)) {
        if (clicked) Click();
        return 0;
    }
    switch (msg) {
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetCheck(wp == BST_CHECKED);
        return 0;
    case BM_CLICK:
        Click();
        return 0;
    case WM_MOUSEMOVE:
        if (!m_hot) {
            m_hot = true;
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        m_hot = false;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
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
