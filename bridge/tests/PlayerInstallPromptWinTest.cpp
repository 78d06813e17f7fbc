// The player install prompt and its install window, driven through real window messages and the
// real update-notify pipe. The update library's calls are counted stand-ins here; the end-to-end
// test at the bottom runs the real updater.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "../res/resource.h"
#include "../src/NoVxMusicDlg2.h"
#include "../src/PlayerInstallPrompt.h"
#include "BridgeTestingWin.h"
#include "config/ConfigManager.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Charset.h"
#include "vxlib/UserId.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

using bridge_testing::FindOwnWindow;
using bridge_testing::PumpUntil;
using ModalDriver = bridge_testing::TimerDriver;

std::string Text(HWND hwnd) { return bridge_testing::WindowText(hwnd); }

const char kInstallCaption[] = "下载安装VixoPlaydeck";
const std::string kTag = "VxMelodisk_Update_Playdeck";

struct Fake {
    static int results, installs, updates;
    static bool downloaded;
    static int installResult;
    static int GetResult(Update::UpdateResult& r) {
        ++results;
        r.downloadSuccess = downloaded;
        return downloaded ? 1 : 0;
    }
    static int Install() {
        ++installs;
        return installResult;
    }
    static int StartUpdate() {
        ++updates;
        return 1;
    }
    static int running;
    static int Running() { return running; }
};
int Fake::results, Fake::installs, Fake::updates, Fake::installResult, Fake::running;
bool Fake::downloaded;



// Answers the next prompt with `button` (IDOK installs, IDCANCEL cancels); false when none came.
bool AnswerPrompt(bool notInstalled, int button, std::string* shown = nullptr) {
    bool seen = false;
    ModalDriver driver([&] {
        HWND box = FindOwnWindow("Vixo提示", true);
        if (!box) return true;
        if (shown) *shown = Text(GetDlgItem(box, IDC_MB_TEXT));
        seen = true;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return false;
    });
    NoPlayerPrompt(notInstalled);
    return seen;
}

// Writes one notify text as the updater does: one connection, the text and its NUL.
bool WriteNotify(const std::string& text) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        HANDLE pipe = CreateFileA(kUpdateNotifyPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeA(kUpdateNotifyPipeName, 100);
            else Sleep(10);
            continue;
        }
        DWORD written = 0;
        BOOL ok = WriteFile(pipe, text.c_str(), static_cast<DWORD>(text.size() + 1), &written, nullptr);
        FlushFileBuffers(pipe);
        CloseHandle(pipe);
        return ok && written == text.size() + 1;
    }
    return false;
}

// The watcher starts its pipe on its own thread: give it time to appear.
bool PipeComesUp() {
    for (int attempt = 0; attempt < 500; ++attempt) {
        HANDLE pipe = CreateFileA(kUpdateNotifyPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            CloseHandle(pipe);
            return true;
        }
        if (GetLastError() == ERROR_PIPE_BUSY) return true;
        Sleep(10);
    }
    return false;
}

// Stopping the watcher waits for it, so a stopped watcher's pipe is gone at once.
bool PipeListening() {
    HANDLE pipe = CreateFileA(kUpdateNotifyPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
        CloseHandle(pipe);
        return true;
    }
    return GetLastError() == ERROR_PIPE_BUSY;
}

class InstallPrompt : public ::testing::Test {
protected:
    void SetUp() override {
        Fake::results = Fake::installs = Fake::updates = Fake::installResult = 0;
        Fake::downloaded = false;
        Fake::running = 1;
        SetPlaydeckUpdateCalls({&Fake::GetResult, &Fake::Install, &Fake::StartUpdate, &Fake::Running});
    }
    void TearDown() override {
        CloseInstallWindow();
        SetPlaydeckUpdateCalls(DefaultPlaydeckUpdateCalls());
    }

    static HWND Window() { return FindOwnWindow(kInstallCaption, false); }
    static int Bar() { return static_cast<int>(SendMessageW(GetDlgItem(Window(), IDC_NV_PROGRESS), PBM_GETPOS, 0, 0)); }
    static std::string Status() { return Text(GetDlgItem(Window(), IDC_NV_STATUS)); }
    static void Post(const std::string& text) {
        PostMessageW(Window(), CNoVxMusicDlg2::kMsgUpdateNotify, 0, reinterpret_cast<LPARAM>(new std::string(text)));
    }
    // Posts `text`, then a state-1 marker, and waits until the marker is handled (messages are handled in order).
    static void PostAndSettle(const std::string& text) {
        Post(kTag + "|0|0");
        ASSERT_TRUE(PumpUntil([] { return Status() == "正在连接服务器…"; }, 10000));
        Post(text);
        Post(kTag + "|1|0");
        ASSERT_TRUE(PumpUntil([] { return Status() == "正在获取升级信息…"; }, 10000));
    }

    ScopedDataRoot m_root{"install-prompt"};
};

}  // namespace

TEST_F(InstallPrompt, NotifyTextsDriveTheWindowAndAFailedDownloadAsksToRetry) {
    std::string shown;
    ASSERT_TRUE(AnswerPrompt(false, IDOK, &shown));
    EXPECT_EQ("您的Playdeck版本过低，请先安装更新。", shown);
    ASSERT_TRUE(Window());
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ("正在连接服务器…", Status());
    EXPECT_EQ(0, Bar());
    EXPECT_EQ(1, Fake::updates);

    // Through the pipe, as the updater writes it, also after a client that connected and said nothing.
    HANDLE silent = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 500 && silent == INVALID_HANDLE_VALUE; ++attempt) {
        if (!WaitNamedPipeA(kUpdateNotifyPipeName, 100)) Sleep(10);
        silent = CreateFileA(kUpdateNotifyPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ASSERT_NE(INVALID_HANDLE_VALUE, silent);
    ASSERT_TRUE(WriteNotify(kTag + "|2|37"));
    CloseHandle(silent);
    ASSERT_TRUE(PumpUntil([] { return Bar() == 37; }, 10000));
    EXPECT_EQ("正在下载…(37%)", Status());

    PostAndSettle(kTag + "|2|50|");
    PostAndSettle("VxMelodisk_Update_Melodisk|2|60");
    PostAndSettle(kTag + "|2");
    EXPECT_EQ(37, Bar()) << "four fields, another tag or two fields change nothing";

    Post(kTag + "|2|42.9");
    ASSERT_TRUE(PumpUntil([] { return Bar() == 42; }, 10000));
    EXPECT_EQ("正在下载…(42%)", Status());
    Post(kTag + "|3|1");
    ASSERT_TRUE(PumpUntil([] { return Bar() == 100; }, 10000));
    EXPECT_EQ("下载完成，正在安装…", Status());
    Post(kTag + "|7|0");
    ASSERT_TRUE(PumpUntil([] { return Status().empty(); }, 10000));

    // A failed download: the question, answered No, hides the window and stops the watcher.
    std::string question;
    ModalDriver no([&] {
        HWND box = FindOwnWindow("下载失败", true);
        if (!box) return true;
        question = Text(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        return false;
    });
    ASSERT_TRUE(WriteNotify(kTag + "|4|0"));
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Window()); }, 10000));
    EXPECT_EQ("下载最新版VixoPlaydeck失败。是否重试？", question);
    EXPECT_FALSE(PipeListening());
    EXPECT_EQ(1, Fake::updates);

    // The update ended, so the next accepted prompt starts another one; Yes retries at once.
    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    EXPECT_EQ(2, Fake::updates);
    EXPECT_TRUE(IsWindowVisible(Window()));
    Post(kTag + "|2|80");
    ASSERT_TRUE(PumpUntil([] { return Bar() == 80; }, 10000));
    bool answered = false;
    ModalDriver yes([&] {
        HWND box = FindOwnWindow("下载失败", true);
        if (!box) return true;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        answered = true;
        return false;
    });
    // A downloaded player whose installer cannot be started asks too.
    Post(kTag + "|4|1");
    ASSERT_TRUE(PumpUntil([&] { return answered && Bar() == 0; }, 10000));
    EXPECT_EQ("正在连接服务器…", Status());
    EXPECT_EQ(3, Fake::updates);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(PipeComesUp());

    // A downloaded player whose installer starts closes the window.
    Fake::installResult = 1;
    int installs = Fake::installs;
    Post(kTag + "|4|1");
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Window()); }, 10000));
    EXPECT_EQ(installs + 1, Fake::installs);
    EXPECT_EQ("下载完成", Status());
    EXPECT_FALSE(PipeListening());
}

TEST_F(InstallPrompt, CancelStartsNothingAndARunningWatcherOnlyShowsTheWindow) {
    std::string shown;
    ASSERT_TRUE(AnswerPrompt(true, IDCANCEL, &shown));
    EXPECT_EQ("您尚未安装VixoPlaydeck，请先安装。", shown);
    EXPECT_EQ(nullptr, Window());
    EXPECT_EQ(0, Fake::updates + Fake::installs + Fake::results);
    EXPECT_FALSE(PipeListening());

    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    ASSERT_TRUE(Window());
    EXPECT_EQ(1, Fake::updates);
    Post(kTag + "|2|20");
    ASSERT_TRUE(PumpUntil([] { return Bar() == 20; }, 10000));

    // Hidden while the watcher goes on: no question, the window only comes back as it was.
    ShowWindow(Window(), SW_HIDE);
    EXPECT_FALSE(AnswerPrompt(true, IDCANCEL));
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(20, Bar());
    EXPECT_EQ(1, Fake::updates);

    // A client that connects and never writes must not hold the cancel.
    HANDLE silent = CreateFileA(kUpdateNotifyPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, silent);
    bridge_testing::Pump(50);
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    CloseHandle(silent);
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_FALSE(PipeListening());

    // Asked again: the window starts over and listens again; the update still running is not asked for twice.
    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(0, Bar());
    EXPECT_TRUE(PipeComesUp());
    EXPECT_EQ(1, Fake::updates);

    // An updater that ends without its last notify (died, or found its task taken) counts as a
    // failed one: the window asks, and Yes starts the update again.
    bool asked = false;
    ModalDriver retry([&] {
        HWND box = FindOwnWindow("下载失败", true);
        if (!box) return true;
        asked = true;
        Fake::running = 1;  // the update that Yes starts
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        return false;
    });
    Fake::running = 0;
    ASSERT_TRUE(PumpUntil([&] { return asked && Fake::updates == 2; }, 10000));
    EXPECT_TRUE(IsWindowVisible(Window()));

    // Gone while the window was hidden: nothing is asked, and the next prompt starts afresh.
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Fake::running = 0;
    asked = false;
    for (int pass = 0; pass < 2; ++pass) SendMessageW(Window(), WM_TIMER, 1, 0);
    EXPECT_FALSE(asked);
    Fake::running = 1;
    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    EXPECT_EQ(3, Fake::updates);
}

TEST_F(InstallPrompt, AnInstallerFetchedEarlierStartsWithoutTheWindow) {
    Fake::downloaded = true;
    Fake::installResult = 1;
    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    EXPECT_EQ(1, Fake::installs);
    EXPECT_EQ(0, Fake::updates);
    EXPECT_EQ(nullptr, Window());

    // Fetched but not startable: the window comes and the update starts.
    Fake::installResult = 0;
    ASSERT_TRUE(AnswerPrompt(true, IDOK));
    EXPECT_EQ(1, Fake::updates);
    EXPECT_TRUE(IsWindowVisible(Window()));
}

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

// The real flow: the updater fetches the stand-in player installer from the stand-in server, the
// window follows it, and the installer it starts leaves the newer player.
TEST_F(InstallPrompt, EndToEndTheUpdaterFetchesAndInstallsTheNewerPlayer) {
    const char* server = std::getenv("VX_TEST_SERVER");
    const char* served = std::getenv("VX_TEST_SERVER_ROOT");
    if (!server || !served) GTEST_SKIP() << "needs the stand-in server (VX_WITH_SERVER=1)";
    SetPlaydeckUpdateCalls(DefaultPlaydeckUpdateCalls());
    AfxGetConfigManager()->SetString("Servers", "All", server);
    ASSERT_FALSE(VxStandIn::InstallPlayer().empty());
    int version = 0;
    ASSERT_TRUE(UserId::GetPlaydeck6Version(version));
    ASSERT_EQ(6013, version);
    Dir::MakeDir(m_root.Path());
    std::string journal = m_root.Path() + "\\installer_journal.txt";
    SetEnvironmentVariableA("VX_INSTALLER_JOURNAL", journal.c_str());
    // A paced download, so that the window sees its progress.
    std::string offers = std::string(served) + "\\uc.json";
    std::ofstream(offers, std::ios::binary | std::ios::trunc) << R"({"playdeck": {"filename": "VxMusicSetup.exe", "pace_ms": 150}})";

    ASSERT_TRUE(AnswerPrompt(false, IDOK));
    ASSERT_TRUE(Window());
    int highest = 0;
    bool sawDownloading = false;
    bool closed = PumpUntil([&] {
        int bar = Bar();
        if (bar > highest) highest = bar;
        std::string status = Status();
        if (status.find("正在下载…(") == 0 && status != "正在下载…(0%)") sawDownloading = true;
        return !IsWindowVisible(Window());
    }, 120000);
    DeleteFileA(offers.c_str());
    ASSERT_TRUE(closed) << "status: " << Status();
    EXPECT_EQ("下载完成", Status());
    EXPECT_TRUE(sawDownloading);
    EXPECT_GT(highest, 0);
    EXPECT_FALSE(PipeListening());

    // The installer runs on its own: wait for the player it leaves.
    for (int i = 0; i < 600 && !(UserId::GetPlaydeck6Version(version) && version == 6020); ++i) Sleep(100);
    std::string updateDir;
    Dir::GetVxPath(PATH_UPDATE, updateDir);
    std::string results = ReadAll(updateDir + Update::kResultFileName);
    EXPECT_EQ(6020, version) << results;
    EXPECT_EQ(0u, ReadAll(journal).find("VxMusicSetup\t")) << ReadAll(journal);
    SetEnvironmentVariableA("VX_INSTALLER_JOURNAL", nullptr);
    VxStandIn::QuitPlayer();
    // The updater lingers to deliver its last notify; the next updater of this task would find it busy.
    for (int i = 0; i < 300 && Update::IsPlaydeckUpdateRunning(); ++i) Sleep(100);
    EXPECT_FALSE(Update::IsPlaydeckUpdateRunning());
}
