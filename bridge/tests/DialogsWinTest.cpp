// The bridge's dialogs driven through real window messages. A modal dialog is driven from a
// thread timer that runs inside its message loop (and inside any message box it opens).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "../src/DownProgressDlg.h"
#include "../src/DownloadDlg.h"
#include "../src/MessageBoxDlg.h"
#include "../src/ProgressDlgHolder.h"
#include "BridgeTestingWin.h"
#include "config/ConfigManager.h"
#include "core/MessageManager.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"

namespace {

using bridge_testing::PumpUntil;
using bridge_testing::TimerDriver;

std::string Text(HWND hwnd) { return bridge_testing::WindowText(hwnd); }
HWND FindDialog(const std::string& caption) { return bridge_testing::FindOwnWindow(caption, true); }


std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }


void SetComboText(HWND dialog, const std::string& text) {
    SetWindowTextW(GetDlgItem(dialog, IDC_DL_FOLDER), Charset::String2WString(text).c_str());
}

void Click(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

TEST(DownloadDlg, OneSongWithoutMp3AndTypedFolderGetsSeparator) {
    ScopedDataRoot root("dlg-ok");
    Dir::MakeDir(root.Path());
    std::string typed = root.Path() + "\\音乐\\new folder";
    CDownloadDlg dlg;
    dlg.m_strNameLine = "月亮-歌手";
    dlg.m_strWmaText = "WMA  标准音质  3.0 MB";
    dlg.m_strCaption = "复制提示";
    dlg.m_strFolderLabel = "复制到：";

    bool checked = false;
    TimerDriver driver([&] {
        HWND hwnd = FindDialog("复制提示");
        if (!hwnd) return true;
        EXPECT_EQ("MP3   此曲暂无", ItemText(hwnd, IDC_DL_MP3));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_DL_MP3)));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hwnd, IDC_DL_MP3));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hwnd, IDC_DL_WMA));
        EXPECT_EQ("WMA  标准音质  3.0 MB", ItemText(hwnd, IDC_DL_WMA));
        EXPECT_EQ("月亮-歌手", ItemText(hwnd, IDC_DL_NAME));
        EXPECT_EQ("复制到：", ItemText(hwnd, IDC_DL_FOLDER_LABEL));
        // Nothing remembered yet: the default folder is offered.
        EXPECT_EQ("C:\\Download\\", ItemText(hwnd, IDC_DL_FOLDER));
        SetComboText(hwnd, "  " + typed + " ");
        Click(hwnd, IDC_DL_OK);
        checked = true;
        return false;
    });
    EXPECT_EQ(IDOK, dlg.DoModal(nullptr));
    EXPECT_TRUE(checked);
    EXPECT_EQ(typed + "\\", dlg.GetChosenFolder());
    EXPECT_TRUE(Dir::IsDirectory(typed));
    EXPECT_FALSE(dlg.IsMp3Chosen());

    // The chosen folder leads the history the next dialog offers.
    std::string first;
    AfxGetConfigManager()->GetString("DownloadPathHist", "Item0", first, "");
    EXPECT_EQ(typed + "\\", first);
}

TEST(DownloadDlg, FolderThatCannotBeMadeKeepsTheDialogOpen) {
    ScopedDataRoot root("dlg-bad");
    Dir::MakeDir(root.Path());
    std::string blocker = root.Path() + "\\file";
    WriteFile(blocker, "x");
    CDownloadDlg dlg;
    dlg.m_strNameLine = "a";
    dlg.m_strWmaText = "WMA";
    dlg.m_strMp3Text = "MP3    高品音质  5.0 MB";

    int step = 0;
    HWND dialog = nullptr;
    std::string boxText;
    bool stayedOpen = false;
    TimerDriver driver([&] {
        switch (step) {
        case 0:
            dialog = FindDialog("下载提示");
            if (!dialog) return true;
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_DL_MP3));
            SetComboText(dialog, blocker + "\\sub");
            Click(dialog, IDC_DL_OK);
            step = 1;
            return true;
        case 1: {
            HWND box = FindDialog("Vixo提示");
            if (!box) return true;
            boxText = ItemText(box, 0xFFFF);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            step = 2;
            return true;
        }
        case 2:
            if (FindDialog("Vixo提示")) return true;
            stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
            Click(dialog, IDC_DL_CANCEL);
            return false;
        }
        return false;
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal(nullptr));
    EXPECT_EQ("您选择的文件夹不可写，请选择正确的文件夹！", boxText);
    EXPECT_TRUE(stayedOpen);
    int num = -1;
    AfxGetConfigManager()->GetInt("DownloadPathHist", "Num", num, -1);
    EXPECT_EQ(-1, num) << "a cancelled dialog saves no history";
}

TEST(DownloadPathHist, KeepsThreeSkipsDrivelessAndMovesTheLatestToTheFront) {
    ScopedDataRoot root("dlg-hist");
    std::vector<std::string> dirs;
    for (int i = 0; i < 4; ++i) {
        dirs.push_back(root.Path() + "\\d" + std::to_string(i) + "\\");
        ASSERT_TRUE(Dir::MakeDir(dirs.back()));
    }
    IConfigManager* config = AfxGetConfigManager();
    config->SetInt("DownloadPathHist", "Num", 4);
    for (int i = 0; i < 4; ++i) config->SetString("DownloadPathHist", "Item" + std::to_string(i), dirs[i]);

    CDownloadPathHist hist(CDownloadDlg::ConfigHistoryHooks());
    hist.Load();
    EXPECT_EQ((std::vector<std::string>{dirs[0], dirs[1], dirs[2]}), hist.Items());

    config->SetString("DownloadPathHist", "Item1", "relative\\folder\\");
    config->SetString("DownloadPathHist", "Item2", dirs[0]);
    hist.Load();
    EXPECT_EQ((std::vector<std::string>{dirs[0]}), hist.Items()) << "no drive and the repeated folder are left out";

    // A folder already there in another case moves to the front instead of appearing twice.
    std::string upper = dirs[0];
    StringUtility::Str2Upper(upper);
    hist.Add(dirs[3]);
    hist.Add(upper);
    hist.Add("   ");
    EXPECT_EQ((std::vector<std::string>{upper, dirs[3]}), hist.Items());
    hist.Save();
    int num = 0;
    std::string item0, item1;
    config->GetInt("DownloadPathHist", "Num", num, 0);
    config->GetString("DownloadPathHist", "Item0", item0, "");
    config->GetString("DownloadPathHist", "Item1", item1, "");
    EXPECT_EQ(2, num);
    EXPECT_EQ(upper, item0);
    EXPECT_EQ(dirs[3], item1);

    // Folders removed meanwhile are not saved.
    Dir::DeleteDir(dirs[3]);
    hist.Save();
    config->GetInt("DownloadPathHist", "Num", num, 0);
    EXPECT_EQ(1, num);
}

TEST(MessageBoxDlg, InstallEndsWithOneAndCloseWithTwo) {
    CMessageBox prompt;
    std::string shown;
    TimerDriver driver([&] {
        HWND hwnd = FindDialog("Vixo提示");
        if (!hwnd) return true;
        shown = ItemText(hwnd, IDC_MB_TEXT);
        Click(hwnd, IDOK);
        return false;
    });
    EXPECT_EQ(1, prompt.DoModal(nullptr, "您尚未安装VixoPlaydeck，请先安装。"));
    EXPECT_EQ("您尚未安装VixoPlaydeck，请先安装。", shown);

    CMessageBox second;
    TimerDriver closer([&] {
        HWND hwnd = FindDialog("Vixo提示");
        if (!hwnd) return true;
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return false;
    });
    EXPECT_EQ(2, second.DoModal(nullptr, "x"));
}

namespace {

// A progress dialog of its own run, fed through the message manager.
class ProgressDialog : public ::testing::Test {
protected:
    void SetUp() override {
        // The slow and zero-speed waits shrink to 20 ms for these dialogs.
        char old[16] = {};
        m_hadDivisor = GetEnvironmentVariableA("VX_BRIDGE_TIME_DIVISOR", old, sizeof(old)) > 0;
        m_oldDivisor = old;
        SetEnvironmentVariableA("VX_BRIDGE_TIME_DIVISOR", "1000");
        m_dlg = new CDownProgressDlg(&m_holder, "C:\\Music\\", nullptr);
        SetEnvironmentVariableA("VX_BRIDGE_TIME_DIVISOR", m_hadDivisor ? m_oldDivisor.c_str() : nullptr);
        m_holder.current = m_dlg;
        ASSERT_TRUE(m_dlg->Create(nullptr));
        m_hwnd = m_dlg->GetHwnd();
        ShowWindow(m_hwnd, SW_SHOW);
    }
    void TearDown() override {
        if (IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
        EXPECT_EQ(nullptr, m_holder.current);
        EXPECT_TRUE(m_holder.others.empty()) << "the dialog removes itself when it is gone";
    }

    static void Send(int id, VariantList params) { AfxGetMessageManager()->Send(kVxMdInterfaceChannel, id, params); }
    static void Progress(unsigned speed, unsigned done, unsigned total) {
        Send(kDownProgress, {Variant::ULong(speed), Variant::ULong(done), Variant::ULong(total)});
    }
    int BarPos() const { return static_cast<int>(SendMessageW(GetDlgItem(m_hwnd, IDC_PG_PROGRESS), PBM_GETPOS, 0, 0)); }
    bool Visible(int id) const { return IsWindowVisible(GetDlgItem(m_hwnd, id)) != FALSE; }
    // Longer than the shortened 20 s wait.
    static void PassSlowWait() { Sleep(60); }

    ProgressDlgHolder m_holder;
    CDownProgressDlg* m_dlg = nullptr;
    HWND m_hwnd = nullptr;
    bool m_hadDivisor = false;
    std::string m_oldDivisor;
};

CNetSongList* ListOf(std::initializer_list<const char*> names) {
    auto* list = new CNetSongList;
    for (const char* name : names) {
        CSongInfoBase* song = list->CreateSongInfo();
        song->SetName(name);
        list->AddSongInfo(song);
    }
    return list;
}

std::string LastRecord(const std::string& key) {
    std::ifstream in(bridge_testing::ProgramFolder() + "log\\act.log", std::ios::binary);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find("\t" + key + "\t") != std::string::npos) last = line;
    return last;
}

}  // namespace

TEST_F(ProgressDialog, ProgressNeverGoesBackNorPastTheCapAndHintsAtSlowSpeed) {
    EXPECT_TRUE(AfxGetMessageManager()->IsRegistered(kVxMdInterfaceChannel, m_dlg));
    EXPECT_EQ("正在搜索资源...", ItemText(m_hwnd, IDC_PG_CURRENT));
    EXPECT_EQ("C:\\Music\\", ItemText(m_hwnd, IDC_PG_FOLDER));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_hwnd, IDC_PG_PLAY_NOW)));
    EXPECT_FALSE(Visible(IDC_PG_DONE));

    Send(kDownStart, {Variant::String("月亮-歌手.mp3"), Variant::ULong(1), Variant::ULong(2), Variant::String("D:\\歌\\")});
    EXPECT_EQ("月亮-歌手.mp3 (1/2)", ItemText(m_hwnd, IDC_PG_CURRENT));
    EXPECT_EQ("D:\\歌\\", ItemText(m_hwnd, IDC_PG_FOLDER));

    Progress(102400, 500, 1000);
    EXPECT_EQ(500, BarPos());
    EXPECT_EQ(utility::FileSizeToString(102400) + "/秒", ItemText(m_hwnd, IDC_PG_SPEED));
    EXPECT_EQ("估计剩余时间： 0秒 (已复制" + utility::FileSizeToString(500) + "，共" + utility::FileSizeToString(1000) + ")",
              ItemText(m_hwnd, IDC_PG_REMAINING));
    Progress(102400, 400, 1000);
    EXPECT_EQ(500, BarPos()) << "less done than before is ignored";
    EXPECT_EQ("估计剩余时间： 0秒 (已复制" + utility::FileSizeToString(500) + "，共" + utility::FileSizeToString(1000) + ")",
              ItemText(m_hwnd, IDC_PG_REMAINING));
    Progress(102400, 949, 1000);
    EXPECT_EQ(949, BarPos());
    Progress(102400, 990, 1000);
    Progress(102400, 1000, 1000);
    EXPECT_EQ(949, BarPos()) << "the bar waits below 950 for the summary";

    // Exactly 51 200 bytes/s is fast enough, however long it lasts.
    Progress(51200, 1000, 2000);
    PassSlowWait();
    Progress(51200, 1001, 2000);
    EXPECT_FALSE(m_dlg->IsSlowHintShown());
    // One byte less starts the slow wait; once it has passed the hint shows.
    Progress(51199, 1002, 2000);
    EXPECT_FALSE(m_dlg->IsSlowHintShown());
    PassSlowWait();
    Progress(51199, 1003, 2000);
    EXPECT_TRUE(m_dlg->IsSlowHintShown());
    Progress(51200, 1004, 2000);
    EXPECT_FALSE(m_dlg->IsSlowHintShown());

    // A zero speed keeps the last estimate line until it has lasted the wait.
    std::string before = ItemText(m_hwnd, IDC_PG_REMAINING);
    Progress(0, 1005, 2000);
    EXPECT_EQ(before, ItemText(m_hwnd, IDC_PG_REMAINING));
    PassSlowWait();
    Progress(0, 1006, 2000);
    EXPECT_EQ("估计剩余时间：无法计算 (已复制" + utility::FileSizeToString(1006) + "，共" + utility::FileSizeToString(2000) + ")",
              ItemText(m_hwnd, IDC_PG_REMAINING));

    // Posted progress arrives through the dialog's own thread as well.
    AfxGetMessageManager()->Post(kVxMdInterfaceChannel, kDownProgress, 0,
                                 {Variant::ULong(204800), Variant::ULong(1500), Variant::ULong(2000)});
    EXPECT_TRUE(PumpUntil([&] { return BarPos() == 750; }, 5000));
}

TEST_F(ProgressDialog, SummaryShowsTheCountsReportsAndStaysForTheNextRun) {
    Send(kDownStart, {Variant::String("a.mp3"), Variant::ULong(1), Variant::ULong(3), Variant::String("C:\\Music\\")});
    Progress(1024, 10, 100);
    std::vector<std::string> targets{"C:\\Music\\a-x.mp3", "C:\\Music\\b-y.mp3"};
    std::unique_ptr<CNetSongList> failed(ListOf({"c"}));
    std::unique_ptr<CNetSongList> finished(ListOf({"a", "b"}));
    Send(kDownFinishAll, {Variant::ULong(3), Variant::ULong(2), Variant::ULong(1), Variant::Pointer(&targets),
                          Variant::Pointer(failed.get()), Variant::Pointer(finished.get())});
    failed.reset();  // the dialog keeps copies of its own
    finished.reset();

    EXPECT_EQ("下载完毕", Text(m_hwnd));
    EXPECT_EQ(0u, ItemText(m_hwnd, IDC_PG_TOTAL).find("共下载3个任务，用时")) << ItemText(m_hwnd, IDC_PG_TOTAL);
    EXPECT_EQ("成功2个", ItemText(m_hwnd, IDC_PG_SUCCESS));
    EXPECT_EQ("失败1个", ItemText(m_hwnd, IDC_PG_FAILED));
    EXPECT_EQ("关闭", ItemText(m_hwnd, IDC_PG_CANCEL));
    EXPECT_TRUE(Visible(IDC_PG_REDOWNLOAD));
    EXPECT_TRUE(Visible(IDC_PG_DONE));
    EXPECT_FALSE(Visible(IDC_PG_PROGRESS));
    EXPECT_FALSE(Visible(IDC_PG_ANIMATION));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, IDC_PG_PLAY_NOW)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_hwnd, IDC_PG_OPEN_FOLDER)));
    EXPECT_FALSE(AfxGetMessageManager()->IsRegistered(kVxMdInterfaceChannel, m_dlg));
    EXPECT_EQ(nullptr, m_holder.current) << "the next download opens a dialog of its own";
    ASSERT_EQ(1u, m_holder.others.size());
    EXPECT_EQ(m_dlg, m_holder.others.front());

    std::string record = LastRecord("K_DOWNLOAD_RES");
    size_t fields = record.find("\tK_DOWNLOAD_RES\tU:");
    ASSERT_NE(std::string::npos, fields) << record;
    EXPECT_NE(std::string::npos, record.find("|N:|TOTAL:3|SUC:2|T:", fields)) << record;

    // Closing a finished run asks nothing and the dialog goes away.
    PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }, 5000));
}

TEST_F(ProgressDialog, NothingFinishedDisablesPlayAndCloseWhenDoneLeavesAtOnce) {
    std::vector<std::string> none;
    std::unique_ptr<CNetSongList> failed(ListOf({"a", "b"}));
    std::unique_ptr<CNetSongList> finished(ListOf({}));
    Send(kDownFinishAll, {Variant::ULong(2), Variant::ULong(0), Variant::ULong(2), Variant::Pointer(&none),
                          Variant::Pointer(failed.get()), Variant::Pointer(finished.get())});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_hwnd, IDC_PG_PLAY_NOW)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_hwnd, IDC_PG_OPEN_FOLDER)));
    EXPECT_EQ("失败2个", ItemText(m_hwnd, IDC_PG_FAILED));
    EXPECT_NE(std::string::npos, LastRecord("K_DOWNLOAD_RES").find("|TOTAL:2|SUC:0|T:"));
    DestroyWindow(m_hwnd);

    // A second run with "close when done" ticked closes on its summary, outside the notification.
    auto* dlg = new CDownProgressDlg(&m_holder, "C:\\Music\\", nullptr);
    m_holder.current = dlg;
    ASSERT_TRUE(dlg->Create(nullptr));
    m_hwnd = dlg->GetHwnd();
    CheckDlgButton(m_hwnd, IDC_PG_CLOSE_WHEN_DONE, BST_CHECKED);
    Send(kDownFinishAll, {Variant::ULong(2), Variant::ULong(0), Variant::ULong(2), Variant::Pointer(&none),
                          Variant::Pointer(failed.get()), Variant::Pointer(finished.get())});
    EXPECT_EQ(nullptr, m_holder.current);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }, 5000));
}

// "explorer.exe" is looked for beside the program first: a recording stand-in there shows the
// command line the dialog ran.
TEST_F(ProgressDialog, OpenFolderHandsExplorerTheFolderAsOneArgument) {
    const std::string standIn = bridge_testing::ProgramFolder() + "explorer.exe";
    const std::string journal = bridge_testing::ProgramFolder() + "started.txt";
    ASSERT_TRUE(CopyFileA((bridge_testing::ProgramFolder() + "VxMdInterface_testplayer.exe").c_str(), standIn.c_str(), FALSE));
    DeleteFileA(journal.c_str());
    const std::string folder = "C:\\My Music, old\\";
    Send(kDownStart, {Variant::String("a.mp3"), Variant::ULong(1), Variant::ULong(1), Variant::String(folder)});
    std::vector<std::string> targets{folder + "a-x.mp3"};
    std::unique_ptr<CNetSongList> failed(ListOf({}));
    std::unique_ptr<CNetSongList> finished(ListOf({"a"}));
    Send(kDownFinishAll, {Variant::ULong(1), Variant::ULong(1), Variant::ULong(0), Variant::Pointer(&targets),
                          Variant::Pointer(failed.get()), Variant::Pointer(finished.get())});
    SendMessageW(GetDlgItem(m_hwnd, IDC_PG_OPEN_FOLDER), BM_CLICK, 0, 0);

    std::string line;
    PumpUntil([&] {
        std::ifstream in(journal);
        return std::getline(in, line) && !line.empty();
    }, 20000);
    DeleteFileA(standIn.c_str());
    DeleteFileA(journal.c_str());
    if (!line.empty() && line.back() == '\r') line.pop_back();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(Charset::String2WString(line).c_str(), &argc);
    ASSERT_NE(nullptr, argv);
    EXPECT_EQ(2, argc) << line;
    if (argc == 2) {
        EXPECT_EQ(Charset::String2WString(folder), std::wstring(argv[1])) << line;
    }
    LocalFree(argv);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(m_hwnd); }, 5000));
}
