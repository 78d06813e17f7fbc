#include "NavigateBarsWin.h"

#include <windowsx.h>

#include <cstdio>

#include "HyperLinkExWin.h"
#include "resource.h"
#include "ui/Gdi.h"
#include "vxlib/Charset.h"

namespace {

const COLORREF kGradientTop = RGB(252, 253, 255);
const COLORREF kGradientBottom = RGB(226, 236, 249);
const COLORREF kBarLine = RGB(190, 208, 232);
const COLORREF kTabFace = RGB(236, 242, 251);
const COLORREF kTabHot = RGB(221, 235, 255);
const COLORREF kTabBorder = RGB(160, 188, 224);
const int kTextInset = 10;
const int kTabWidth = 80, kTabHeight = 27, kTabGap = 2;
const int kLetterWidth = 22;

COLORREF Mix(COLORREF a, COLORREF b, int num, int den) {
    auto part = [&](int x, int y) { return x + (y - x) * num / den; };
    return RGB(part(GetRValue(a), GetRValue(b)), part(GetGValue(a), GetGValue(b)), part(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    ui::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush.Get());
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    ui::CBrush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &r, brush.Get());
}

HFONT MakeFont(int height, int weight) {
    return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                         Charset::String2WString("宋体").c_str());
}

void TrackLeave(HWND hwnd) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    ::TrackMouseEvent(&track);
}

POINT PointOf(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

}  // namespace

HWND CBarWindow::Create(HWND parent, const RECT& rect, UINT id) {
    if (!RegisterWindowClass(ClassName(), CS_DBLCLKS, nullptr)) return nullptr;
    return CWindowBase::Create(ClassName(), parent, "", WS_CHILD | WS_CLIPSIBLINGS, 0, &rect,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

HFONT CBarWindow::Font() {
    static ui::CFont font(MakeFont(-12, FW_NORMAL));
    return font.Get();
}

LRESULT CBarWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    // A link over the bar asks for what lies under it.
    if (msg == WM_PRINTCLIENT) {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        const int cy = client.bottom;
        HDC dc = reinterpret_cast<HDC>(wp);
        for (int y = 0; y < cy; ++y) Fill(dc, RECT{0, y, client.right, y + 1}, Mix(kGradientTop, kGradientBottom, y, cy));
        return 0;
    }
    return ui::CWindowBase::WndProc(msg, wp, lp);
}

bool CBarWindow::OnPaint() {
    // Painted off screen so that the gradient and the text appear at once.
    ui::CBufferedPaint paint(m_hWnd);
    if (paint.Empty()) return true;
    HDC dc = paint.Dc();
    const RECT client = paint.Client();
    const int cx = client.right, cy = client.bottom;
    ui::CSelectObject selFont(dc, Font());
    for (int y = 0; y < cy; ++y) Fill(dc, RECT{0, y, cx, y + 1}, Mix(kGradientTop, kGradientBottom, y, cy));
    Fill(dc, RECT{0, cy - 1, cx, cy}, kBarLine);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTextColour);
    PaintContent(dc, client);
    return true;
}

void CBarWindow::DrawTextLine(HDC dc, const std::string& gbk, RECT r, UINT format) const {
    std::wstring wide = Charset::String2WString(gbk);
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
                format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

CNavigateBarEx::CNavigateBarEx() = default;

CNavigateBarEx::~CNavigateBarEx() = default;

void CNavigateBarEx::SetBarText(const std::string& gbk) {
    SetText(gbk);
    PlaceLink();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNavigateBarEx::SetLink(const std::string& gbk) {
    if (gbk.empty()) {
        if (m_link && m_link->IsWindow()) m_link->Show(false);
        return;
    }
    if (!m_link) m_link.reset(new CHyperLinkEx);
    if (!m_link->IsWindow()) {
        RECT none{0, 0, 0, 0};
        if (!m_link->Create(m_hWnd, none, IDC_BAR_LINK, gbk)) return;
    }
    m_link->SetText(gbk);
    PlaceLink();
    m_link->Show(true);
}

void CNavigateBarEx::PlaceLink() {
    if (!m_link || !m_link->IsWindow()) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    int textWidth = 0;
    if (HDC dc = ::GetDC(m_hWnd)) {
        ui::CSelectObject font(dc, Font());
        const std::wstring text = GetTextW();
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        textWidth = size.cx;
        ::ReleaseDC(m_hWnd, dc);
    }
    const int linkHeight = 14, gap = 12;
    const int left = kTextInset + textWidth + gap, top = (client.bottom - linkHeight) / 2;
    ::MoveWindow(*m_link, left, top, m_link->TextWidth() + 2, linkHeight, TRUE);
}

bool CNavigateBarEx::OnCommand(int id, int code, HWND) {
    if (id != IDC_BAR_LINK || code != STN_CLICKED) return false;
    ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), kLinkClicked),
                   reinterpret_cast<LPARAM>(m_hWnd));
    return true;
}

void CNavigateBarEx::PaintContent(HDC dc, const RECT& client) {
    RECT r{client.left + kTextInset, client.top, client.right - kTextInset, client.bottom - 1};
    DrawTextLine(dc, GetText(), r, DT_LEFT);
}

int CNavigateBarTab::VisibleTab(int tab) {
    switch (tab) {
    case 13: return 13;
    case 14: case 16: return 14;
    case 15: case 17: return 15;
    default: return 0;
    }
}

RECT CNavigateBarTab::TabRect(int tab) {
    int index = VisibleTab(tab) - kFirstTab;
    if (index < 0) return RECT{};
    int left = kTextInset + index * (kTabWidth + kTabGap);
    const int bottom = 37;
    return RECT{left, bottom - kTabHeight, left + kTabWidth, bottom};
}

void CNavigateBarTab::SetSelected(int tab) {
    if (!VisibleTab(tab)) return;
    m_selected = tab;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNavigateBarTab::SetCounts(int songs, int videos) {
    m_songs = songs;
    m_videos = videos;
    SetText(Label(0) + "|" + Label(1) + "|" + Label(2));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

std::string CNavigateBarTab::Label(int index) const {
    static const char* const labels[kTabCount] = {"全部", "音乐", "视频"};
    std::string label = labels[index];
    const int count = index == 0 ? (m_songs >= 0 && m_videos >= 0 ? m_songs + m_videos : -1) : index == 1 ? m_songs : m_videos;
    if (count >= 0) {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "(%d)", count);
        label += buffer;
    }
    return label;
}

int CNavigateBarTab::TabAt(POINT pt) const {
    for (int tab = kFirstTab; tab < kFirstTab + kTabCount; ++tab) {
        RECT r = TabRect(tab);
        if (::PtInRect(&r, pt)) return tab;
    }
    return 0;
}

void CNavigateBarTab::SetHot(int tab) {
    if (tab == m_hot) return;
    m_hot = tab;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNavigateBarTab::PaintContent(HDC dc, const RECT& /*client*/) {
    int selected = VisibleTab(m_selected);
    for (int i = 0; i < kTabCount; ++i) {
        int tab = kFirstTab + i;
        RECT r = TabRect(tab);
        bool isSelected = tab == selected;
        // The selected tab opens into the content below: no line under it.
        Fill(dc, r, isSelected ? RGB(255, 255, 255) : tab == m_hot ? kTabHot : kTabFace);
        Frame(dc, RECT{r.left, r.top, r.right, r.bottom + (isSelected ? 1 : 0)}, kTabBorder);
        if (isSelected) Fill(dc, RECT{r.left + 1, r.bottom - 1, r.right - 1, r.bottom}, RGB(255, 255, 255));
        DrawTextLine(dc, Label(i), r, DT_CENTER);
    }
}

LRESULT CNavigateBarTab::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!m_hot) TrackLeave(m_hWnd);
        SetHot(TabAt(PointOf(lp)));
        return 0;
    case WM_MOUSELEAVE:
        SetHot(0);
        return 0;
    case WM_SETCURSOR: {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        if (LOWORD(lp) == HTCLIENT && TabAt(pt)) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        int tab = TabAt(PointOf(lp));
        if (!tab) return 0;
        SetSelected(tab);
        ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), tab),
                       reinterpret_cast<LPARAM>(m_hWnd));
        return 0;
    }
    default:
        break;
    }
    return CBarWindow::WndProc(msg, wp, lp);
}

char CAZNavBarEx::LetterAt(int x) {
    if (x < kTextInset) return 0;
    int index = (x - kTextInset) / kLetterWidth;
    return index < 26 ? static_cast<char>('A' + index) : 0;
}

void CAZNavBarEx::PaintContent(HDC dc, const RECT& client) {
    for (int i = 0; i < 26; ++i) {
        char letter = static_cast<char>('A' + i);
        RECT r{kTextInset + i * kLetterWidth, client.top + 6, kTextInset + (i + 1) * kLetterWidth, client.bottom - 7};
        if (letter == m_hot) {
            Fill(dc, r, kTabHot);
            Frame(dc, r, kTabBorder);
        }
        DrawTextLine(dc, std::string(1, letter), r, DT_CENTER);
    }
}

LRESULT CAZNavBarEx::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE: {
        if (!m_hot) TrackLeave(m_hWnd);
        char letter = LetterAt(GET_X_LPARAM(lp));
        if (letter != m_hot) {
            m_hot = letter;
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        m_hot = 0;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_SETCURSOR: {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        if (LOWORD(lp) == HTCLIENT && LetterAt(pt.x)) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        char letter = LetterAt(GET_X_LPARAM(lp));
        if (letter)
            ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), letter),
                           reinterpret_cast<LPARAM>(m_hWnd));
        return 0;
    }
    default:
        break;
    }
    return CBarWindow::WndProc(msg, wp, lp);
}
