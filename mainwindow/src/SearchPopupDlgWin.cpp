#include "SearchPopupDlgWin.h"

#include <windowsx.h>

#include <algorithm>

#include "SearchEditWin.h"
#include "SearchText.h"
#include "resource.h"
#include "ui/Gdi.h"
#include "vxlib/Charset.h"

namespace {

const wchar_t kClassName[] = L"CSearchPopupDlg";
const COLORREF kBorder = RGB(61, 154, 215);
const COLORREF kRadioLine = RGB(221, 238, 255);
const COLORREF kHotRow = RGB(221, 238, 255);
const COLORREF kSelectedRow = RGB(204, 221, 238);
const COLORREF kSecondText = RGB(143, 167, 198);
const COLORREF kClearText = RGB(0, 0, 255);
const int kTextInset = 8;
const int kBottomPadding = 3;

struct RadioEntry {
    UINT id;
    const char* label;
    int kind;
};
const RadioEntry kRadioEntrys[3] = {{IDC_SEARCH_RADIO_ALL, "全部音乐", kSearchKeyword},
                                  {IDC_SEARCH_RADIO_LYRICS, "歌词", kSearchLyrics},
                                  {IDC_SEARCH_RADIO_ALBUM, "专辑", kSearchAlbum}};

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    ui::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush.Get());
}

void DrawLine(HDC dc, const std::string& gbk, RECT r, UINT align, COLORREF colour) {
    const std::wstring text = Charset::String2WString(gbk);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

HWND CSearchPopupDlg::Create(HWND owner, ISearchPopupDlgAction* action) {
    m_action = action;
    if (!RegisterWindowClass(kClassName, CS_DBLCLKS | CS_DROPSHADOW, nullptr)) return nullptr;
    RECT none{0, 0, 0, 0};
    return CWindowBase::Create(kClassName, owner, "", WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                               &none);
}

bool CSearchPopupDlg::OnCreate(CREATESTRUCTW*) {
    for (int i = 0; i < 3; ++i) {
        const int left = kTextInset + i * kRadioSpacing;
        RECT r{left, 5, left + kRadioSpacing - 10, kRadioBarHeight - 5};
        if (!m_radios[i].Create(m_hWnd, r, kRadioEntrys[i].id, kRadioEntrys[i].label)) return false;
    }
    m_radios[0].SetCheck(true);
    return true;
}

RECT CSearchPopupDlg::RowRect(int index, int width) {
    const int top = kRadioBarHeight + index * kRowHeight;
    return RECT{1, top, width - 1, top + kRowHeight};
}

void CSearchPopupDlg::ShowRows(Mode mode, const std::vector<Row>& rows, const RECT& anchor) {
    m_mode = mode;
    m_rows = rows;
    m_selected = m_hot = m_pressed = -1;
    std::string text;
    for (const Row& row : m_rows) text += (text.empty() ? "" : "\n") + row.text + "\t" + row.second;
    SetText(text);
    const int width = anchor.right - anchor.left;
    const int height = kRadioBarHeight + static_cast<int>(m_rows.size()) * kRowHeight + kBottomPadding;
    ::SetWindowPos(m_hWnd, HWND_TOP, anchor.left, anchor.bottom, width, height, SWP_NOACTIVATE);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    if (!IsShown()) ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
}

void CSearchPopupDlg::Hide() {
    if (IsShown()) ::ShowWindow(m_hWnd, SW_HIDE);
    m_selected = m_hot = m_pressed = -1;
}

bool CSearchPopupDlg::IsShown() const {
    return m_hWnd && ::IsWindowVisible(m_hWnd);
}

const CSearchPopupDlg::Row* CSearchPopupDlg::MoveSelection(int step) {
    const int count = static_cast<int>(m_rows.size());
    int at = m_selected;
    for (int tried = 0; tried < count; ++tried) {
        at = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
        if (m_rows[at].id == kClearRowId) continue;
        m_selected = at;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return &m_rows[at];
    }
    return nullptr;
}

const CSearchPopupDlg::Row* CSearchPopupDlg::FindRow(int id) const {
    for (const Row& row : m_rows)
        if (row.id == id) return &row;
    return nullptr;
}

int CSearchPopupDlg::SearchKind() const {
    for (int i = 0; i < 3; ++i)
        if (m_radios[i].IsChecked()) return kRadioEntrys[i].kind;
    return kSearchKeyword;
}

bool CSearchPopupDlg::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    for (int i = 0; i < 3; ++i) {
        if (kRadioEntrys[i].id != static_cast<UINT>(id)) continue;
        for (int j = 0; j < 3; ++j) m_radios[j].SetCheck(j == i);
        return true;
    }
    return false;
}

int CSearchPopupDlg::RowAt(POINT client) const {
    RECT area{};
    ::GetClientRect(m_hWnd, &area);
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const RECT r = RowRect(i, area.right);
        if (::PtInRect(&r, client)) return i;
    }
    return -1;
}

void CSearchPopupDlg::SetHot(int index) {
    if (index == m_hot) return;
    m_hot = index;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CSearchPopupDlg::OnPaint() {
    ui::CBufferedPaint paint(m_hWnd);
    if (paint.Empty()) return true;
    HDC dc = paint.Dc();
    RECT client = paint.Client();
    {
        ui::CSelectObject selectFont(dc, CSearchEdit::Font());
        Fill(dc, client, RGB(255, 255, 255));
        Fill(dc, RECT{1, kRadioBarHeight - 1, client.right - 1, kRadioBarHeight}, kRadioLine);
        ::SetBkMode(dc, TRANSPARENT);
        for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
            const Row& row = m_rows[i];
            const RECT r = RowRect(i, client.right);
            if (i == m_selected)
                Fill(dc, r, kSelectedRow);
            else if (i == m_hot)
                Fill(dc, r, kHotRow);
            RECT text{r.left + kTextInset, r.top, r.right - kTextInset, r.bottom};
            if (row.id == kClearRowId) {
                DrawLine(dc, row.text, text, DT_LEFT, kClearText);
                continue;
            }
            RECT second = text;
            if (!row.second.empty()) {
                DrawLine(dc, row.second, second, DT_RIGHT, kSecondText);
                SIZE size{};
                const std::wstring wide = Charset::String2WString(row.second);
                ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
                text.right = std::max(text.left, static_cast<LONG>(second.right - size.cx - kTextInset));
            }
            DrawLine(dc, row.text, text, DT_LEFT, CSearchEdit::kTextColour);
        }
        ui::CBrush border(::CreateSolidBrush(kBorder));
        ::FrameRect(dc, &client, border.Get());
    }
    return true;
}

LRESULT CSearchPopupDlg::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE: {
        if (m_hot < 0) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
        }
        SetHot(RowAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}));
        return 0;
    }
    case WM_MOUSELEAVE:
        SetHot(-1);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_pressed = RowAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_LBUTTONUP: {
        const int pressed = m_pressed;
        m_pressed = -1;
        const int at = RowAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (pressed < 0 || at != pressed || !m_action) return 0;
        // The action may hide the popup and replace its rows: the id is taken first.
        const int id = m_rows[at].id;
        m_action->OnPopupRowChosen(id);
        return 0;
    }
    default:
        break;
    }
    return CWindowBase::WndProc(msg, wp, lp);
}
