#include "ReportViewWin.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "ActionInterfaces.h"
#include "NullActions.h"
#include "catalogue/SearchTypes.h"
#include "config/ConfigManager.h"
#include "datadef/SongInfo.h"
#include "ui/WindowBase.h"
#include "vxlib/Charset.h"

using Charset::String2WString;

namespace {

class CHost : public ui::CWindowBase {};

// The configuration store's interface over a map, so that tests do not share the real file.
class CMapConfig : public IConfigManager {
public:
    std::map<std::string, std::string> values;
    bool DeleteSection(const std::string&) override { return false; }
    void GetString(const std::string& s, const std::string& k, std::string& out, const std::string& def) override {
        if (!QueryString(s, k, out)) out = def;
    }
    bool QueryString(const std::string& s, const std::string& k, std::string& out) override {
        auto it = values.find(s + "/" + k);
        if (it == values.end()) return false;
        out = it->second;
        return true;
    }
    bool SetString(const std::string& s, const std::string& k, const std::string& v) override {
        values[s + "/" + k] = v;
        return true;
    }
    void GetInt(const std::string&, const std::string&, int& out, int def) override { out = def; }
    bool QueryInt(const std::string&, const std::string&, int&) override { return false; }
    bool SetInt(const std::string&, const std::string&, int) override { return false; }
    void GetUInt32(const std::string&, const std::string&, uint32_t& out, uint32_t def) override { out = def; }
    bool QueryUInt32(const std::string&, const std::string&, uint32_t&) override { return false; }
    bool SetUInt32(const std::string&, const std::string&, uint32_t) override { return false; }
    bool QueryBool(const std::string&, const std::string&, bool&) override { return false; }
    bool SetBool(const std::string&, const std::string&, bool) override { return false; }
    bool DeleteKey(const std::string&, const std::string&) override { return false; }
    void GetBool(const std::string&, const std::string&, bool& out, bool def) override { out = def; }
};

// Records what the view asked for, as "operation:first song name:count".
class CRecorder : public CNullActions {
public:
    std::vector<std::string> calls;
    void Note(const char* what, const SongVector* songs) {
        calls.push_back(std::string(what) + ":" + (songs && !songs->empty() ? (*songs)[0]->GetName() : "") + ":" +
                        std::to_string(songs ? songs->size() : 0));
    }
    int SongContextMenu(int, int, const SongVector* s) override { Note("menu", s); return 0; }
    int SongsSelected(const SongVector* s, int) override { Note("selected", s); return 0; }
    int Listen(const SongVector* s) override { Note("listen", s); return 0; }
    int WatchMusicVideo(const SongVector* s) override { Note("video", s); return 0; }
    int AddToPlayerList(const SongVector* s) override { Note("add", s); return 0; }
    int Download(const SongVector* s, int) override { Note("download", s); return 0; }
    uint32_t OpenSearch(const SearchParam& request, int action, int) override {
        calls.push_back("search:" + std::to_string(request.nType) + ":" + request.strKey + ":" + std::to_string(action));
        return 1;
    }
};

class ReportView : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        ui::CWindowBase::RegisterWindowClass(L"VxReportViewTestHost");
        RECT frame{0, 0, 700, 300};
        ASSERT_TRUE(m_host.Create(L"VxReportViewTestHost", nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &frame));
        RECT client{0, 0, 680, 250};
        ASSERT_TRUE(m_view.Create(m_host, client, 100));
        g_pUserAction = &m_recorder;
        g_pFolderAction = &m_recorder;
    }
    void TearDown() override {
        g_pUserAction = nullptr;
        g_pFolderAction = nullptr;
        m_view.Unsubclass();
    }
    CNetSongInfo& AddSong(const char* name, const char* artist, const char* album, int popularity, bool mv) {
        m_songs.push_back(std::make_unique<CNetSongInfo>());
        CNetSongInfo& song = *m_songs.back();
        song.SetName(name);
        song.SetArtist(artist);
        song.SetAlbum(album);
        if (popularity >= 0) {
            song.SetWMA(new CNetResource());
            song.GetWMA()->SetPopularity(popularity);
        }
        if (mv) song.SetMKV(new CNetResource());
        m_view.AddSong(&song);
        return song;
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < m_view.GetRowCount(); ++row) texts.push_back(m_view.GetCellText(row, column));
        return texts;
    }
    // A notification as the list sends it to its parent, with the pointer at the middle of a cell.
    void Notify(UINT code, int row, int column) {
        NMITEMACTIVATE act{};
        act.hdr = NMHDR{m_view, 100, code};
        act.iItem = row;
        act.iSubItem = column;
        RECT cell{};
        if (row >= 0) m_view.GetCellRect(row, column, cell);
        act.ptAction = POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        ::SendMessageW(m_host, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&act));
    }
    void ColumnClick(int column) {
        NMLISTVIEW nm{};
        nm.hdr = NMHDR{m_view, 100, static_cast<UINT>(LVN_COLUMNCLICK)};
        nm.iItem = -1;
        nm.iSubItem = column;
        ::SendMessageW(m_host, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&nm));
    }
    std::vector<int> Widths() {
        std::vector<int> widths;
        for (int i = 0; i < m_view.GetColumnCount(); ++i) widths.push_back(static_cast<int>(m_view.Send(LVM_GETCOLUMNWIDTH, i)));
        return widths;
    }
    // The list painted into a bitmap of our own (through the reflected custom draw).
    COLORREF PixelAt(int x, int y) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        ui::CBitmap bitmap(::CreateCompatibleBitmap(screen, 680, 250));
        ::ReleaseDC(nullptr, screen);
        COLORREF colour;
        {
            ui::CSelectObject sel(dc, bitmap.Get());
            m_view.Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
            colour = ::GetPixel(dc, x, y);
        }
        ::DeleteDC(dc);
        return colour;
    }

    CHost m_host;
    CVxMdReportView m_view;
    CRecorder m_recorder;
    std::vector<std::unique_ptr<CNetSongInfo>> m_songs;
};

TEST_F(ReportView, ShowsTheEightSongColumnsAndTheSongsTexts) {
    ASSERT_EQ(8, m_view.GetColumnCount());
    const char* titles[] = {"歌曲名", "歌手名", "专辑名", "人气", "试听", "添加", "MV", "下载"};
    for (int i = 0; i < 8; ++i) {
        wchar_t buffer[64] = L"";
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = buffer;
        col.cchTextMax = 64;
        ASSERT_TRUE(m_view.Send(LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
        EXPECT_EQ(String2WString(titles[i]), std::wstring(buffer)) << i;
    }
    AddSong("Song B", "Artist B", "Album B", 9, false);
    AddSong("song a", "Artist A", "Album A", -1, true);
    EXPECT_EQ((std::vector<std::string>{"Song B", "song a"}), Column(0));
    EXPECT_EQ((std::vector<std::string>{"Artist B", "Artist A"}), Column(1));
    EXPECT_EQ((std::vector<std::string>{"Album B", "Album A"}), Column(2));
    EXPECT_EQ((std::vector<std::string>{"5", "2"}), Column(3));  // popularity clamped; no WMA: two stars
    EXPECT_EQ(m_songs[1].get(), m_view.GetSong(1));
}

TEST_F(ReportView, ColumnClickSortsAndASecondClickReverses) {
    AddSong("b", "x", "x", 1, false);
    AddSong("C", "x", "x", 9, false);
    AddSong("a", "x", "x", 3, false);
    ColumnClick(0);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "C"}), Column(0));
    ColumnClick(0);
    EXPECT_EQ((std::vector<std::string>{"C", "b", "a"}), Column(0));
    ColumnClick(3);
    EXPECT_EQ((std::vector<std::string>{"b", "a", "C"}), Column(0));
}

TEST_F(ReportView, WidthsAreSavedAndAStoredListOnlyAppliedWhenItFits) {
    CMapConfig config;
    m_view.SaveColumnWidths(config);
    EXPECT_EQ("239,111,134,62,38,38,38,38", config.values["ListColWidth/ColWidth"]);

    config.values["ListColWidth/ColWidth"] = "300,120,140,70,40,3,40,40";
    m_view.LoadColumnWidths(config);
    EXPECT_EQ((std::vector<int>{300, 120, 140, 70, 40, 38, 40, 40}), Widths());
    m_view.SaveColumnWidths(config);
    EXPECT_EQ("300,120,140,70,40,38,40,40", config.values["ListColWidth/ColWidth"]);

    config.values["ListColWidth/ColWidth"] = "10,10,10,10,10,10,10";
    m_view.LoadColumnWidths(config);
    EXPECT_EQ((std::vector<int>{300, 120, 140, 70, 40, 38, 40, 40}), Widths());
}

TEST_F(ReportView, SelectionIsReportedAndSurvivesEmptyListsAndSelections) {
    m_view.SelectAll();
    m_view.InvertSelection();
    EXPECT_TRUE(m_view.GetSelectedSongs().empty());
    ::UpdateWindow(m_view);
    Notify(NM_DBLCLK, -1, 0);
    Notify(NM_RCLICK, -1, 0);
    EXPECT_TRUE(m_recorder.calls.empty());

    AddSong("one", "x", "x", 1, false);
    AddSong("two", "x", "x", 1, false);
    EXPECT_TRUE(m_view.GetSelectedSongs().empty());
    m_recorder.calls.clear();
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    m_view.Send(LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
    ASSERT_FALSE(m_recorder.calls.empty());
    EXPECT_EQ("selected:two:1", m_recorder.calls.back());
    m_view.InvertSelection();
    ASSERT_EQ(1u, m_view.GetSelectedSongs().size());
    EXPECT_EQ("one", m_view.GetSelectedSongs()[0]->GetName());
    m_view.SelectAll();
    EXPECT_EQ(2u, m_view.GetSelectedSongs().size());

    m_recorder.calls.clear();
    Notify(NM_RCLICK, 0, 1);
    EXPECT_EQ((std::vector<std::string>{"menu:one:2"}), m_recorder.calls);
    m_view.DeleteAllRows();
    EXPECT_EQ(0, m_view.GetRowCount());
    EXPECT_TRUE(m_view.GetSelectedSongs().empty());

    // Select all and invert report the whole selection once, not once a row.
    for (int i = 0; i < 40; ++i) AddSong("row", "x", "x", 1, false);
    m_recorder.calls.clear();
    m_view.SelectAll();
    EXPECT_EQ((std::vector<std::string>{"selected:row:40"}), m_recorder.calls);
    m_recorder.calls.clear();
    m_view.InvertSelection();
    EXPECT_EQ((std::vector<std::string>{"selected::0"}), m_recorder.calls);
}

TEST_F(ReportView, RowsArePaintedInTheirStateColours) {
    AddSong("one", "x", "x", 1, false);
    AddSong("two", "x", "x", 1, false);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    m_view.Send(LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    ::SetFocus(m_host);
    RECT first, second;
    ASSERT_TRUE(m_view.GetCellRect(0, 1, first));
    ASSERT_TRUE(m_view.GetCellRect(1, 1, second));
    EXPECT_EQ(RGB(242, 242, 242), PixelAt(first.right - 3, (first.top + first.bottom) / 2));
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(second.right - 3, (second.top + second.bottom) / 2));

    // The hot row follows the pointer and is cleared when it leaves.
    m_view.Send(WM_MOUSEMOVE, 0, MAKELPARAM(second.left + 5, second.top + 5));
    EXPECT_EQ(1, m_view.GetHotRow());
    EXPECT_EQ(RGB(221, 235, 255), PixelAt(second.right - 3, (second.top + second.bottom) / 2));
    m_view.Send(WM_MOUSELEAVE);
    EXPECT_EQ(-1, m_view.GetHotRow());
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(second.right - 3, (second.top + second.bottom) / 2));
}

TEST_F(ReportView, DoubleClickOnAlbumListensAndTheVideoButtonNeedsAVideo) {
    CNetSongInfo& plain = AddSong("plain", "x", "Album", 1, false);
    AddSong("video", "x", "Album", 1, true);
    (void)plain;
    Notify(NM_DBLCLK, 0, 2);
    EXPECT_EQ((std::vector<std::string>{"listen:plain:1"}), m_recorder.calls);

    m_recorder.calls.clear();
    for (int row = 0; row < 2; ++row) {
        RECT cell;
        ASSERT_TRUE(m_view.GetCellRect(row, 6, cell));
        POINT pt{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        ::ClientToScreen(m_view, &pt);
        ::SetCursorPos(pt.x, pt.y);
        Notify(NM_CLICK, row, 6);
    }
    EXPECT_EQ((std::vector<std::string>{"video:video:1"}), m_recorder.calls);
}

TEST_F(ReportView, ArtistAndAlbumLinksSearchOnlyWhenClickedOnTheirText) {
    AddSong("song", "Singer", "Record", 1, false);
    for (int column : {1, 2}) {
        RECT cell;
        ASSERT_TRUE(m_view.GetCellRect(0, column, cell));
        POINT onText{cell.left + 4, (cell.top + cell.bottom) / 2};
        POINT pastText{cell.right - 3, onText.y};
        for (POINT pt : {pastText, onText}) {
            ::ClientToScreen(m_view, &pt);
            ::SetCursorPos(pt.x, pt.y);
            Notify(NM_CLICK, 0, column);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"search:7:Singer:6", "search:1:Record:6"}), m_recorder.calls);
}

}  // namespace
