#include "SearchInputWin.h"

#include <windowsx.h>

#include <algorithm>

#include "ActionInterfaces.h"
#include "FrameConstants.h"
#include "SearchText.h"
#include "config/ServerAddress.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "ui/Gdi.h"
#include "vxlib/Charset.h"
#include "vxlib/UserId.h"

namespace {

const char kLogFile[] = "search.log";
const wchar_t kClassName[] = L"CSearchInput";
const COLORREF kBoxBorder = RGB(61, 154, 215);
const COLORREF kHoverFrame = RGB(167, 216, 255);
const int kLeftInset = 8, kVerticalInset = 2, kIconWidth = 23, kEditAfterIcon = 6;
const int kButtonWidth = 58, kArrowWidth = 13, kArrowGap = 4, kEditGap = 4;
const int kLinkWidth = 52, kLinkGap = 6;
const int kCorner = 10;        // ellipse of the box's corners: 5 pixels
const int kButtonGlyph = 20;   // the magnifier of the button image; the caption follows it

// The installed version when an installer stored one, else the program's own.
std::string ProgramVersion() {
    char stored[64] = {};
    if (UserId::GetVersion(stored, sizeof(stored))) return stored;
    std::string own;
    return UserId::GetMainModuleVersion(own) ? own : std::string();
}

HBITMAP LoadStrip(UINT id) {
    return static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

struct CSearchInput::Images {
    ui::CBitmap icon{LoadStrip(IDB_SEARCH_ICON)};
    ui::CBitmap arrow{LoadStrip(IDB_SEARCH_ARROW)};
    ui::CBitmap button{LoadStrip(IDB_SEARCH_BUTTON)};
};

CSearchInput::CSearchInput() = default;

CSearchInput::~CSearchInput() = default;

CSearchInput::Layout CSearchInput::ComputeLayout(int cx, int cy) {
    Layout l{};
    l.box = RECT{0, 0, std::max(0, cx - kLinkWidth - kLinkGap), cy};
    l.link = RECT{l.box.right + kLinkGap, 0, cx, cy};
    const RECT inner{l.box.left + kLeftInset, kVerticalInset, l.box.right - kVerticalInset, cy - kVerticalInset};
    l.icon = RECT{inner.left, inner.top, inner.left + kIconWidth, inner.bottom};
    l.button = RECT{inner.right - kButtonWidth, inner.top, inner.right, inner.bottom};
    l.arrow = RECT{l.button.left - kArrowGap - kArrowWidth, inner.top, l.button.left - kArrowGap, inner.bottom};
    l.edit = RECT{l.icon.right + kEditAfterIcon, inner.top, std::max(l.icon.right + kEditAfterIcon, l.arrow.left - kEditGap),
                  inner.bottom};
    return l;
}

HWND CSearchInput::Create(HWND parent, UINT id, IFolderAction* folder) {
    m_folder = folder;
    if (!RegisterWindowClass(kClassName, CS_DBLCLKS, nullptr)) return nullptr;
    RECT rect{0, 0, frame::kSearchBandWidth, kHeight};
    return CWindowBase::Create(kClassName, parent, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, &rect,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool CSearchInput::OnCreate(CREATESTRUCTW*) {
    m_images.reset(new Images);
    const Layout l = ComputeLayout(frame::kSearchBandWidth, kHeight);
    if (!m_edit.Create(m_hWnd, l.edit, IDC_SEARCH_EDIT, this) ||
        !m_feedback.Create(m_hWnd, l.link, IDC_SEARCH_FEEDBACK, searchtext::kFeedback) ||
        !m_popup.Create(::GetAncestor(m_hWnd, GA_ROOT), this)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchInput", "a part failed: error %lu", ::GetLastError());
        return false;
    }
    m_feedback.SetAddress(searchtext::FeedbackAddress(GetServerAddress(kServerFeedback), ProgramVersion()));
    m_loop = ui::CThreadLoops::Get();
    if (m_loop) m_loop->AddMessageFilter(this);
    if (IMessageManager* messages = AfxGetMessageManager())
        m_registered = messages->Register(kNetSongChannel, static_cast<INetSongDataObserver*>(this), 2) != 0;
    return true;
}

void CSearchInput::OnDestroy() {
    if (m_loop) m_loop->RemoveMessageFilter(this);
    m_loop = nullptr;
    if (m_registered) {
        if (IMessageManager* messages = AfxGetMessageManager())
            messages->Unregister(kNetSongChannel, static_cast<INetSongDataObserver*>(this));
        m_registered = false;
    }
    m_popup.DestroyWindow();
}

void CSearchInput::OnSize(UINT, int cx, int cy) {
    const Layout l = ComputeLayout(cx, cy);
    auto place = [](HWND hwnd, const RECT& r) {
        if (hwnd) ::MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(m_edit, l.edit);
    // The link's text sits on the middle of the box's height.
    const int textHeight = 14;
    place(m_feedback, RECT{l.link.left, (cy - textHeight) / 2, l.link.right, (cy - textHeight) / 2 + textHeight});
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSearchInput::Draw(HDC dc, HBITMAP strip, int state, const RECT& at) const {
    if (!strip) return;
    BITMAP info{};
    ::GetObjectW(strip, sizeof(info), &info);
    const int width = at.right - at.left;
    const int top = at.top + (at.bottom - at.top - info.bmHeight) / 2;
    HDC source = ::CreateCompatibleDC(dc);
    {
        ui::CSelectObject select(source, strip);
        ::BitBlt(dc, at.left, top, width, info.bmHeight, source, state * width, 0, SRCCOPY);
    }
    ::DeleteDC(source);
}

int CSearchInput::PartState(Part part) const {
    if (m_hot != part) return 0;
    return m_pressed == part ? 2 : 1;
}

void CSearchInput::Paint(HDC target) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int cx = client.right, cy = client.bottom;
    if (cx <= 0 || cy <= 0) return;
    const Layout l = ComputeLayout(cx, cy);
    HDC dc = ::CreateCompatibleDC(target);
    ui::CBitmap bitmap(::CreateCompatibleBitmap(target, cx, cy));
    {
        ui::CSelectObject selectBitmap(dc, bitmap.Get());
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
        if (m_pointerOnBox || m_pointerOnEdit) {
            ui::CPen pen(::CreatePen(PS_SOLID, 1, kHoverFrame));
            ui::CSelectObject selectPen(dc, pen.Get());
            ui::CSelectObject selectBrush(dc, ::GetStockObject(NULL_BRUSH));
            ::RoundRect(dc, l.box.left, l.box.top, l.box.right, l.box.bottom, kCorner + 2, kCorner + 2);
        }
        {
            ui::CPen pen(::CreatePen(PS_SOLID, 1, kBoxBorder));
            ui::CSelectObject selectPen(dc, pen.Get());
            ui::CSelectObject selectBrush(dc, ::GetStockObject(WHITE_BRUSH));
            ::RoundRect(dc, l.box.left + 1, l.box.top + 1, l.box.right - 1, l.box.bottom - 1, kCorner, kCorner);
        }
        // The images stay inside the rounded border.
        HRGN inside = ::CreateRoundRectRgn(l.box.left + 2, l.box.top + 2, l.box.right - 1, l.box.bottom - 1, kCorner - 2,
                                           kCorner - 2);
        ::SelectClipRgn(dc, inside);
        if (m_images) {
            Draw(dc, m_images->icon.Get(), 0, l.icon);
            Draw(dc, m_images->arrow.Get(), PartState(kArrowPart), l.arrow);
            Draw(dc, m_images->button.Get(), PartState(kButtonPart), l.button);
        }
        ::SelectClipRgn(dc, nullptr);
        ::DeleteObject(inside);
        ui::CSelectObject selectFont(dc, CSearchEdit::Font());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(255, 255, 255));
        RECT caption{l.button.left + kButtonGlyph, l.button.top, l.button.right - 2, l.button.bottom};
        const std::wstring text = Charset::String2WString("搜索");
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::BitBlt(target, 0, 0, cx, cy, dc, 0, 0, SRCCOPY);
    }
    ::DeleteDC(dc);
}

bool CSearchInput::OnPaint() {
    ui::CPaintDC paint(m_hWnd);
    Paint(paint);
    return true;
}

CSearchInput::Part CSearchInput::PartAt(POINT client) const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    const Layout l = ComputeLayout(r.right, r.bottom);
    if (::PtInRect(&l.arrow, client)) return kArrowPart;
    if (::PtInRect(&l.button, client)) return kButtonPart;
    return kNoPart;
}

void CSearchInput::SetHover(bool onBox, bool onEdit) {
    if (onBox == m_pointerOnBox && onEdit == m_pointerOnEdit) return;
    const bool before = m_pointerOnBox || m_pointerOnEdit;
    m_pointerOnBox = onBox;
    m_pointerOnEdit = onEdit;
    if (before != (onBox || onEdit)) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

LRESULT CSearchInput::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lp) == m_edit.GetHwnd()) {
            HDC dc = reinterpret_cast<HDC>(wp);
            ::SetTextColor(dc, m_edit.TextColour());
            ::SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        }
        break;
    case WM_MOUSEMOVE: {
        if (!m_pointerOnBox) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
        }
        SetHover(true, m_pointerOnEdit);
        const Part part = PartAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (part != m_hot) {
            m_hot = part;
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        m_hot = kNoPart;
        SetHover(false, m_pointerOnEdit);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const Part part = PartAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (part == kNoPart) return 0;
        m_hot = m_pressed = part;
        ::SetCapture(m_hWnd);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONUP: {
        const Part pressed = m_pressed;
        m_pressed = kNoPart;
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        if (pressed == kNoPart || PartAt(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}) != pressed) return 0;
        if (pressed == kButtonPart) {
            RunSearch();
        } else if (m_popup.IsShown()) {
            HidePopup();
        } else {
            ShowHistory();
            ::SetFocus(m_edit);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (m_pressed != kNoPart) {
            m_pressed = kNoPart;
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    default:
        break;
    }
    return CWindowBase::WndProc(msg, wp, lp);
}

RECT CSearchInput::PopupAnchor() const {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    RECT box = ComputeLayout(client.right, client.bottom).box;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

void CSearchInput::ShowHistory() {
    std::vector<SearchParam> history;
    if (INetSongData* data = GetNetSongData()) data->GetSearchHistory(kHistoryCount, history);
    std::vector<CSearchPopupDlg::Row> rows;
    for (size_t i = 0; i < history.size(); ++i)
        rows.push_back({static_cast<int>(i), history[i].strKey, SearchKindName(history[i].nType)});
    rows.push_back({CSearchPopupDlg::kClearRowId, searchtext::kClearHistory, std::string()});
    m_popup.ShowRows(CSearchPopupDlg::kHistory, rows, PopupAnchor());
}

void CSearchInput::ShowSuggestions() {
    std::vector<TipWord> words;
    if (INetSongData* data = GetNetSongData()) data->GetTipWords(words);
    std::vector<CSearchPopupDlg::Row> rows;
    for (size_t i = 0; i < words.size(); ++i)
        rows.push_back({static_cast<int>(i), words[i].strWord, searchtext::TipCountText(words[i])});
    m_popup.ShowRows(CSearchPopupDlg::kSuggestions, rows, PopupAnchor());
}

void CSearchInput::HidePopup() {
    m_popup.Hide();
}

void CSearchInput::OnEditTextChanged(const std::string& key) {
    if (key.empty()) {
        m_lastTipKey.clear();
        m_popup.ShowRows(CSearchPopupDlg::kSuggestions, std::vector<CSearchPopupDlg::Row>(), PopupAnchor());
        return;
    }
    INetSongData* data = GetNetSongData();
    if (key != m_lastTipKey && data) {
        SearchParam param;
        param.nType = kSearchTips;
        param.strKey = key;
        m_tipCookie = data->Search(param);
        m_lastTipKey = key;
    }
    ShowSuggestions();
}

void CSearchInput::MoveSelection(int step) {
    if (!m_popup.IsShown()) {
        ShowHistory();
        return;
    }
    if (const CSearchPopupDlg::Row* row = m_popup.MoveSelection(step)) {
        m_edit.SetFieldText(row->text);
        // Typing on from here asks only for a text that differs from the row's.
        m_lastTipKey = m_edit.ReadKey();
    }
}

void CSearchInput::OnEditSelectDown() { MoveSelection(1); }

void CSearchInput::OnEditSelectUp() { MoveSelection(-1); }

void CSearchInput::OnEditHidePopup() { HidePopup(); }

void CSearchInput::OnEditFocusGained() {}

void CSearchInput::OnEditFocusLost() {}

void CSearchInput::OnEditRunSearch() { RunSearch(); }

void CSearchInput::OnEditPointer(bool inside) { SetHover(m_pointerOnBox, inside); }

void CSearchInput::OnPopupRowChosen(int rowId) {
    if (rowId == CSearchPopupDlg::kClearRowId) {
        HidePopup();
        if (INetSongData* data = GetNetSongData()) data->ClearSearchHistory();
        return;
    }
    const CSearchPopupDlg::Row* row = m_popup.FindRow(rowId);
    if (!row) return;
    m_edit.SetFieldText(row->text);
    m_lastTipKey = m_edit.ReadKey();
    RunSearch();
}

void CSearchInput::RunSearch() {
    HidePopup();
    m_kind = m_popup.SearchKind();
    SearchParam param = searchtext::BuildSearch(m_kind, m_edit.ReadKey());
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "RunSearch", "kind %d [%s]", param.nType, param.strKey.c_str());
    if (m_folder) m_searchId = m_folder->OpenSearch(param, frame::kOriginCommand, 0);
}

bool CSearchInput::IsOwnWindow(HWND hwnd) const {
    for (HWND own : {m_hWnd, m_popup.GetHwnd()})
        if (own && (hwnd == own || ::IsChild(own, hwnd))) return true;
    return false;
}

bool CSearchInput::PreTranslateMessage(MSG* msg) {
    switch (msg->message) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK: case WM_XBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_NCXBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: case WM_NCRBUTTONDBLCLK: case WM_NCMBUTTONDBLCLK: case WM_NCXBUTTONDBLCLK:
        if (m_popup.IsShown() && !IsOwnWindow(msg->hwnd)) HidePopup();
        break;
    default:
        break;
    }
    return false;
}

void CSearchInput::OnSearchPage(long cookie, SearchResult*) {
    if (cookie == m_tipCookie && m_popup.IsShown() && m_popup.CurrentMode() == CSearchPopupDlg::kSuggestions)
        ShowSuggestions();
}

void CSearchInput::OnSearchFinished(long cookie) {
    OnSearchPage(cookie, nullptr);
}
