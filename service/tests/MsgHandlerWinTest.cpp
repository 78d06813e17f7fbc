// The command executor driven as the service's worker drives it: a message thread of the test's
// own hands it the ranking check, the pipe's commands and WM_QUIT. The archive comes from the
// stand-in server (VX_WITH_SERVER=1), whose replies the tests script in the routes file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "ExpectedSingerLists.h"
#include "FrameConstants.h"
#include "MsgHandlerWin.h"
#include "RemoteControlsWin.h"
#include "resource.h"
#include "PipeCommand.h"
#include "SessionProcessWin.h"
#include "ZipTestWriter.h"
#include "config/ConfigManager.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/DateTime.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/Xml.h"

namespace {

const char kArchiveRoute[] = "/pdeck_data/dataset/VPan/Tree.zip";
const wchar_t kFinishEvent[] = L"Global\\VixoMelodiskBangdanFinishEvent_20110427";
const UINT kMsgSync = WM_APP + 7;  // the test's own: wParam is an event to set

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadText(const std::string& path) {
    std::string data;
    Dir::ReadWholeFile(path, data);
    return data;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(20);
    }
    return true;
}

std::string BinDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Dir::GetFilePath(path);
}

bool RefreshRunning() {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, kFinishEvent);
    if (event) CloseHandle(event);
    return event != nullptr;
}

// The service's message thread: a queue, the handler made with its id, every message handed over
// until WM_QUIT.
class CHandlerThread {
public:
    CHandlerThread() {
        m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, &m_id));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_ready.Get(), 10000));
    }
    ~CHandlerThread() { Quit(); }

    void Post(UINT message, WPARAM wParam = 0) { EXPECT_TRUE(PostThreadMessageW(m_id, message, wParam, 0)); }
    void Command(int id, const std::string& data) {
        auto* command = new PipeCommand;
        command->id = id;
        command->data.assign(data.begin(), data.end());
        Post(kMsgPipeCommand, reinterpret_cast<WPARAM>(command));
    }
    // Waits until every message posted before has been handled.
    bool Sync(DWORD ms = 60000) {
        CHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        Post(kMsgSync, reinterpret_cast<WPARAM>(done.Get()));
        return WaitForSingleObject(done.Get(), ms) == WAIT_OBJECT_0;
    }
    // Posts WM_QUIT and waits for the thread; the milliseconds the handler took for WM_QUIT.
    DWORD Quit() {
        if (m_thread.Valid()) {
            Post(WM_QUIT);
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_thread.Get(), 30000));
            m_thread.Reset();
        }
        return m_quitMs;
    }

private:
    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<CHandlerThread*>(param);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        CMsgHandler handler(GetCurrentThreadId());
        SetEvent(self->m_ready.Get());
        for (;;) {
            BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == -1) break;
            if (msg.message == kMsgSync) {
                SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
                continue;
            }
            const DWORD start = GetTickCount();
            handler.OnMsgHandler(msg.message, msg.wParam);
            if (!got) {
                self->m_quitMs = GetTickCount() - start;
                break;
            }
        }
        return 0;
    }

    CHandle m_ready;
    CHandle m_thread;
    DWORD m_id = 0;
    DWORD m_quitMs = 0;
};

// A copy of the peer program under another name, started; ended with the object.
class CPeerProcess {
public:
    CPeerProcess(const std::string& dir, const std::string& exeName, const std::string& arguments) {
        m_path = dir + exeName;
        EXPECT_TRUE(Dir::CopyFileA(BinDir() + "VxMdService_peer.exe", m_path, true));
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        std::string line = "\"" + m_path + "\" " + arguments;
        EXPECT_TRUE(
            CreateProcessA(m_path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        m_process.Reset(info.hProcess);
        CloseHandle(info.hThread);
    }
    ~CPeerProcess() { End(); }
    bool Running() const { return WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }
    bool WaitEnd(DWORD ms) const { return WaitForSingleObject(m_process.Get(), ms) == WAIT_OBJECT_0; }
    void End() {
        if (m_process.Valid() && Running()) {
            TerminateProcess(m_process.Get(), 1);
            WaitEnd(5000);
        }
        m_process.Reset();
        DeleteFileA(m_path.c_str());
    }

private:
    std::string m_path;
    CHandle m_process;
};

class MsgHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = Env("VX_TEST_SERVER");
        if (m_server.empty() || Env("VX_SERVER_ROUTES").empty()) {
            GTEST_SKIP() << "needs the stand-in server and a routes file (VX_WITH_SERVER=1, see CMakeLists.txt)";
        }
        ASSERT_TRUE(AfxGetConfigManager()->SetString("Servers", "All", m_server));
        ASSERT_TRUE(Dir::GetVxPath(PATH_RANKING, m_data));
        m_scratch = m_root.Path() + "\\scratch\\";
        ASSERT_TRUE(Dir::MakeDir(m_scratch));
        SetRoutes("{\"routes\": {}}");
        m_journalStart = ReadText(Env("VX_TEST_SERVER_JOURNAL")).size();
    }
    void TearDown() override {
        if (!m_server.empty()) SetRoutes("{\"routes\": {}}");
    }

    void SetRoutes(const std::string& json) {
        std::ofstream(std::string("Z:") + Env("VX_SERVER_ROUTES"), std::ios::trunc) << json;
    }
    void RouteArchive(const std::string& options) {
        SetRoutes(std::string("{\"routes\": {\"") + kArchiveRoute + "\": " + options + "}}");
    }
    // Requests for the archive since the test began.
    int ArchiveRequests() const {
        std::istringstream lines(ReadText(Env("VX_TEST_SERVER_JOURNAL")).substr(m_journalStart));
        int count = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.find(std::string("\"path\": \"") + kArchiveRoute + "\"") != std::string::npos) ++count;
        }
        return count;
    }
    // The download thread has made `requests` requests and ended.
    bool DownloadEnded(int requests, DWORD ms = 30000) {
        return WaitUntil([&] { return ArchiveRequests() >= requests && !RefreshRunning(); }, ms);
    }

    static uint32_t LastUpdate() {
        uint32_t value = 0;
        AfxGetConfigManager()->GetUInt32("BangDan", "LastUpdateTime", value, 0);
        return value;
    }
    static void SetLastUpdate(int64_t seconds) {
        ASSERT_TRUE(AfxGetConfigManager()->SetUInt32("BangDan", "LastUpdateTime", static_cast<uint32_t>(seconds)));
    }
    static int64_t Now() { return Time::DateTime().GetSeconds(); }
    static int64_t Yesterday() { return Now() - 24 * 3600; }

    // The data directory as a catalogue left it: its own root file and one more file.
    void WriteOldData() {
        ASSERT_TRUE(Dir::WriteWholeFile(m_data + "root0920.pl", "<pl n=\"old\"/>"));
        ASSERT_TRUE(Dir::WriteWholeFile(m_data + "keep.pl", "kept"));
    }
    void ExpectOldDataKept() {
        EXPECT_EQ("<pl n=\"old\"/>", ReadText(m_data + "root0920.pl"));
        EXPECT_EQ("kept", ReadText(m_data + "keep.pl"));
        EXPECT_FALSE(Dir::IsExistFile(m_data + "gangtainv.pl"));
        EXPECT_FALSE(Dir::IsExistFile(m_data + "singer.pl"));
        EXPECT_FALSE(Dir::IsExistFile(m_data + "BangDan.zip"));
    }

    ScopedDataRoot m_root{"msghandler"};
    std::string m_server;
    std::string m_data;
    std::string m_scratch;
    size_t m_journalStart = 0;
};


}  // namespace

TEST_F(MsgHandlerTest, StaleDataIsDownloadedUnpackedListedAndCopiedThenTheFinishEventIsSignalled) {
    // The reply waits a moment, so that the test can open the finish event as the catalogue would.
    RouteArchive("{\"file\": \"pdeck_data/dataset/VPan/Tree.zip\", \"delay_ms\": 1500}");
    SetLastUpdate(Yesterday());
    const int64_t before = Now();
    CHandlerThread thread;
    thread.Post(kMsgCheckBangDan);

    CHandle finish;
    ASSERT_TRUE(WaitUntil(
        [&] {
            finish.Reset(OpenEventW(SYNCHRONIZE, FALSE, kFinishEvent));
            return finish.Valid();
        },
        10000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(finish.Get(), 30000)) << "the copy signals the finish event";
    finish.Reset();
    ASSERT_TRUE(DownloadEnded(1));
    EXPECT_EQ(1, ArchiveRequests());

    EXPECT_GE(LastUpdate(), static_cast<uint32_t>(before));
    EXPECT_FALSE(Dir::IsExistFile(m_data + "BangDan.zip"));
    for (const char* name : {"root0920.pl", "charts.pl", "singer.pl"}) {
        EXPECT_TRUE(Dir::IsExistFile(m_data + name)) << name;
    }
    for (const std::string& name : ExpectedSingerListNames()) EXPECT_TRUE(Dir::IsExistFile(m_data + name)) << name;

    // Every singer once in its letter file, and the "港台女" singers exactly in their category.
    Xml::XmlNode singers;
    ASSERT_TRUE(singers.LoadFile(m_data + "singer.pl"));
    size_t inLetters = 0;
    for (const std::string& name : ExpectedSingerListNames()) {
        if (name.size() > 4 && name != "other.pl") continue;
        Xml::XmlNode list;
        ASSERT_TRUE(list.LoadFile(m_data + name)) << name;
        EXPECT_EQ("1", list.GetAttr("t"));
        for (auto it = list.ChildBegin(); it != list.ChildEnd(); ++it) {
            const char first = it->GetAttr("init").empty() ? '#' : it->GetAttr("init")[0];
            const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
            EXPECT_EQ(name, letter ? std::string(1, static_cast<char>(first | 0x20)) + ".pl" : "other.pl");
            ++inLetters;
        }
    }
    EXPECT_EQ(singers.ChildCount(), inLetters);
    size_t women = 0;
    for (auto it = singers.ChildBegin(); it != singers.ChildEnd(); ++it) {
        if (it->GetAttr("dis") + it->GetAttr("sex") == "港台女") ++women;
    }
    Xml::XmlNode gangtainv;
    ASSERT_TRUE(gangtainv.LoadFile(m_data + "gangtainv.pl"));
    EXPECT_EQ("8", gangtainv.GetAttr("t"));
    EXPECT_GT(women, 0u);
    EXPECT_EQ(women, gangtainv.ChildCount());
}

TEST_F(MsgHandlerTest, TodaysDataWithItsRootIsNotDownloaded) {
    WriteOldData();
    SetLastUpdate(Now());
    CHandlerThread thread;
    thread.Post(kMsgCheckBangDan);
    thread.Command(kCmdRefreshBangDan, "");
    ASSERT_TRUE(thread.Sync());
    Sleep(500);
    EXPECT_EQ(0, ArchiveRequests());
    EXPECT_FALSE(RefreshRunning());
    ExpectOldDataKept();

    std::string common;
    ASSERT_TRUE(Dir::GetVxPath(PATH_COMMON_APPDATA, common));
    const std::string log = ReadText(common + "\\Vixo\\VxMelodisk\\log\\VxMdService_tests\\MsgHandler.txt");
    EXPECT_NE(std::string::npos, log.find("DEBUG [OnMsgHandler] uiMsg=13370")) << log;
    EXPECT_NE(std::string::npos, log.find("DEBUG [OnMsgHandler] uiMsg=13371")) << log;
}

TEST_F(MsgHandlerTest, WhileTheMainProgramRunsTheArchiveWaitsForTheNextCheck) {
    WriteOldData();
    const uint32_t stale = static_cast<uint32_t>(Yesterday());
    SetLastUpdate(stale);
    CHandlerThread thread;
    {
        CPeerProcess mainProgram(m_scratch, "VxMelodisk.exe", "--sleep 60000");
        thread.Post(kMsgCheckBangDan);
        ASSERT_TRUE(DownloadEnded(1));
        EXPECT_TRUE(Dir::IsExistFile(m_data + "BangDan.zip"));
        EXPECT_EQ(stale, LastUpdate());
        EXPECT_EQ("<pl n=\"old\"/>", ReadText(m_data + "root0920.pl"));
        EXPECT_FALSE(Dir::IsExistFile(m_data + "gangtainv.pl"));
    }
    // Without its root file the data may be replaced whoever runs: the archive left in place is
    // installed, and nothing is downloaded again.
    ASSERT_TRUE(Dir::RemoveFile(m_data + "root0920.pl"));
    thread.Post(kMsgCheckBangDan);
    ASSERT_TRUE(thread.Sync());
    EXPECT_FALSE(Dir::IsExistFile(m_data + "BangDan.zip"));
    EXPECT_TRUE(Dir::IsExistFile(m_data + "gangtainv.pl"));
    EXPECT_NE(std::string::npos, ReadText(m_data + "root0920.pl").find("<pl"));
    EXPECT_GT(LastUpdate(), stale);
    Sleep(500);
    EXPECT_EQ(1, ArchiveRequests());
}

TEST_F(MsgHandlerTest, EmptyRepliesAndBadArchivesLeaveTheDataAsItWas) {
    WriteOldData();
    const uint32_t stale = static_cast<uint32_t>(Yesterday());
    SetLastUpdate(stale);
    CHandlerThread thread;

    // An empty reply fails its attempt: all three are made.
    RouteArchive("{\"body\": \"\"}");
    thread.Post(kMsgCheckBangDan);
    ASSERT_TRUE(DownloadEnded(3));
    EXPECT_EQ(3, ArchiveRequests());
    ExpectOldDataKept();
    EXPECT_EQ(stale, LastUpdate());

    // A damaged archive ends the attempts with nothing copied.
    RouteArchive("{\"body\": \"PK\\u0003\\u0004 damaged\"}");
    thread.Post(kMsgCheckBangDan);
    ASSERT_TRUE(DownloadEnded(4));
    Sleep(300);
    EXPECT_EQ(4, ArchiveRequests());
    ExpectOldDataKept();
    EXPECT_EQ(stale, LastUpdate());

    // Archives left in place and installed by command 68 (whether or not a main program of
    // another test runs): one whose "singer.pl" does not load, one with an entry that climbs out
    // of the unpack folder.
    const std::string newRoot = "<pl n=\"new\"/>";
    const std::vector<std::vector<ZipTestEntry>> archives = {
        {{"root0920.pl", newRoot}, {"singer.pl", "<pl><pl id=\"1\" init=\"a\""}},
        {{"root0920.pl", newRoot}, {"singer.pl", "<pl/>"}, {"../escaped.pl", "out"}},
    };
    for (const auto& entries : archives) {
        ASSERT_TRUE(Dir::WriteWholeFile(m_data + "BangDan.zip", MakeTestZip(entries)));
        thread.Command(kCmdInstallUpdate, "");
        ASSERT_TRUE(thread.Sync());
        ExpectOldDataKept();
        EXPECT_FALSE(Dir::IsExistFile(m_data + "escaped.pl"));
    }
    EXPECT_EQ(4, ArchiveRequests());
}

TEST_F(MsgHandlerTest, QuitDuringASlowDownloadEndsWithinTheWait) {
    WriteOldData();
    const uint32_t stale = static_cast<uint32_t>(Yesterday());
    SetLastUpdate(stale);
    // About 13 pieces of 4 KiB, 400 ms apart.
    RouteArchive("{\"file\": \"pdeck_data/dataset/VPan/Tree.zip\", \"pace_ms\": 400, \"chunk_size\": 4096}");
    CHandlerThread thread;
    thread.Post(kMsgCheckBangDan);
    ASSERT_TRUE(WaitUntil([&] { return ArchiveRequests() == 1; }, 10000));
    Sleep(600);
    ASSERT_TRUE(RefreshRunning()) << "the download should still be running";
    const DWORD quitMs = thread.Quit();
    EXPECT_LT(quitMs, 2000u);
    EXPECT_TRUE(WaitUntil([] { return !RefreshRunning(); }, 2000)) << "the download thread did not end";
    EXPECT_EQ(1, ArchiveRequests()) << "no attempt after the abort";
    ExpectOldDataKept();
    EXPECT_EQ(stale, LastUpdate());
}

TEST_F(MsgHandlerTest, ProgramsStartInTheUserSessionAndTheUpdateRunsAfterTheArchive) {
    const std::string peer = BinDir() + "VxMdService_peer.exe";
    const std::string trace = m_scratch + "session.txt";
    CHandlerThread thread;
    thread.Command(kCmdRunInSession, "\"" + peer + "\" --trace \"" + trace + "\" in-session");
    EXPECT_TRUE(WaitUntil([&] { return ReadText(trace).find("in-session") != std::string::npos; }, 10000));

    // Command 66's start, with another program than the main program of this folder.
    const std::string userTrace = m_scratch + "user.txt";
    EXPECT_TRUE(SessionProcess::StartAsConsoleUser("\"" + peer + "\" --trace \"" + userTrace + "\" as-user"));
    EXPECT_TRUE(WaitUntil([&] { return ReadText(userTrace).find("as-user") != std::string::npos; }, 10000));

    // Command 68 installs the archive although the main program runs, then runs the update and
    // deletes it. The update finds its trace file through the inherited environment.
    WriteOldData();
    SetLastUpdate(Yesterday());
    CPeerProcess mainProgram(m_scratch, "VxMelodisk.exe", "--sleep 60000");
    ASSERT_TRUE(Dir::WriteWholeFile(m_data + "BangDan.zip",
                                    MakeTestZip({{"root0920.pl", "<pl n=\"new\"/>"}, {"singer.pl", "<pl/>"}})));
    std::string userDir;
    ASSERT_TRUE(Dir::GetVxPath(PATH_USER_DATA, userDir));
    ASSERT_TRUE(Dir::MakeDir(userDir + "update"));
    const std::string update = userDir + "update\\VXMELODISK.exe";
    ASSERT_TRUE(Dir::CopyFileA(peer, update, true));
    const std::string updateTrace = m_scratch + "update.txt";
    SetEnvironmentVariableA("VX_SERVICE_PEER_TRACE", updateTrace.c_str());
    thread.Command(kCmdInstallUpdate, "");
    ASSERT_TRUE(thread.Sync());
    SetEnvironmentVariableA("VX_SERVICE_PEER_TRACE", nullptr);
    EXPECT_EQ("<pl n=\"new\"/>", ReadText(m_data + "root0920.pl"));
    EXPECT_TRUE(Dir::IsExistFile(m_data + "z.pl"));
    EXPECT_NE(std::string::npos, ReadText(updateTrace).find("VXMELODISK.exe"))
        << "the update ran before the command ended";
    EXPECT_FALSE(Dir::IsExistFile(update));
    EXPECT_EQ(0, ArchiveRequests());
}

TEST_F(MsgHandlerTest, ModuleFunctionsAreCalledWithTheirArgumentAndTheModuleIsFreed) {
    const std::string dll = BinDir() + "VxMdService_tracedll.dll";
    const std::string trace = m_scratch + "calls.txt";
    SetEnvironmentVariableA("VX_SERVICE_TRACE_FILE", trace.c_str());
    CHandlerThread thread;
    const std::pair<std::string, std::string> calls[] = {
        {dll + "|TraceCall", "TraceCall()\n"},
        {dll + "|TraceText|a|b c", "TraceText(a|b c)\n"},
        {dll + "|TraceText|", "TraceText()\n"},
        {dll + "|TraceTextStd|std", "TraceTextStd(std)\n"},
        {dll + "|TraceCall", "TraceCall()\n"},  // the stack survived the stdcall export
        {dll + "TraceCall", ""},
        {dll + "|Missing", ""},
        {dll + "|Missing|x", ""},
        {"vx-no-such-module.dll|TraceCall", ""},
        {"", ""},
    };
    for (const auto& call : calls) {
        Dir::RemoveFile(trace);
        thread.Command(kCmdCallModuleFunction, call.first);
        ASSERT_TRUE(thread.Sync());
        EXPECT_EQ(call.second, ReadText(trace)) << call.first;
    }
    SetEnvironmentVariableA("VX_SERVICE_TRACE_FILE", nullptr);
    EXPECT_EQ(nullptr, GetModuleHandleA(dll.c_str())) << "the module stays loaded";
}

TEST_F(MsgHandlerTest, KillEndsProcessesByPlainNameOnly) {
    const std::string name = "vxsvc-victim.exe";
    CPeerProcess victim(m_scratch, name, "--sleep 60000");
    CHandlerThread thread;
    for (const std::string& refused : {name + " & calc.exe", name + " /T", "\"" + name + "\"", std::string("")}) {
        thread.Command(kCmdKillProcess, refused);
    }
    ASSERT_TRUE(thread.Sync());
    EXPECT_FALSE(victim.WaitEnd(1500)) << "a refused name ended the process";
    thread.Command(kCmdKillProcess, name);
    EXPECT_TRUE(victim.WaitEnd(15000));
}

// The whole way: the service program, started on stale data, refreshes it from the download server
// at its start, and the main program then shows the refreshed tree.
TEST_F(MsgHandlerTest, TheRunningServiceRefreshesStaleDataAndTheMainProgramShowsIt) {
    WriteOldData();
    SetLastUpdate(Yesterday());
    const int64_t started = Now();

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION service = {};
    std::string line = "\"" + BinDir() + "VxMdService.exe\" -Run";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &service));
    CHandle serviceProcess(service.hProcess);
    CloseHandle(service.hThread);
    EXPECT_TRUE(WaitUntil([&] { return LastUpdate() >= started && ArchiveRequests() == 1; }, 60000))
        << "requests " << ArchiveRequests() << ", LastUpdateTime " << LastUpdate();
    for (const std::string& name : ExpectedSingerListNames()) EXPECT_TRUE(Dir::IsExistFile(m_data + name)) << name;
    EXPECT_NE("<pl n=\"old\"/>", ReadText(m_data + "root0920.pl"));
    // A plain run ends on WM_QUIT to its main thread.
    for (int i = 0; i < 100 && WaitForSingleObject(serviceProcess.Get(), 0) == WAIT_TIMEOUT; ++i) {
        PostThreadMessageA(service.dwThreadId, WM_QUIT, 0, 0);
        WaitForSingleObject(serviceProcess.Get(), 100);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(serviceProcess.Get(), 0));

    // Today's data with its root: the main program loads it as it is and shows the charts.
    PROCESS_INFORMATION program = {};
    line = "\"" + BinDir() + "VxMelodisk.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program));
    CHandle programProcess(program.hProcess);
    CloseHandle(program.hThread);
    HWND frame = nullptr, tree = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        frame = FindWindowW(frame::kFrameClass, nullptr);
        tree = frame ? remote::FindDescendant(frame, WC_TREEVIEWW, IDC_FRAME_TREE) : nullptr;
        return tree && remote::FindTreeChild(tree, nullptr, L"排行榜") != nullptr;
    }, 60000)) << "the main program's tree never showed the refreshed charts";
    if (frame) PostMessageW(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(programProcess.Get(), 30000) != WAIT_OBJECT_0) TerminateProcess(programProcess.Get(), 1);
    EXPECT_EQ(1, ArchiveRequests()) << "the main program found the data fresh";
}
