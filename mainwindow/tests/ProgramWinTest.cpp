// The built program, started as a user would, against the stand-in server and player.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "NavigateBarsWin.h"
#include "ProgramRunWin.h"
#include "SearchInputWin.h"
#include "SearchPopupDlgWin.h"
#include "ShortcutReaderWin.h"
#include "config/ConfigManager.h"
#include "testing/AddressSpaceWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/StringUtility.h"
#include "vxlib/UserId.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The user-action log of the installation (beside the program, shared by every test): only the
// part written after construction counts.
class CActLogTail {
public:
    CActLogTail() : m_start(ReadFile(Path()).size()) {}
    static std::string Path() {
        std::string folder;
        Dir::GetVxPath(PATH_PROGRAM, folder);
        return folder + "log\\act.log";
    }
    std::string New() const {
        std::string all = ReadFile(Path());
        return all.size() > m_start ? all.substr(m_start) : std::string();
    }

private:
    size_t m_start;
};

bool ServerConfigured() {
    return getenv("VX_TEST_SERVER") != nullptr;
}

RECT WindowRect(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

POINT LeftOfCell(HWND list, int row, int column, int inset) {
    const RECT cell = remote::ListCellRect(list, row, column);
    return POINT{cell.left + inset, (cell.top + cell.bottom) / 2};
}

// Scripted replies of the stand-in server for this test program (the routes file is read again
// when it changes); false when the test program has none.
bool SetRoutes(const char* json) {
    const char* routes = getenv("VX_SERVER_ROUTES");
    if (!routes) return false;
    std::ofstream(std::string("Z:") + routes, std::ios::trunc) << json;
    return true;
}

// What reached the stand-in server: one JSON line per request.
std::string ServerJournal() {
    const char* journal = getenv("VX_TEST_SERVER_JOURNAL");
    return journal ? ReadFile(journal) : std::string();
}

// Whether a request whose address holds both texts reached the server.
bool JournalHas(const std::string& first, const std::string& second) {
    std::istringstream lines(ServerJournal());
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(first);
        if (at != std::string::npos && line.find(second, at) != std::string::npos) return true;
    }
    return false;
}

// The popup menu the program shows, once it is up.
HWND WaitPopupMenu(DWORD pid) {
    HWND found = nullptr;
    CProgramRun::WaitUntil([&] {
        for (HWND w = FindWindowW(L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
    }, 10000);
    return found;
}

// Picks the menu's item at `position` (0 = first) with the keyboard, as a user would.
void ChooseMenuItem(HWND menu, int position) {
    for (int i = 0; i <= position; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ServerConfigured()) GTEST_SKIP() << "needs the stand-in server (VX_WITH_SERVER=1)";
        AfxGetConfigManager()->SetString("Servers", "All", getenv("VX_TEST_SERVER"));
        m_player = VxStandIn::InstallPlayer();
        ASSERT_FALSE(m_player.empty());
    }
    void TearDown() override {
        VxStandIn::QuitPlayer();
    }

    // Starts the program and waits for the catalogue's tree.
    void StartWithTree(CProgramRun& run, const std::string& args = std::string()) {
        ASSERT_TRUE(run.Start(args));
        ASSERT_TRUE(run.WaitFrame());
        ASSERT_TRUE(run.WaitTree());
    }
    // Expands the chart folder and opens its first chart; returns the chart's name.
    std::string OpenFirstChart(CProgramRun& run) {
        HTREEITEM charts = run.TreeChild(nullptr, "排行榜");
        EXPECT_TRUE(charts);
        remote::TreeExpand(run.Tree(), charts);
        HTREEITEM chart = remote::TreeNext(run.Tree(), charts, TVGN_CHILD);
        EXPECT_TRUE(chart) << "the chart folder's children are inserted when it expands";
        remote::TreeSelect(run.Tree(), chart);
        EXPECT_TRUE(run.WaitRows());
        return run.TreeText(chart);
    }
    std::string PlayerJournal() const {
        return ReadFile(Dir::GetFilePath(m_player) + "journal.txt");
    }

    ScopedDataRoot m_root{"program"};
    std::string m_player;
};

TEST_F(ProgramTest, TreeLoadsChartFillsListDoubleClickPlaysAndExitIsRecorded) {
    CActLogTail actLog;
    CProgramRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitFrame());
    ASSERT_TRUE(run.WaitTree());

    std::vector<std::string> top;
    for (HTREEITEM item : remote::TreeChildren(run.Tree(), nullptr)) top.push_back(run.TreeText(item));
    const std::vector<std::string> expected = {"Vx音乐网盘", "排行榜", "歌手库", "精选MV与专辑", "视频", "每周推荐"};
    EXPECT_EQ(expected, top);
    EXPECT_EQ("Vx音乐网盘", run.SelectedTreeText()) << "the first top-level list opens when the tree is built";
    HTREEITEM singers = run.TreeChild(nullptr, "歌手库");
    EXPECT_FALSE(remote::TreeChildren(run.Tree(), singers).empty());
    EXPECT_TRUE(remote::SendOr(run.Tree(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(singers), TVIS_EXPANDED, 0) &
                TVIS_EXPANDED)
        << "the singer library is shown by default: expanded with its categories";

    const std::string chart = OpenFirstChart(run);
    EXPECT_EQ(chart, run.SelectedTreeText());
    const HWND list = run.List();
    EXPECT_EQ(8, remote::ListColumnCount(list));
    const int rows = remote::ListRowCount(list);
    ASSERT_GT(rows, 0);
    const std::string song = Charset::WString2String(remote::ListCellText(list, 0, 0));
    const std::string artist = Charset::WString2String(remote::ListCellText(list, 0, 1));
    EXPECT_FALSE(song.empty());
    EXPECT_FALSE(artist.empty());
    EXPECT_EQ(StringUtility::Format(" %d 个对象", rows), Charset::WString2String(remote::StatusText(run.Status(), 0)));

    // A double-click on the song's name hands it to the player.
    remote::ClickAt(list, LeftOfCell(list, 0, 0, 40), WM_LBUTTONDBLCLK, MK_LBUTTON, WM_LBUTTONUP);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return PlayerJournal().find("/mdrun playsong|") != std::string::npos; }, 20000))
        << PlayerJournal();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return PlayerJournal().find(song) != std::string::npos; }, 20000))
        << "the mission the player fetched names the song\n" << PlayerJournal();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return actLog.New().find("K_PLAY_MUSIC") != std::string::npos; }, 5000));
    EXPECT_NE(std::string::npos, actLog.New().find("NA:" + song + "|AR:" + artist)) << actLog.New();

    EXPECT_EQ(0u, run.Close());
    std::smatch exit;
    const std::string log = actLog.New();
    ASSERT_TRUE(std::regex_search(log, exit, std::regex("K_EXIT\tU:[^|]*\\|N:\\|SF:SHORTCUT\\|T:(\\d+)"))) << log;
}

TEST_F(ProgramTest, BackForwardAndUpFollowTheHistoryWithElevenEntries) {
    CProgramRun run;
    StartWithTree(run);
    const HWND tree = run.Tree();
    HTREEITEM singers = run.TreeChild(nullptr, "歌手库");
    std::vector<HTREEITEM> categories = remote::TreeChildren(tree, singers);
    ASSERT_GE(categories.size(), 12u);
    // The first list opened by itself, then twelve more: the oldest two fall off.
    for (int i = 0; i < 12; ++i) {
        remote::TreeSelect(tree, categories[i]);
        ASSERT_EQ(run.TreeText(categories[i]), run.SelectedTreeText());
    }
    auto command = [&](int id) { remote::SendOr(run.Frame(), WM_COMMAND, id, 0, 0); };
    for (int i = 10; i >= 1; --i) {
        command(0x8007);
        ASSERT_EQ(run.TreeText(categories[i]), run.SelectedTreeText()) << "back step to " << i;
    }
    command(0x8007);
    EXPECT_EQ(run.TreeText(categories[1]), run.SelectedTreeText()) << "eleven entries: ten steps back, no more";

    command(0x8013);
    EXPECT_EQ(run.TreeText(categories[2]), run.SelectedTreeText());
    command(0x8014);
    EXPECT_EQ("歌手库", run.SelectedTreeText());
    command(0x8014);
    EXPECT_EQ("歌手库", run.SelectedTreeText()) << "a top-level list has no parent to go up to";
    command(0x8013);
    EXPECT_EQ("歌手库", run.SelectedTreeText()) << "opening a list empties the forward list";
    command(0x8007);
    EXPECT_EQ(run.TreeText(categories[2]), run.SelectedTreeText());
    run.Close();
}

TEST_F(ProgramTest, SelectionCommandsAndNothingBreaksWithoutASelection) {
    CProgramRun run;
    StartWithTree(run);
    auto command = [&](int id) { remote::SendOr(run.Frame(), WM_COMMAND, id, 0, 0); };
    // Nothing selected yet, the index page shown: every selection command is a no-op.
    for (int id : {0x8047, 0x8048, 0x804A, 0x804B, 0x8050, 0x8051, 0x8058, 0x8059, 0x806F, 0x8073, 0x8074, 0x8075,
                   0x8071 + 2, 0x8071 + 25, 0x806A, 0x806D})
        command(id);
    ASSERT_EQ(STILL_ACTIVE, run.WaitExit(0));

    OpenFirstChart(run);
    const int rows = remote::ListRowCount(run.List());
    command(0x8074);
    EXPECT_EQ(StringUtility::Format("选中 %d 个对象", rows), Charset::WString2String(remote::StatusText(run.Status(), 0)));
    command(0x8075);
    EXPECT_EQ(StringUtility::Format(" %d 个对象", rows), Charset::WString2String(remote::StatusText(run.Status(), 0)))
        << "inverting a full selection selects nothing";
    // Three songs to listen to: one hand-over, three records.
    CActLogTail actLog;
    for (int row : {3, 4, 5}) remote::ListSelectRow(run.List(), row);
    command(0x804A);
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return count(actLog.New(), "K_PLAY_MUSIC") == 3; }, 10000)) << actLog.New();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return count(PlayerJournal(), "/mdrun playsong|") == 1; }, 20000));
    const std::string journal = PlayerJournal();
    for (int row : {3, 4, 5})
        EXPECT_NE(std::string::npos, journal.find(Charset::WString2String(remote::ListCellText(run.List(), row, 0))));

    command(0x8074);
    command(0x8075);  // nothing selected again
    remote::ListSelectRow(run.List(), 1);
    const std::string song = Charset::WString2String(remote::ListCellText(run.List(), 1, 0));
    command(0x8047);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] {
        const std::string journal = PlayerJournal();
        return journal.find("/mdrun playadd|") != std::string::npos && journal.find(song) != std::string::npos;
    }, 20000)) << PlayerJournal();
    EXPECT_EQ(0u, run.Close());
}

TEST_F(ProgramTest, RightClickOffersTheSongMenuAndDownloadGoesThroughTheDialog) {
    CActLogTail actLog;
    CProgramRun run;
    StartWithTree(run);
    OpenFirstChart(run);
    const HWND list = run.List();
    const std::string song = Charset::WString2String(remote::ListCellText(list, 2, 0));
    remote::ListSelectRow(list, 2);
    remote::ClickAt(list, LeftOfCell(list, 2, 0, 40), WM_RBUTTONDOWN, MK_RBUTTON, WM_RBUTTONUP);
    HWND menu = WaitPopupMenu(run.Pid());
    ASSERT_TRUE(menu) << "the song menu opens on a right click";
    ChooseMenuItem(menu, 1);  // "添加到播放列表"
    ASSERT_TRUE(CProgramRun::WaitUntil([&] {
        const std::string journal = PlayerJournal();
        return journal.find("/mdrun playadd|") != std::string::npos && journal.find(song) != std::string::npos;
    }, 20000)) << PlayerJournal();

    // Download: the dialog asks; its OK hands the song to the player and the record follows.
    PostMessageW(run.Frame(), WM_COMMAND, 0x8048, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(CProgramRun::WaitUntil([&] {
        dialog = FindWindowW(L"#32770", nullptr);
        DWORD owner = 0;
        if (dialog) GetWindowThreadProcessId(dialog, &owner);
        return dialog && owner == run.Pid() && GetDlgItem(dialog, 1006);
    }, 10000));
    // The user prefers WMA: the records name that format.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1004)));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1006)));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return PlayerJournal().find("/mdrun download|") != std::string::npos; }, 20000))
        << PlayerJournal();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return actLog.New().find("K_DOWN_MUSIC") != std::string::npos; }, 5000))
        << actLog.New();
    const std::string log = actLog.New();
    EXPECT_NE(std::string::npos, log.find("|NA:" + song + "|")) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex("K_DOWN_MUSIC\tU:[^|]*\\|N:\\|NA:[^|]+\\|AR:[^|]*\\|AL:[^|]*\\|F:wma\\|RID:")))
        << log;
    run.Kill();
}

TEST_F(ProgramTest, TheArtistLinkSearchesTheArtistAndRefreshAddsNoHistory) {
    CProgramRun run;
    StartWithTree(run);
    const HWND toolbar = remote::FindDescendant(run.Frame(), TOOLBARCLASSNAMEW, IDC_FRAME_TOOLBAR);
    EXPECT_FALSE(remote::SendOr(toolbar, TB_ISBUTTONENABLED, 0x8007, 0, 1)) << "one history entry: back is disabled";
    const std::string chart = OpenFirstChart(run);
    const HWND list = run.List();
    const std::string artist = Charset::WString2String(remote::ListCellText(list, 0, 1));

    // A click on the artist's name: the pointer really is over the text.
    remote::ClickAt(list, LeftOfCell(list, 0, 1, 8), WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP);
    auto allByArtist = [&] {
        const int rows = remote::ListRowCount(list);
        if (rows <= 0) return false;
        for (int row = 0; row < rows; ++row)
            if (Charset::WString2String(remote::ListCellText(list, row, 1)).find(artist) == std::string::npos) return false;
        return true;
    };
    ASSERT_TRUE(CProgramRun::WaitUntil(allByArtist, 20000)) << artist;
    EXPECT_EQ("", run.SelectedTreeText()) << "a search clears the tree's selection";
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return remote::SendOr(toolbar, TB_ISBUTTONENABLED, 0x8007, 0, 0) != 0; }, 3000));

    // No version stored by an installer: the search names the program's own.
    std::string programVersion;
    int versionNumber = 0;
    ASSERT_TRUE(UserId::GetFileVersion(CProgramRun::ProgramPath(), programVersion, versionNumber));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return JournalHas("/r.s?", "&ver=" + programVersion + "&"); }, 5000))
        << ServerJournal();

    // The refresh repeats the search, now with the version the installation stored.
    AfxGetConfigManager()->SetString("Config", "Version", "7.7.7.7");
    remote::SendOr(run.Frame(), WM_COMMAND, 0x806E, 0, 0);
    ASSERT_TRUE(CProgramRun::WaitUntil(allByArtist, 20000));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return JournalHas("/r.s?", "&ver=7.7.7.7&"); }, 5000)) << ServerJournal();
    remote::SendOr(run.Frame(), WM_COMMAND, 0x8007, 0, 0);
    EXPECT_EQ(chart, run.SelectedTreeText()) << "the refresh added no history entry";
    EXPECT_TRUE(run.WaitRows());
    run.Close();
}

TEST_F(ProgramTest, SecondStartBringsTheFirstBackAndForwardsGo) {
    CProgramRun first;
    StartWithTree(first);
    ShowWindow(first.Frame(), SW_MINIMIZE);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return IsIconic(first.Frame()) != FALSE; }, 5000));

    CProgramRun autorun;
    ASSERT_TRUE(autorun.Start("/autorun"));
    EXPECT_EQ(0u, autorun.WaitExit(20000));
    Sleep(700);
    EXPECT_TRUE(IsIconic(first.Frame())) << "a second start by the system sends nothing";

    CProgramRun second;
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(0u, second.WaitExit(20000));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return !IsIconic(first.Frame()) && IsWindowVisible(first.Frame()); }, 5000))
        << "the running window is restored";

    HTREEITEM charts = first.TreeChild(nullptr, "排行榜");
    CProgramRun go;
    ASSERT_TRUE(go.Start("/go 2|202"));
    EXPECT_EQ(0u, go.WaitExit(20000));
    std::string wanted;
    ASSERT_TRUE(CProgramRun::WaitUntil([&] {
        HTREEITEM chart = remote::TreeNext(first.Tree(), charts, TVGN_CHILD);
        chart = chart ? remote::TreeNext(first.Tree(), chart, TVGN_NEXT) : nullptr;
        wanted = first.TreeText(chart);
        return !wanted.empty() && first.SelectedTreeText() == wanted;
    }, 10000)) << "selected: " << first.SelectedTreeText();
    EXPECT_TRUE(first.WaitRows());

    CProgramRun junk;
    ASSERT_TRUE(junk.Start("/go 2|999|201"));
    EXPECT_EQ(0u, junk.WaitExit(20000));
    Sleep(1500);
    EXPECT_EQ(wanted, first.SelectedTreeText()) << "an id missing at its level ends the walk";
    first.Close();
}

TEST_F(ProgramTest, GoArrivingBeforeTheTreeIsOpenedWhenTheTreeIsBuilt) {
    if (!SetRoutes(R"({"routes": {"/pdeck_data/dataset/VPan/Tree.zip": {"file": "pdeck_data/dataset/VPan/Tree.zip", "delay_ms": 4000}}})"))
        GTEST_SKIP() << "needs a routes file of the test's own";
    CProgramRun first;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.WaitFrame());
    CProgramRun go;
    ASSERT_TRUE(go.Start("/go 3|301"));
    EXPECT_EQ(0u, go.WaitExit(20000));
    EXPECT_EQ(frame::kTreeLoading, first.TreeText(remote::TreeRoot(first.Tree())));
    ASSERT_TRUE(first.WaitTree());
    SetRoutes(R"({"routes": {}})");
    HTREEITEM singers = first.TreeChild(nullptr, "歌手库");
    const std::string wanted = first.TreeText(remote::TreeNext(first.Tree(), singers, TVGN_CHILD));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return first.SelectedTreeText() == wanted; }, 5000))
        << "the pending path is opened instead of the first list: " << first.SelectedTreeText();
    first.Close();
}

std::string WebAreaText(HWND frame) {
    return Charset::WString2String(remote::WindowText(remote::FindDescendant(frame, L"AtlAxWin90", IDC_CONTAINER_WEB)));
}

TEST_F(ProgramTest, FailuresShowTheErrorPages) {
    {
        // The program is nearly out of address space: the catalogue finds no room for the request's
        // thread and refuses it. The frame shows the error and waits for nothing.
        CProgramRun run;
        StartWithTree(run);
        HTREEITEM charts = run.TreeChild(nullptr, "排行榜");
        remote::TreeExpand(run.Tree(), charts);
        HTREEITEM chart = remote::TreeNext(run.Tree(), remote::TreeNext(run.Tree(), charts, TVGN_CHILD), TVGN_NEXT);
        ASSERT_TRUE(chart);
        const HWND toolbar = remote::FindDescendant(run.Frame(), TOOLBARCLASSNAMEW, IDC_FRAME_TOOLBAR);
        {
            CAddressSpaceSqueeze squeeze(run.Process(), 1 << 20);
            ASSERT_TRUE(squeeze.Squeezed());
            remote::TreeSelect(run.Tree(), chart);
            EXPECT_TRUE(CProgramRun::WaitUntil([&] { return WebAreaText(run.Frame()).find("error_404.html") != std::string::npos; },
                                               20000))
                << WebAreaText(run.Frame());
            EXPECT_TRUE(CProgramRun::WaitUntil([&] { return remote::SendOr(toolbar, TB_ISBUTTONENABLED, 0x806E, 0, 0) != 0; },
                                               5000))
                << "refresh stays greyed while a request is thought outstanding";
        }
        run.Close();
    }

    // The first chart's list is gone from the server.
    if (!SetRoutes(R"({"routes": {"/pdeck_data/charts/xinge.qrb": {"status": 404, "body": "gone"}}})"))
        GTEST_SKIP() << "needs a routes file of the test's own";
    {
        CProgramRun run;
        StartWithTree(run);
        HTREEITEM charts = run.TreeChild(nullptr, "排行榜");
        remote::TreeExpand(run.Tree(), charts);
        remote::TreeSelect(run.Tree(), remote::TreeNext(run.Tree(), charts, TVGN_CHILD));
        EXPECT_TRUE(CProgramRun::WaitUntil([&] { return WebAreaText(run.Frame()).find("error_404.html") != std::string::npos; },
                                           20000))
            << WebAreaText(run.Frame());
        EXPECT_EQ(0, remote::ListRowCount(run.List()));
        run.Close();
    }
    SetRoutes(R"({"routes": {}})");

    // No server at all and no ranking data: the tree says so.
    ScopedDataRoot empty("program-noserver");
    AfxGetConfigManager()->SetString("Servers", "All", "http://127.0.0.1:9");
    CProgramRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitFrame());
    ASSERT_TRUE(run.WaitTree(60000));
    EXPECT_EQ(frame::kTreeLoadFailed, run.TreeText(remote::TreeRoot(run.Tree())));
    EXPECT_EQ(frame::kTreeLoadFailed, Charset::WString2String(remote::StatusText(run.Status(), 1)));
    EXPECT_NE(std::string::npos, WebAreaText(run.Frame()).find("error_404.html")) << WebAreaText(run.Frame());
    run.Close();
}

TEST_F(ProgramTest, PlayShortcutStartGoesStraightToThePlayer) {
    CProgramRun shortcut;
    ASSERT_TRUE(shortcut.Start("/playico  100 "));
    EXPECT_EQ(0u, shortcut.WaitExit(20000));
    EXPECT_FALSE(CProgramRun::FindFrame(shortcut.Pid())) << "no window of its own";
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return PlayerJournal().find("/mdrun playico|100") != std::string::npos; }, 20000))
        << PlayerJournal();

    // The switch at the very end has no value: a normal start.
    CProgramRun plain;
    ASSERT_TRUE(plain.Start("/playico"));
    EXPECT_TRUE(plain.WaitFrame());
    plain.Close();
}

TEST_F(ProgramTest, AutorunStartsHiddenAndRecordsItsSourceThroughLaterStarts) {
    CProgramRun run;
    ASSERT_TRUE(run.Start("/autorun /from SYS"));
    ASSERT_TRUE(run.WaitFrame());
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(run.Frame()));
    // A desktop double-click later: its command line, without "/from", is forwarded.
    CProgramRun second;
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(0u, second.WaitExit(20000));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return IsWindowVisible(run.Frame()) != FALSE; }, 5000));
    CActLogTail actLog;
    run.Close();
    EXPECT_NE(std::string::npos, actLog.New().find("|SF:SYS|T:")) << actLog.New();
}

TEST_F(ProgramTest, WithTheTrayIconTheCloseButtonOnlyHides) {
    AfxGetConfigManager()->SetInt("config", "usetrayicon", 1);
    CProgramRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitFrame());
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return IsWindowVisible(run.Frame()) != FALSE; }, 5000));
    PostMessageW(run.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return !IsWindowVisible(run.Frame()); }, 5000));
    EXPECT_EQ(STILL_ACTIVE, run.WaitExit(500)) << "the program keeps running in the tray";

    CProgramRun second;
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(0u, second.WaitExit(20000));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return IsWindowVisible(run.Frame()) && !IsIconic(run.Frame()); }, 5000))
        << "a second start shows the window from the tray";
    EXPECT_EQ(0u, run.Close());
}

TEST_F(ProgramTest, WindowRectangleAndColumnWidthsSurviveARestart) {
    {
        CProgramRun run;
        StartWithTree(run);
        MoveWindow(run.Frame(), 40, 30, 1000, 760, TRUE);
        remote::SendOr(run.List(), LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(150, 0), 0);
        EXPECT_EQ(0u, run.Close());
    }
    {
        CProgramRun run;
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.WaitFrame());
        const RECT r = WindowRect(run.Frame());
        EXPECT_EQ(40, r.left);
        EXPECT_EQ(30, r.top);
        EXPECT_EQ(1040, r.right);
        EXPECT_EQ(790, r.bottom);
        EXPECT_EQ(150, remote::SendOr(run.List(), LVM_GETCOLUMNWIDTH, 1, 0, 0));
        EXPECT_EQ(239, remote::SendOr(run.List(), LVM_GETCOLUMNWIDTH, 0, 0, 0));
        EXPECT_EQ(0u, run.Close());
    }
    // A rectangle 60 pixels wide and a width list one short are ignored.
    IConfigManager* config = AfxGetConfigManager();
    config->SetInt("MainWindowRect", "left", 10);
    config->SetInt("MainWindowRect", "right", 70);
    config->SetString("ListColWidth", "ColWidth", "100,100,100,100,100,100,100");
    CProgramRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitFrame());
    const RECT r = WindowRect(run.Frame());
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(std::min(952, screenW), r.right - r.left);
    EXPECT_EQ(std::min(722, screenH), r.bottom - r.top);
    EXPECT_EQ((screenW - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ(111, remote::SendOr(run.List(), LVM_GETCOLUMNWIDTH, 1, 0, 0));
    run.Close();
    std::string widths;
    config->GetString("ListColWidth", "ColWidth", widths, "");
    EXPECT_EQ("239,111,134,62,38,38,38,38", widths);
}

TEST_F(ProgramTest, SongShortcutGetsTheFirstIdAndTheFileTheNext) {
    CProgramRun run;
    StartWithTree(run);
    OpenFirstChart(run);
    const std::string song = Charset::WString2String(remote::ListCellText(run.List(), 0, 0));
    const std::string artist = Charset::WString2String(remote::ListCellText(run.List(), 0, 1));
    remote::ListSelectRow(run.List(), 0);
    remote::SendOr(run.Frame(), WM_COMMAND, 0x806F, 0, 0);

    std::string desktop, data;
    Dir::GetVxPath(PATH_DESKTOP, desktop);
    Dir::GetVxPath(PATH_SHORTCUT_DATA, data);
    const std::string link = desktop + "\\" + song + "-" + artist + ".lnk";
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return Dir::IsExistFile(link); }, 5000)) << link;
    const std::string file = ReadFile(data + "ShortCut.pl");
    EXPECT_NE(std::string::npos, file.find("si=\"101\"")) << file;
    EXPECT_NE(std::string::npos, file.find("id=\"100\"")) << file;

    ShortcutFields shortcut;
    ASSERT_TRUE(ReadShortcut(link, shortcut));
    EXPECT_EQ("/playico 100", shortcut.arguments);
    run.Close();
}

TEST_F(ProgramTest, ListShortcutFromTheTreeMenuReopensTheListThroughVxMdAuto) {
    CProgramRun run;
    StartWithTree(run);
    const HWND tree = run.Tree();
    HTREEITEM charts = run.TreeChild(nullptr, "排行榜");
    remote::TreeExpand(tree, charts);
    HTREEITEM second = remote::TreeNext(tree, remote::TreeNext(tree, charts, TVGN_CHILD), TVGN_NEXT);
    const std::string name = run.TreeText(second);

    // A right click on the item's label opens the list menu; its last item makes the shortcut.
    const RECT label = remote::TreeItemRect(tree, second, true);
    remote::ClickAt(tree, POINT{label.left + 6, (label.top + label.bottom) / 2}, WM_RBUTTONDOWN, MK_RBUTTON, WM_RBUTTONUP);
    HWND menu = WaitPopupMenu(run.Pid());
    ASSERT_TRUE(menu);
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);

    std::string desktop, program;
    Dir::GetVxPath(PATH_DESKTOP, desktop);
    Dir::GetVxPath(PATH_PROGRAM, program);
    const std::string link = desktop + "\\" + name + ".lnk";
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return Dir::IsExistFile(link); }, 5000)) << link;
    ShortcutFields shortcut;
    ASSERT_TRUE(ReadShortcut(link, shortcut));
    EXPECT_EQ(0, lstrcmpiA((program + "VxMdAuto.exe").c_str(), shortcut.target.c_str())) << shortcut.target;
    EXPECT_EQ("/go 2|202", shortcut.arguments);

    // The user opens the shortcut later, from another list: the running window goes back there.
    remote::TreeSelect(tree, run.TreeChild(nullptr, "歌手库"));
    std::wstring line = Charset::String2WString("\"" + shortcut.target + "\" " + shortcut.arguments);
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, 20000);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return run.SelectedTreeText() == name; }, 20000)) << run.SelectedTreeText();
    run.Close();
}

// The server's journal from this byte on belongs to the running test (earlier tests of the same
// server run wrote the rest).
size_t g_journalStart = 0;

void StartJournalHere() {
    g_journalStart = ServerJournal().size();
}

// What reached the stand-in server in this test, one percent-decoded request address a line.
std::vector<std::string> JournalAddresses() {
    std::vector<std::string> addresses;
    const std::string journal = ServerJournal();
    std::istringstream lines(journal.size() > g_journalStart ? journal.substr(g_journalStart) : std::string());
    const std::string field = "\"path\": \"";
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find(field);
        if (start == std::string::npos) continue;
        const size_t from = start + field.size(), end = line.find('"', from);
        const std::string raw = line.substr(from, end - from);
        std::string decoded;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size() && isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
                isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
                decoded += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += raw[i];
            }
        }
        addresses.push_back(decoded);
    }
    return addresses;
}

// Requests whose address holds `first` and, after it, `second`.
size_t JournalCount(const std::string& first, const std::string& second = std::string()) {
    size_t count = 0;
    for (const std::string& address : JournalAddresses()) {
        const size_t at = address.find(first);
        if (at != std::string::npos && address.find(second, at) != std::string::npos) ++count;
    }
    return count;
}

// The catalogue logs every suggestion request as it starts (the answer may come from its cache,
// which the server never sees).
size_t SuggestionRequestsLogged() {
    std::string common;
    Dir::GetVxPath(PATH_COMMON_APPDATA, common);
    const std::string log = ReadFile(common + "\\Vixo\\VxMelodisk\\log\\VxMelodisk\\NetSongLib.txt");
    size_t count = 0;
    for (size_t at = log.find("CancleSearchTipWords"); at != std::string::npos; at = log.find("CancleSearchTipWords", at + 1))
        ++count;
    return count;
}

std::string GbkText(HWND window) {
    return Charset::WString2String(remote::WindowText(window));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The search box of a running program, driven through its windows as a user's keys and clicks would.
class CSearchBoxDriver {
public:
    explicit CSearchBoxDriver(const CProgramRun& run)
        : m_pid(run.Pid()),
          m_input(remote::FindDescendant(run.Frame(), L"CSearchInput", IDC_FRAME_SEARCH)),
          m_edit(remote::FindDescendant(run.Frame(), L"CSearchEdit", IDC_SEARCH_EDIT)) {}

    HWND Edit() const { return m_edit; }
    std::string Field() const { return GbkText(m_edit); }
    // Sent, so that the program has handled each one when the call returns; a program busy for a
    // while (a loaded machine) is waited for rather than taken for hung.
    void Type(const std::string& ascii) const {
        for (char c : ascii) EXPECT_TRUE(Send(WM_CHAR, static_cast<WPARAM>(c), 1)) << c;
    }
    void Key(UINT key) const { EXPECT_TRUE(Send(WM_KEYDOWN, key, 1)) << key; }
    void SetField(const std::string& gbk) const {
        const std::wstring text = Charset::String2WString(gbk);
        EXPECT_TRUE(Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    void Search(const std::string& gbk) const {
        SetField(gbk);
        Key(VK_RETURN);
    }
    void ClickField() const { remote::ClickAt(m_edit, POINT{4, 4}, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP); }
    void ClickArrow() const {
        RECT client = {};
        GetClientRect(m_input, &client);
        const RECT arrow = CSearchInput::ComputeLayout(client.right, client.bottom).arrow;
        remote::ClickAt(m_input, POINT{(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2}, WM_LBUTTONDOWN, MK_LBUTTON,
                WM_LBUTTONUP);
    }

    HWND Popup() const {
        for (HWND w = FindWindowW(L"CSearchPopupDlg", nullptr); w; w = FindWindowExW(nullptr, w, L"CSearchPopupDlg", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == m_pid) return w;
        }
        return nullptr;
    }
    bool PopupShown() const { return IsWindowVisible(Popup()) != FALSE; }
    // "text<TAB>second text" a row.
    std::vector<std::string> PopupRows() const { return Lines(GbkText(Popup())); }
    bool WaitPopup(bool shown) const {
        return CProgramRun::WaitUntil([&] { return PopupShown() == shown; }, 10000);
    }
    void ClickRow(int index) const {
        RECT client = {};
        GetClientRect(Popup(), &client);
        const RECT row = CSearchPopupDlg::RowRect(index, client.right);
        remote::ClickAt(Popup(), POINT{(row.left + row.right) / 2, (row.top + row.bottom) / 2}, WM_LBUTTONDOWN, MK_LBUTTON,
                WM_LBUTTONUP);
    }
    HWND Radio(int id) const { return remote::FindDescendant(Popup(), L"XSimpRadio", id); }

private:
    bool Send(UINT msg, WPARAM wp, LPARAM lp) const {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(m_edit, msg, wp, lp, SMTO_NORMAL, 30000, &ignored) != 0;
    }

    DWORD m_pid;
    HWND m_input, m_edit;
};

struct ContainerParts {
    explicit ContainerParts(HWND frame)
        : tabs(remote::FindDescendant(frame, L"VxMd_NavigateBarTab", IDC_CONTAINER_TABS)),
          navigation(remote::FindDescendant(frame, L"VxMd_NavigateBarEx", IDC_CONTAINER_NAVBAR)),
          videos(remote::FindDescendant(frame, L"VxMd_VideoBar", IDC_CONTAINER_VIDEOBAR)),
          web(remote::FindDescendant(frame, L"AtlAxWin90", IDC_CONTAINER_WEB)),
          list(remote::FindDescendant(frame, WC_LISTVIEWW, IDC_CONTAINER_LIST)) {}
    // The "see more" link of a bar, when it shows.
    static HWND Link(HWND bar) {
        HWND link = remote::FindDescendant(bar, L"VxMd_HyperLinkEx", IDC_BAR_LINK);
        return link && IsWindowVisible(link) ? link : nullptr;
    }
    std::string Shown() const {
        std::string parts;
        for (auto part : {std::make_pair(tabs, "tabs"), std::make_pair(navigation, "nav"), std::make_pair(videos, "videos"),
                          std::make_pair(list, "list"), std::make_pair(web, "web")})
            if (IsWindowVisible(part.first)) parts += std::string(parts.empty() ? "" : " ") + part.second;
        return parts;
    }
    HWND tabs, navigation, videos, web, list;
};

TEST_F(ProgramTest, TypingSuggestsOncePerTextKeysPickARowAndEnterShowsMusicAndVideos) {
    CActLogTail actLog;
    StartJournalHere();
    CProgramRun run;
    StartWithTree(run);
    const CSearchBoxDriver box(run);
    ASSERT_TRUE(box.Edit());
    EXPECT_EQ("搜索音乐、视频", box.Field()) << "the cue while the field has no focus";
    box.ClickField();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return box.Field().empty(); }, 5000)) << "the cue goes with the focus";

    // One suggestion request per text as it grows; the popup lists the words of the last answer.
    const size_t logged = SuggestionRequestsLogged();
    for (const std::string typed : {"K", "Ke", "Kes"}) {
        box.Type(typed.substr(typed.size() - 1));
        const std::vector<std::string> asked = {"/t.s?c=pdeck&w=" + typed};
        ASSERT_TRUE(CProgramRun::WaitUntil([&] {
            std::vector<std::string> tips;
            for (const std::string& address : JournalAddresses())
                if (address.find("/t.s?") == 0 && address.size() == asked[0].size()) tips.push_back(address);
            return tips == asked;
        }, 10000)) << typed << "\n" << ServerJournal();
    }
    ASSERT_TRUE(box.WaitPopup(true));
    auto allSuggest = [&](const std::string& part) {
        const std::vector<std::string> rows = box.PopupRows();
        if (rows.empty()) return false;
        for (std::string row : rows) {
            StringUtility::Str2Lower(row);
            if (row.find(part) == std::string::npos || row.find('\t') == std::string::npos) return false;
        }
        return true;
    };
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return allSuggest("kes"); }, 10000)) << GbkText(box.Popup());
    const std::vector<std::string> rows = box.PopupRows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_TRUE(std::regex_search(rows[0], std::regex("\t约\\d+首$"))) << rows[0];
    EXPECT_EQ(logged + 3, SuggestionRequestsLogged());
    box.Type(" ");
    EXPECT_EQ(logged + 3, SuggestionRequestsLogged()) << "the same text after trimming asks nothing new";

    // The selection keys put a row's text in the field, the caret at its end, and ask nothing.
    auto word = [&](size_t row) { return rows[row].substr(0, rows[row].find('\t')); };
    box.Key(VK_DOWN);
    EXPECT_EQ(word(0), box.Field());
    box.Key(VK_DOWN);
    EXPECT_EQ(word(1), box.Field());
    box.Key(VK_UP);
    EXPECT_EQ(word(0), box.Field());
    const LRESULT selection = remote::SendOr(box.Edit(), EM_GETSEL, 0, 0, 0);
    const int length = static_cast<int>(Charset::String2WString(word(0)).size());
    EXPECT_EQ(length, LOWORD(selection));
    EXPECT_EQ(length, HIWORD(selection));
    EXPECT_EQ(logged + 3, SuggestionRequestsLogged());
    EXPECT_EQ(3u, JournalCount("/t.s?"));
    box.Key(VK_ESCAPE);
    EXPECT_FALSE(box.PopupShown());

    // Enter: music and videos of the key, spread over the result views.
    box.Search("Kessel");
    EXPECT_FALSE(box.PopupShown());
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/r.s?", "&all=Kessel&pn=0&") == 1; }, 10000));
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/vdisk.web?t=search", "&all=Kessel&pn=0") == 1; }, 10000))
        << ServerJournal();
    const ContainerParts parts(run.Frame());
    // The video bar's link is the last part of the view's summary to be written.
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return ContainerParts::Link(parts.videos) != nullptr; }, 20000))
        << GbkText(parts.videos);
    EXPECT_EQ("tabs nav videos list web", parts.Shown()) << "view 4, all results";
    EXPECT_NE(std::string::npos, GbkText(parts.web).find("search_preview.html")) << GbkText(parts.web);
    const int songs = remote::ListRowCount(parts.list);
    int videos = -1;
    ASSERT_EQ(1, sscanf(GbkText(parts.videos).c_str(), "共找到 %d 个视频", &videos)) << GbkText(parts.videos);
    ASSERT_GT(songs, remote::SendOr(parts.list, LVM_GETCOUNTPERPAGE, 0, 0, 0)) << "the demo catalogue's songs of the key";
    ASSERT_GT(videos, frame::kPreviewVideos) << "the demo catalogue's videos of the key";
    EXPECT_EQ(StringUtility::Format("全部(%d)|音乐(%d)|视频(%d)", songs + videos, songs, videos), GbkText(parts.tabs));
    EXPECT_EQ(StringUtility::Format("共找到 %d 首歌曲", songs), GbkText(parts.navigation));
    const std::string status = StringUtility::Format(" %d 个对象", songs + videos);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return Charset::WString2String(remote::StatusText(run.Status(), 0)) == status; },
                                       5000))
        << Charset::WString2String(remote::StatusText(run.Status(), 0));
    ASSERT_TRUE(ContainerParts::Link(parts.navigation));
    EXPECT_EQ("查看更多>>", GbkText(ContainerParts::Link(parts.videos)));

    // "See more" of the videos shows the video view; the tab goes back; "see more" of the songs
    // shows the music view, where a double-click plays the row.
    remote::ClickAt(ContainerParts::Link(parts.videos), POINT{3, 3}, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return parts.Shown() == "tabs videos web"; }, 5000)) << parts.Shown();
    const RECT allTab = CNavigateBarTab::TabRect(13);
    remote::ClickAt(parts.tabs, POINT{(allTab.left + allTab.right) / 2, (allTab.top + allTab.bottom) / 2}, WM_LBUTTONDOWN, MK_LBUTTON,
            WM_LBUTTONUP);
    EXPECT_TRUE(CProgramRun::WaitUntil([&] {
        return parts.Shown() == "tabs nav videos list web" && ContainerParts::Link(parts.navigation);
    }, 5000)) << parts.Shown();
    remote::ClickAt(ContainerParts::Link(parts.navigation), POINT{3, 3}, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return parts.Shown() == "tabs nav list"; }, 5000)) << parts.Shown();
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return !ContainerParts::Link(parts.navigation); }, 5000))
        << "no link to the view already shown";
    EXPECT_EQ(StringUtility::Format("全部(%d)|音乐(%d)|视频(%d)", songs + videos, songs, videos), GbkText(parts.tabs));

    const std::string song = Charset::WString2String(remote::ListCellText(parts.list, 0, 0));
    remote::ClickAt(parts.list, LeftOfCell(parts.list, 0, 0, 40), WM_LBUTTONDBLCLK, MK_LBUTTON, WM_LBUTTONUP);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] {
        const std::string journal = PlayerJournal();
        return journal.find("/mdrun playsong|") != std::string::npos && journal.find(song) != std::string::npos;
    }, 20000)) << PlayerJournal();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return actLog.New().find("K_PLAY_MUSIC") != std::string::npos; }, 5000));
    EXPECT_NE(std::string::npos, actLog.New().find("|NA:" + song + "|")) << actLog.New();
    EXPECT_NE(std::string::npos, actLog.New().find("|PSRC:网络曲库->搜索->Kessel|")) << actLog.New();
    EXPECT_EQ(0u, run.Close());
}

TEST_F(ProgramTest, EmptyBlankLongAndLyricsSearchesAndTheHistoryDropDown) {
    StartJournalHere();
    CProgramRun run;
    StartWithTree(run);
    const CSearchBoxDriver box(run);
    const ContainerParts parts(run.Frame());
    box.ClickField();
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return box.Field().empty(); }, 5000));

    // Enter on the empty field and on blanks: random songs, shown as a plain song list.
    box.Key(VK_RETURN);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/r.s?", "&all=quorlin_rand&") == 1; }, 10000))
        << ServerJournal();
    ASSERT_TRUE(run.WaitRows());
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return parts.Shown() == "nav list"; }, 5000)) << parts.Shown();
    EXPECT_EQ(StringUtility::Format("共找到 %d 首歌曲", remote::ListRowCount(parts.list)), GbkText(parts.navigation));
    box.Search("     ");
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/r.s?", "&all=quorlin_rand&") == 2; }, 10000))
        << ServerJournal();
    EXPECT_EQ(0u, JournalCount("/r.s?", "&all=%20")) << "blanks are never a key";

    // 150 characters: the first 99 are searched; nothing has them, so the page says so.
    std::string longText;
    while (longText.size() < 150) longText += "abcdefghij";
    box.Search(longText);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/r.s?", "&all=" + longText.substr(0, 99) + "&") == 1; },
                                       10000))
        << ServerJournal();
    EXPECT_EQ(0u, JournalCount("/r.s?", "&all=" + longText.substr(0, 100)));
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return GbkText(parts.web).find("noResult.html") != std::string::npos; }, 20000))
        << GbkText(parts.web);
    EXPECT_EQ("nav web", parts.Shown());

    // The drop arrow opens the history; the lyrics radio makes the next search a lyrics search.
    box.ClickArrow();
    ASSERT_TRUE(box.WaitPopup(true));
    EXPECT_EQ((std::vector<std::string>{longText.substr(0, 99) + "\t全部", "清除历史记录\t"}), box.PopupRows());
    EXPECT_EQ(BST_CHECKED, remote::SendOr(box.Radio(IDC_SEARCH_RADIO_ALL), BM_GETCHECK, 0, 0, 0));
    remote::SendOr(box.Radio(IDC_SEARCH_RADIO_LYRICS), BM_CLICK, 0, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, remote::SendOr(box.Radio(IDC_SEARCH_RADIO_ALL), BM_GETCHECK, 0, 0, 0));
    box.ClickArrow();
    ASSERT_TRUE(box.WaitPopup(false)) << "the arrow closes what it opened";
    box.Search("zzlyric");
    EXPECT_TRUE(CProgramRun::WaitUntil([&] { return JournalCount("/r.s?", "&lrccontent=zzlyric&") == 1; }, 10000))
        << ServerJournal();
    box.Key(VK_DOWN);
    ASSERT_TRUE(box.WaitPopup(true)) << "Down without a popup opens the history";
    remote::SendOr(box.Radio(IDC_SEARCH_RADIO_ALL), BM_CLICK, 0, 0, 0);
    // A press anywhere else closes it.
    remote::ClickAt(run.Tree(), POINT{5, 5}, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP);
    ASSERT_TRUE(box.WaitPopup(false));

    // Videos without music: the album page in the videos-only view, the count in the video bar.
    box.Search("MV");
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return parts.Shown() == "videos web"; }, 20000)) << parts.Shown();
    EXPECT_NE(std::string::npos, GbkText(parts.web).find("album.html")) << GbkText(parts.web);
    int videos = 0;
    EXPECT_EQ(1, sscanf(GbkText(parts.videos).c_str(), "共找到 %d 个视频", &videos)) << GbkText(parts.videos);
    EXPECT_GT(videos, 0);

    // Eleven searches more: the drop-down lists the last ten, newest first.
    const std::vector<std::string> keys = {"Ferro", "Stone", "Marsh", "Ashby", "Quill", "Hart",
                                           "Reyes", "Crane", "Linden", "Vale", "Band"};
    for (const std::string& key : keys) box.Search(key);
    ASSERT_TRUE(CProgramRun::WaitUntil([&] { return GbkText(parts.tabs).find("全部(") == 0 && remote::ListRowCount(parts.list) > 0; },
                                       20000));
    std::vector<std::string> expected;
    for (size_t i = keys.size(); i-- > 1;) expected.push_back(keys[i] + "\t全部");
    expected.push_back("清除历史记录\t");
    box.ClickArrow();
    ASSERT_TRUE(box.WaitPopup(true));
    EXPECT_EQ(expected, box.PopupRows());

    // Choosing a row searches its text, which becomes the newest entry.
    box.ClickRow(1);
    ASSERT_TRUE(box.WaitPopup(false));
    EXPECT_EQ("Vale", box.Field());
    box.Key(VK_DOWN);
    ASSERT_TRUE(box.WaitPopup(true));
    const std::vector<std::string> after = box.PopupRows();
    ASSERT_EQ(expected.size(), after.size());
    EXPECT_EQ("Vale\t全部", after[0]);
    EXPECT_EQ("Band\t全部", after[1]);

    // "清除历史记录" empties the history.
    box.ClickRow(static_cast<int>(after.size()) - 1);
    ASSERT_TRUE(box.WaitPopup(false));
    box.Key(VK_DOWN);
    ASSERT_TRUE(box.WaitPopup(true));
    EXPECT_EQ((std::vector<std::string>{"清除历史记录\t"}), box.PopupRows());
    run.Close();
}

TEST_F(ProgramTest, CrashWritesADumpNamedByThePattern) {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    auto dumps = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "*_VxMelodisk.exe.dmp").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileA(h, &found));
        FindClose(h);
        return names;
    };
    for (const std::string& name : dumps()) DeleteFileA((folder + name).c_str());

    CProgramRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitFrame());
    // A thread of the program that starts at an address holding no code: an access violation.
    HANDLE thread = CreateRemoteThread(run.Process(), nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(16), nullptr,
                                       0, nullptr);
    ASSERT_TRUE(thread);
    CloseHandle(thread);
    EXPECT_NE(STILL_ACTIVE, run.WaitExit(30000));
    const std::vector<std::string> written = dumps();
    ASSERT_EQ(1u, written.size());
    EXPECT_TRUE(std::regex_match(written[0], std::regex("\\d{17}_VxMelodisk\\.exe\\.dmp"))) << written[0];
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA((folder + written[0]).c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_GT(attributes.nFileSizeLow, 0u);
    DeleteFileA((folder + written[0]).c_str());
}

}  // namespace
