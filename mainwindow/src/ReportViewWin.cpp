#include "ReportViewWin.h"

#include <windowsx.h>

#include <algorithm>

#include "ActionInterfaces.h"
#include "catalogue/SearchTypes.h"
#include "config/ConfigManager.h"
#include "datadef/SongInfo.h"
#include "vxlib/Charset.h"

using reportview::Rect;
using Charset::String2WString;
using Charset::WString2String;

namespace {

const char kWidthSection[] = "ListColWidth";
const char kWidthKey[] = "ColWidth";
const COLORREF kSelectedFocused = RGB(204, 221, 238);
const COLORREF kSelected = RGB(242, 242, 242);
const COLORREF kHot = RGB(221, 235, 255);
const COLORREF kNormal = RGB(255, 255, 255);
const COLORREF kText = RGB(35, 59, 102);
const int kRowHeight = 19;
const int kButtonSize = 16;
const int kStarSize = 11;
const int kIconSize = 16;

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    ui::CBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &r, brush.Get());
}

void DrawCellText(HDC dc, RECT r, const std::string& text, int align) {
    std::wstring wide = String2WString(text);
    ::InflateRect(&r, -2, -1);
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | (align == 1 ? DT_CENTER : DT_LEFT));
}

int TextWidth(HDC dc, const std::string& text) {
    std::wstring wide = String2WString(text);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
}

// The song-name icon: a quaver.
void DrawNoteIcon(HDC dc, int x, int y) {
    ui::CBrush brush(::CreateSolidBrush(kText));
    ui::CPen pen(::CreatePen(PS_SOLID, 1, kText));
    ui::CSelectObject selBrush(dc, brush.Get()), selPen(dc, pen.Get());
    ::Ellipse(dc, x + 3, y + 10, x + 9, y + 15);
    ::MoveToEx(dc, x + 8, y + 12, nullptr);
    ::LineTo(dc, x + 8, y + 2);
    ::LineTo(dc, x + 13, y + 5);
}

void DrawStar(HDC dc, int x, int y, bool lit) {
    static const POINT shape[10] = {{5, 0}, {6, 4}, {10, 4}, {7, 6}, {8, 10}, {5, 8}, {2, 10}, {3, 6}, {0, 4}, {4, 4}};
    POINT pts[10];
    for (int i = 0; i < 10; ++i) pts[i] = POINT{x + shape[i].x, y + shape[i].y};
    COLORREF colour = lit ? RGB(255, 170, 0) : RGB(200, 200, 200);
    ui::CBrush brush(::CreateSolidBrush(colour));
    ui::CPen pen(::CreatePen(PS_SOLID, 1, colour));
    ui::CSelectObject selBrush(dc, brush.Get()), selPen(dc, pen.Get());
    ::Polygon(dc, pts, 10);
}

// Image `image` (0 to 3) of the button kind's strip, 16 x 16 at (x, y).
void DrawButtonImage(HDC dc, int kind, int image, int x, int y) {
    static const COLORREF glyphs[4] = {RGB(190, 190, 190), kText, RGB(20, 40, 90), RGB(40, 110, 220)};
    RECT frame{x, y, x + kButtonSize, y + kButtonSize};
    if (image >= 2) {
        Fill(dc, frame, image == 2 ? RGB(170, 200, 235) : RGB(235, 243, 255));
        ui::CBrush border(::CreateSolidBrush(RGB(120, 160, 215)));
        ::FrameRect(dc, &frame, border.Get());
    }
    COLORREF colour = glyphs[image];
    ui::CBrush brush(::CreateSolidBrush(colour));
    ui::CPen pen(::CreatePen(PS_SOLID, 1, colour));
    ui::CSelectObject selBrush(dc, brush.Get()), selPen(dc, pen.Get());
    switch (kind) {
    case 0: {  // a screen
        ::Rectangle(dc, x + 3, y + 4, x + 13, y + 11);
        ::MoveToEx(dc, x + 6, y + 13, nullptr);
        ::LineTo(dc, x + 11, y + 13);
        break;
    }
    case 1: {  // play
        POINT pts[3] = {{x + 5, y + 3}, {x + 12, y + 8}, {x + 5, y + 13}};
        ::Polygon(dc, pts, 3);
        break;
    }
    case 2:  // plus
        ::Rectangle(dc, x + 7, y + 3, x + 9, y + 13);
        ::Rectangle(dc, x + 3, y + 7, x + 13, y + 9);
        break;
    default: {  // down arrow
        ::Rectangle(dc, x + 7, y + 2, x + 9, y + 8);
        POINT pts[3] = {{x + 3, y + 8}, {x + 13, y + 8}, {x + 8, y + 13}};
        ::Polygon(dc, pts, 3);
        break;
    }
    }
}

SongVector One(CSongInfoBase* song) { return SongVector{song}; }

class CSongNameDrawer : public ListItemDrawer {
public:
    using ListItemDrawer::ListItemDrawer;
    void Draw(HDC dc, int, int, const RECT& cell, const std::string& text) override {
        DrawNoteIcon(dc, cell.left + 2, cell.top + (cell.bottom - cell.top - kIconSize) / 2);
        RECT r = cell;
        r.left += 2 + kIconSize + 6;
        std::wstring wide = String2WString(text);
        ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
                    DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        m_hover = 3;
    }
    void OnDoubleClick(int row, int, bool& handled) override {
        CSongInfoBase* song = m_view.GetSong(row);
        if (!song) return;
        handled = true;
        SongVector songs = One(song);
        if (g_pUserAction) g_pUserAction->Listen(&songs);
    }
    void OnClick(int, int) override {}
};

class CStarsDrawer : public ListItemDrawer {
public:
    using ListItemDrawer::ListItemDrawer;
    void Draw(HDC dc, int row, int, const RECT& cell, const std::string&) override {
        CSongInfoBase* song = m_view.GetSong(row);
        if (!song) return;
        int lit = reportview::StarCount(song->GetWMA() != nullptr, song->GetWMA() ? song->GetWMA()->GetPopularity() : 0);
        Rect part = reportview::CentredPart(ToRect(cell), 5 * kStarSize, kStarSize);
        for (int i = 0; i < 5; ++i) DrawStar(dc, part.left + i * kStarSize, part.top, i < lit);
        m_hover = 3;
    }
};

class CLinkDrawer : public ListItemDrawer {
public:
    CLinkDrawer(CVxMdReportView& view, bool artist) : ListItemDrawer(view), m_artist(artist) {}
    void Draw(HDC dc, int, int, const RECT& cell, const std::string& text) override {
        POINT pt;
        bool over = m_view.GetCursorInClient(pt) && reportview::OverLinkText(ToRect(cell), TextWidth(dc, text), pt.x, pt.y);
        m_hover = over ? 1 : 3;
        if (!over) return DrawCellText(dc, cell, text, 0);
        LOGFONTW lf{};
        ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof(lf), &lf);
        lf.lfUnderline = TRUE;
        ui::CFont font(::CreateFontIndirectW(&lf));
        ui::CSelectObject sel(dc, font.Get());
        DrawCellText(dc, cell, text, 0);
    }
    void OnClick(int row, int column) override {
        CSongInfoBase* song = m_view.GetSong(row);
        if (!song || !OverText(row, column)) return ListItemDrawer::OnClick(row, column);
        SearchParam request;
        request.nType = m_artist ? kSearchArtist : kSearchAlbum;
        request.strKey = m_artist ? song->GetArtist() : song->GetAlbum();
        if (g_pFolderAction) g_pFolderAction->OpenSearch(request, 6, 0);
    }
    bool OverText(int row, int column) const {
        RECT cell;
        POINT pt;
        if (!m_view.GetCellRect(row, column, cell) || !m_view.GetCursorInClient(pt)) return false;
        HDC dc = ::GetDC(m_view);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(m_view.Send(WM_GETFONT)));
        int width = TextWidth(dc, m_view.GetCellText(row, column));
        ::SelectObject(dc, old);
        ::ReleaseDC(m_view, dc);
        return reportview::OverLinkText(ToRect(cell), width, pt.x, pt.y);
    }

private:
    bool m_artist;
};

class CButtonDrawer : public ListItemDrawer {
public:
    CButtonDrawer(CVxMdReportView& view, int kind) : ListItemDrawer(view), m_kind(kind) {}
    void Draw(HDC dc, int row, int, const RECT& cell, const std::string&) override {
        m_hover = 3;
        CSongInfoBase* song = m_view.GetSong(row);
        if (!song || (m_kind == 0 && !song->GetMKV())) return;
        Rect part = reportview::CentredPart(ToRect(cell), kButtonSize, kButtonSize);
        POINT pt;
        bool inWindow = m_view.GetCursorInClient(pt);
        bool overButton = inWindow && reportview::Contains(part, pt.x, pt.y);
        bool overRow = inWindow && pt.y >= cell.top && pt.y < cell.bottom;
        m_hover = overButton ? 1 : 3;
        DrawButtonImage(dc, m_kind, reportview::ButtonImage(overButton, m_view.IsLeftDown(), overRow), part.left, part.top);
    }
    void OnClick(int row, int column) override {
        CSongInfoBase* song = m_view.GetSong(row);
        RECT cell;
        POINT pt;
        if (!song || (m_kind == 0 && !song->GetMKV()) || !m_view.GetCellRect(row, column, cell) ||
            !m_view.GetCursorInClient(pt) ||
            !reportview::Contains(reportview::CentredPart(ToRect(cell), kButtonSize, kButtonSize), pt.x, pt.y))
            return ListItemDrawer::OnClick(row, column);
        if (!g_pUserAction) return;
        SongVector songs = One(song);
        switch (m_kind) {
        case 0: g_pUserAction->WatchMusicVideo(&songs); break;
        case 1: g_pUserAction->Listen(&songs); break;
        case 2: g_pUserAction->AddToPlayerList(&songs); break;
        default: g_pUserAction->Download(&songs, 0); break;
        }
    }

private:
    int m_kind;
};

struct SortContext {
    const CVxMdReportView* view;
    int column;
    int kind;
    bool descending;
};

std::string CellTextOf(const CSongInfoBase& song, int column) {
    switch (column) {
    case 0: return song.GetName();
    case 1: return song.GetArtist();
    case 2: return song.GetAlbum();
    case 3: return std::to_string(reportview::StarCount(song.GetWMA() != nullptr, song.GetWMA() ? song.GetWMA()->GetPopularity() : 0));
    case 6: return song.GetMKV() ? "1" : "0";
    default: return std::string();
    }
}

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM context) {
    const SortContext& c = *reinterpret_cast<const SortContext*>(context);
    int order = reportview::CompareSortKeys(c.kind, CellTextOf(*reinterpret_cast<CSongInfoBase*>(a), c.column),
                                            CellTextOf(*reinterpret_cast<CSongInfoBase*>(b), c.column));
    return c.descending ? -order : order;
}

}  // namespace

void ListItemDrawer::Draw(HDC dc, int, int, const RECT& cell, const std::string& text) {
    DrawCellText(dc, cell, text, 0);
    m_hover = 3;
}

void ListItemDrawer::OnDoubleClick(int, int, bool&) {}

void ListItemDrawer::OnClick(int row, int column) {
    RECT cell;
    if (m_view.GetCellRect(row, column, cell)) ::InvalidateRect(m_view, &cell, FALSE);
}

CVxMdReportView::CVxMdReportView() = default;

CVxMdReportView::~CVxMdReportView() {
    if (m_rowHeight) ::ImageList_Destroy(m_rowHeight);
}

HWND CVxMdReportView::Create(HWND parent, const RECT& rect, UINT id) {
    HWND hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
    if (!hwnd || !Subclass(hwnd)) return nullptr;
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    m_rowHeight = ::ImageList_Create(1, kRowHeight, ILC_COLOR32, 1, 0);
    Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_rowHeight));
    ShowColumnSet(kSongColumnSet);
    return hwnd;
}

void CVxMdReportView::ShowColumnSet(int set) {
    DeleteAllRows();
    while (Send(LVM_DELETECOLUMN, 0)) {
    }
    m_columns.clear();
    m_sortColumn = -1;
    m_shownSet = set;
    if (set != kSongColumnSet) return;
    m_columns = {
        {"歌曲名", 239, reportview::kSortText, 0, std::make_shared<CSongNameDrawer>(*this)},
        {"歌手名", 111, reportview::kSortText, 0, std::make_shared<CLinkDrawer>(*this, true)},
        {"专辑名", 134, reportview::kSortText, 0, std::make_shared<CLinkDrawer>(*this, false)},
        {"人气", 62, reportview::kSortNumber, 1, std::make_shared<CStarsDrawer>(*this)},
        {"试听", 38, reportview::kSortNumber, 1, std::make_shared<CButtonDrawer>(*this, 1)},
        {"添加", 38, reportview::kSortNumber, 1, std::make_shared<CButtonDrawer>(*this, 2)},
        {"MV", 38, reportview::kSortNumber, 1, std::make_shared<CButtonDrawer>(*this, 0)},
        {"下载", 38, reportview::kSortNumber, 1, std::make_shared<CButtonDrawer>(*this, 3)},
    };
    for (size_t i = 0; i < m_columns.size(); ++i) {
        std::wstring title = String2WString(m_columns[i].title);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = LVCFMT_CENTER;
        col.cx = m_columns[i].width;
        col.pszText = const_cast<wchar_t*>(title.c_str());
        Send(LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
}

int CVxMdReportView::AddSong(CSongInfoBase* song) {
    if (!song) return -1;
    if (m_shownSet != kSongColumnSet) ShowColumnSet(kSongColumnSet);
    LVITEMW item{};
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = GetRowCount();
    item.lParam = reinterpret_cast<LPARAM>(song);
    std::wstring name = String2WString(song->GetName());
    item.pszText = const_cast<wchar_t*>(name.c_str());
    int row = static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return -1;
    for (int column = 1; column < GetColumnCount(); ++column) {
        std::wstring text = String2WString(CellTextOf(*song, column));
        LVITEMW sub{};
        sub.iSubItem = column;
        sub.pszText = const_cast<wchar_t*>(text.c_str());
        Send(LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&sub));
    }
    return row;
}

int CVxMdReportView::AddSongs(const std::vector<CSongInfoBase*>& songs) {
    if (songs.empty()) return 0;
    if (m_shownSet != kSongColumnSet) ShowColumnSet(kSongColumnSet);
    Send(WM_SETREDRAW, FALSE);
    // Room for every row at once: growing one row at a time made a thousand rows take seconds.
    Send(LVM_SETITEMCOUNT, GetRowCount() + static_cast<int>(songs.size()), LVSICF_NOINVALIDATEALL);
    int added = 0;
    for (CSongInfoBase* song : songs) added += AddSong(song) >= 0 ? 1 : 0;
    Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return added;
}

void CVxMdReportView::DeleteAllRows() {
    Send(LVM_DELETEALLITEMS);
    m_hotRow = -1;
}

int CVxMdReportView::GetRowCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

CSongInfoBase* CVxMdReportView::GetSong(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<CSongInfoBase*>(item.lParam);
}

std::string CVxMdReportView::GetCellText(int row, int column) const {
    wchar_t buffer[512] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    Send(LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return WString2String(buffer);
}

std::vector<CSongInfoBase*> CVxMdReportView::GetSelectedSongs() const {
    std::vector<CSongInfoBase*> songs;
    for (int row = -1; (row = static_cast<int>(Send(LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;)
        if (CSongInfoBase* song = GetSong(row)) songs.push_back(song);
    return songs;
}

void CVxMdReportView::SelectAll() {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    {
        CHeldReports held(*this);
        Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    }
    ReportHeldSelection();
}

void CVxMdReportView::InvertSelection() {
    {
        CHeldReports held(*this);
        for (int row = 0, count = GetRowCount(); row < count; ++row) {
            LVITEMW item{};
            item.stateMask = LVIS_SELECTED;
            item.state = Send(LVM_GETITEMSTATE, row, LVIS_SELECTED) ? 0 : LVIS_SELECTED;
            Send(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    ReportHeldSelection();
}

void CVxMdReportView::SortByColumn(int column) {
    if (column < 0 || column >= GetColumnCount()) return;
    m_sortDescending = column == m_sortColumn ? !m_sortDescending : false;
    m_sortColumn = column;
    SortContext context{this, column, m_columns[column].sortKind, m_sortDescending};
    Send(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context), reinterpret_cast<LPARAM>(&CompareRows));
}

void CVxMdReportView::LoadColumnWidths(IConfigManager& config) {
    std::string text;
    if (!config.QueryString(kWidthSection, kWidthKey, text)) return;
    std::vector<int> widths;
    for (int i = 0; i < GetColumnCount(); ++i) widths.push_back(static_cast<int>(Send(LVM_GETCOLUMNWIDTH, i)));
    if (!reportview::ParseColumnWidths(text, widths)) return;
    for (size_t i = 0; i < widths.size(); ++i) Send(LVM_SETCOLUMNWIDTH, i, widths[i]);
}

void CVxMdReportView::SaveColumnWidths(IConfigManager& config) const {
    std::vector<int> widths;
    for (int i = 0; i < GetColumnCount(); ++i) widths.push_back(static_cast<int>(Send(LVM_GETCOLUMNWIDTH, i)));
    config.SetString(kWidthSection, kWidthKey, reportview::FormatColumnWidths(widths));
}

bool CVxMdReportView::GetCellRect(int row, int column, RECT& rect) const {
    rect = RECT{LVIR_BOUNDS, column, 0, 0};
    if (!Send(LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) return false;
    // Sub-item 0 reports the whole row.
    if (column == 0) rect.right = rect.left + static_cast<int>(Send(LVM_GETCOLUMNWIDTH, 0));
    return true;
}

bool CVxMdReportView::GetCursorInClient(POINT& pt) const {
    if (!::GetCursorPos(&pt) || !::ScreenToClient(m_hWnd, &pt)) return false;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    return ::PtInRect(&client, pt) != FALSE;
}

int CVxMdReportView::HitColumn(POINT pt, int& row) const {
    LVHITTESTINFO hit{};
    hit.pt = pt;
    Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    row = hit.iItem;
    return hit.iItem >= 0 ? hit.iSubItem : -1;
}

void CVxMdReportView::SetHotRow(int row) {
    if (row == m_hotRow) return;
    int old = m_hotRow;
    m_hotRow = row;
    if (old >= 0) Send(LVM_REDRAWITEMS, old, old);
    if (row >= 0) Send(LVM_REDRAWITEMS, row, row);
}

void CVxMdReportView::OnMouseMove(POINT pt) {
    if (!m_tracking) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_tracking = ::TrackMouseEvent(&track) != FALSE;
    }
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    LVHITTESTINFO hit{};
    hit.pt = pt;
    Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    SetHotRow(hit.iItem);
}

void CVxMdReportView::ReplayMouseMove() {
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    ::ScreenToClient(m_hWnd, &pt);
    OnMouseMove(pt);
}

void CVxMdReportView::ReportHeldSelection() {
    if (!m_heldReport) return;
    m_heldReport = false;
    ReportSelection();
}

void CVxMdReportView::ReportSelection() {
    if (!g_pUserAction) return;
    SongVector songs = GetSelectedSongs();
    g_pUserAction->SongsSelected(&songs, 1);
}

LRESULT CVxMdReportView::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        break;
    case WM_MOUSELEAVE:
        m_tracking = false;
        SetHotRow(-1);
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        break;
    case WM_MOUSEWHEEL: {
        LRESULT result = DefProc(msg, wp, lp);
        ReplayMouseMove();
        return result;
    }
    case WM_LBUTTONDOWN: {
        m_leftDown = true;
        LVHITTESTINFO hit{};
        hit.pt = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0) Send(LVM_REDRAWITEMS, hit.iItem, hit.iItem);
        LRESULT result = DefProc(msg, wp, lp);
        m_leftDown = false;  // the list tracks the press itself and returns after the release
        return result;
    }
    case WM_SETCURSOR: {
        POINT pt;
        int row = -1;
        if (GetCursorInClient(pt)) {
            int column = HitColumn(pt, row);
            auto* link = column >= 0 && column < GetColumnCount() ? dynamic_cast<CLinkDrawer*>(m_columns[column].drawer.get()) : nullptr;
            if (link && link->OverText(row, column)) {
                ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    }
    case WM_KEYDOWN:
        if (wp == VK_UP || wp == VK_DOWN) ReplayMouseMove();
        break;
    }
    return DefProc(msg, wp, lp);
}

bool CVxMdReportView::OnReflectedNotify(NMHDR* header, LRESULT& result) {
    switch (header->code) {
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    case NM_CLICK: {
        auto* act = reinterpret_cast<NMITEMACTIVATE*>(header);
        int row = -1;
        int column = HitColumn(act->ptAction, row);
        if (column >= 0 && column < GetColumnCount()) m_columns[column].drawer->OnClick(row, column);
        return false;
    }
    case NM_DBLCLK: {
        auto* act = reinterpret_cast<NMITEMACTIVATE*>(header);
        int row = -1;
        int column = HitColumn(act->ptAction, row);
        if (column < 0 || column >= GetColumnCount()) return false;
        bool handled = false;
        m_columns[column].drawer->OnDoubleClick(row, column, handled);
        if (!handled && column != 0) m_columns[0].drawer->OnDoubleClick(row, 0, handled);
        return false;
    }
    case NM_RCLICK: {
        auto* act = reinterpret_cast<NMITEMACTIVATE*>(header);
        int row = -1;
        HitColumn(act->ptAction, row);
        if (row < 0 || !g_pUserAction) return false;
        SongVector songs = GetSelectedSongs();
        POINT screen;
        ::GetCursorPos(&screen);
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        g_pUserAction->SongContextMenu(screen.x, screen.y, &songs);
        return false;
    }
    case LVN_ITEMCHANGED: {
        auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        // Each report collects the whole selection: a batch reports once, when it is done.
        if (change->uChanged & LVIF_STATE) {
            if (m_heldReports > 0)
                m_heldReport = true;
            else
                ReportSelection();
        }
        return false;
    }
    case LVN_COLUMNCLICK:
        SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return true;
    }
    return false;
}

LRESULT CVxMdReportView::OnCustomDraw(NMLVCUSTOMDRAW* cd) {
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        int row = static_cast<int>(cd->nmcd.dwItemSpec);
        bool selected = Send(LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
        if (selected)
            m_rowBack = ::GetFocus() == m_hWnd ? kSelectedFocused : kSelected;
        else
            m_rowBack = row == m_hotRow ? kHot : kNormal;
        cd->clrText = kText;
        cd->clrTextBk = m_rowBack;
        ::SetBkMode(cd->nmcd.hdc, TRANSPARENT);
        return CDRF_NOTIFYSUBITEMDRAW;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(cd->nmcd.dwItemSpec);
        int column = cd->iSubItem;
        RECT cell;
        if (column >= GetColumnCount() || !GetCellRect(row, column, cell)) return CDRF_DODEFAULT;
        HDC dc = cd->nmcd.hdc;
        Fill(dc, cell, m_rowBack);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, kText);
        const Column& col = m_columns[column];
        std::string text = GetCellText(row, column);
        if (col.drawer)
            col.drawer->Draw(dc, row, column, cell, text);
        else
            DrawCellText(dc, cell, text, col.align);
        return CDRF_SKIPDEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}
