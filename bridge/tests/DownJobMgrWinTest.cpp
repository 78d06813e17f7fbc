#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../src/DownJobMgr.h"
#include "bridge/VxMdInterface.h"
#include "core/MessageManager.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "BridgeTestingWin.h"
#include "JobSongs.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"

namespace {

const DWORD kPatience = 60000;  // only turns a hang into a failure
const char kPipe[] = "\\\\.\\Pipe\\ViXoMdDownStatePipe_20110427";

// One message of the channel as the observer saw it.
struct Seen {
    int id = -1;
    std::string name, folder;
    unsigned a = 0, b = 0, c = 0;
    std::vector<std::string> targets;
    std::vector<std::string> failedNames, finishedNames, finishedLocal;
    int jobsDuringSummary = -1;
};

class CRecorder : public IVxMdInterfaceObserver {
public:
    std::vector<Seen> seen;
    CDownJobMgr* mgr = nullptr;  // asked for its state from inside the summary

    void DownStart(std::string name, unsigned index, unsigned total, std::string folder) override {
        Seen s;
        s.id = kDownStart;
        s.name = name, s.a = index, s.b = total, s.folder = folder;
        seen.push_back(s);
    }
    void DownFinishAll(unsigned total, unsigned finished, unsigned failed, std::vector<std::string>* targets,
                       CNetSongList* failedSongs, CNetSongList* finishedSongs) override {
        Seen s;
        s.id = kDownFinishAll;
        s.a = total, s.b = finished, s.c = failed;
        if (targets) s.targets = *targets;
        if (failedSongs)
            for (CSongInfoBase* song : failedSongs->GetSongInfoVector()) s.failedNames.push_back(song->GetName());
        if (finishedSongs)
            for (CSongInfoBase* song : finishedSongs->GetSongInfoVector()) {
                s.finishedNames.push_back(song->GetName());
                s.finishedLocal.push_back(song->GetLocalRes() ? song->GetLocalRes()->GetPath() : "");
            }
        if (mgr) {
            int waiting, failedJobs, downing, finishedJobs;
            mgr->GetState(waiting, failedJobs, downing, finishedJobs);
            s.jobsDuringSummary = waiting + failedJobs + downing + finishedJobs;
        }
        seen.push_back(s);
    }
    void DownProgress(unsigned speed, unsigned done, unsigned total) override {
        Seen s;
        s.id = kDownProgress;
        s.a = speed, s.b = done, s.c = total;
        seen.push_back(s);
    }
    void PlaydeckClosed() override { seen.push_back(Seen{kPlaydeckClosed}); }
    void DownTooMany() override { seen.push_back(Seen{kDownTooMany}); }
};

// Runs this thread's messages (the observer's deliveries) until `done` holds.
bool PumpUntil(const std::function<bool()>& done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > kPatience) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// The player's side of the down-state pipe: connects, writes the bytes and waits until the
// bridge has read them and disconnected.
void WriteToPipe(const std::string& bytes) {
    DWORD start = GetTickCount();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    while (pipe == INVALID_HANDLE_VALUE) {
        pipe = CreateFileA(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        ASSERT_LT(GetTickCount() - start, kPatience) << "pipe not served: " << GetLastError();
        Sleep(5);
    }
    DWORD written = 0;
    WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    char byte;
    DWORD read = 0;
    ReadFile(pipe, &byte, 1, &read, nullptr);  // ends when the bridge disconnects
    CloseHandle(pipe);
}

void Say(const std::string& text) { WriteToPipe(text + std::string(1, '\0')); }

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &n, nullptr) && n > 0) text.append(chunk, n);
    CloseHandle(file);
    return text;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// A process named "vxmusic.exe" that only exists, so that the manager sees a live player.
class CIdlePlayer {
public:
    void Start() {
        std::string program;
        Dir::GetVxPath(PATH_PROGRAM, program);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "vx-idleplayer-" + std::to_string(GetCurrentProcessId());
        Dir::MakeDir(m_folder);
        std::string exe = m_folder + "\\vxmusic.exe";
        CopyFileA((program + "VxMdInterface_idleplayer.exe").c_str(), exe.c_str(), FALSE);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string commandLine = "\"" + exe + "\" 300";
        ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_process))
            << GetLastError();
        CloseHandle(m_process.hThread);
    }
    void Stop() {
        if (!m_process.hProcess) return;
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, kPatience);
        CloseHandle(m_process.hProcess);
        m_process = PROCESS_INFORMATION();
        Dir::DeleteDir(m_folder);
    }

private:
    PROCESS_INFORMATION m_process = {};
    std::string m_folder;
};

class DownJobMgr : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_player.Start(); }
    static void TearDownTestSuite() { s_player.Stop(); }

    void SetUp() override {
        AfxGetMessageManager()->Register(kVxMdInterfaceChannel, &m_recorder, kObserverUiThread);
        m_music = m_root.Path() + "\\music\\";
        m_player = m_root.Path() + "\\player\\";
        Dir::MakeDir(m_music);
        Dir::MakeDir(m_player);
        m_mgr.reset(new CDownJobMgr);
        m_recorder.mgr = m_mgr.get();
    }
    void TearDown() override {
        m_mgr.reset();
        AfxGetMessageManager()->Unregister(kVxMdInterfaceChannel, &m_recorder);
    }

    // Waits for the observer's n-th message (1-based) and returns it.
    const Seen& Await(size_t n) {
        EXPECT_TRUE(PumpUntil([&] { return m_recorder.seen.size() >= n; })) << "message " << n << " never came";
        static const Seen kNone;
        return m_recorder.seen.size() >= n ? m_recorder.seen[n - 1] : kNone;
    }

    std::string Log() {
        std::string common;
        Dir::GetVxPath(PATH_COMMON_APPDATA, common);
        char self[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string name = Dir::GetShortFileName(std::string(self, n));
        name = name.substr(0, name.rfind('.'));
        return ReadWholeFile(common + "\\Vixo\\VxMelodisk\\log\\" + name + "\\dl_mgr.log");
    }

    void State(int& waiting, int& failed, int& downing, int& finished) { m_mgr->GetState(waiting, failed, downing, finished); }

    static CIdlePlayer s_player;
    ScopedDataRoot m_root{"downjobs"};
    CRecorder m_recorder;
    std::string m_music, m_player;
    std::unique_ptr<CDownJobMgr> m_mgr;
};

CIdlePlayer DownJobMgr::s_player;

TEST_F(DownJobMgr, DownloadCopiesEveryFileAndEndsWithTheSummary) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000, 20, 3000);
    AddSong(list, "月亮", "d", 11, 2000);  // no MP3: the WMA is asked for
    m_mgr->AddJob(&list, m_music, 7, 4);
    WriteWholeFile(m_music + "a-b.mp3", "older");
    WriteWholeFile(m_player + "1.tmp", "first file");
    WriteWholeFile(m_player + "2.tmp", "second file");

    Say("start|7|20|2|3000|" + m_player + "1.tmp");
    const Seen& start1 = Await(1);
    EXPECT_EQ(kDownStart, start1.id);
    EXPECT_EQ("a-b.mp3", start1.name);
    EXPECT_EQ(1u, start1.a);
    EXPECT_EQ(2u, start1.b);
    EXPECT_EQ(m_music, start1.folder);

    Say("progress|7|20|2|50|1000");
    const Seen& progress = Await(2);
    EXPECT_EQ(kDownProgress, progress.id);
    EXPECT_EQ(100u, progress.a);  // one report in the ten-cell window
    EXPECT_EQ(1500u, progress.b);
    EXPECT_EQ(5000u, progress.c);  // the waiting file at its catalogue size

    Say("finish|7|20|2");
    const Seen& next = Await(3);
    EXPECT_EQ(kDownStart, next.id);
    EXPECT_EQ("月亮-d.wma", next.name);
    EXPECT_EQ(2u, next.a);
    EXPECT_EQ(2u, next.b);
    EXPECT_EQ("first file", ReadWholeFile(m_music + "a-b(1).mp3"));
    EXPECT_EQ("older", ReadWholeFile(m_music + "a-b.mp3"));

    Say("start|7|11|1|2000|" + m_player + "2.tmp");
    EXPECT_EQ(2u, Await(4).a);
    Say("finish|7|11|1");
    const Seen& summary = Await(5);
    ASSERT_EQ(kDownFinishAll, summary.id);
    EXPECT_EQ(2u, summary.a);
    EXPECT_EQ(2u, summary.b);
    EXPECT_EQ(0u, summary.c);
    EXPECT_EQ((std::vector<std::string>{m_music + "a-b.mp3", m_music + "月亮-d.wma"}), summary.targets);
    EXPECT_EQ((std::vector<std::string>{"a", "月亮"}), summary.finishedNames);
    EXPECT_EQ(summary.targets, summary.finishedLocal);
    EXPECT_TRUE(summary.failedNames.empty());
    EXPECT_EQ("second file", ReadWholeFile(m_music + "月亮-d.wma"));
    // The observer, on another thread than the sender, could ask for the state: the lists were
    // already emptied and their lock free.
    EXPECT_EQ(0, summary.jobsDuringSummary);
    int waiting, failed, downing, finished;
    State(waiting, failed, downing, finished);
    EXPECT_EQ(0, waiting + failed + downing + finished);
    EXPECT_EQ(5u, m_recorder.seen.size());
}

TEST_F(DownJobMgr, BadMessagesAreIgnoredAndThePipeKeepsServing) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 1000);
    m_mgr->AddJob(&list, m_music, 3, 3);
    Say("start|3|10|1|1000|" + m_player + "x.tmp");
    ASSERT_EQ(kDownStart, Await(1).id);

    const std::string bad[] = {
        std::string(),             // only the NUL
        "|||",                     // no fields at all
        "start|3|11|1|5",          // too few fields
        "progress|3|10|1|50",
        "finish|3|10",
        "failed|3",
        "bogus|3|10|1|50|5",       // unknown type
        "progress|3|11|1|50|100",  // a job that is still waiting
        "failed|3|11|1",
        "progress|x|y|z|50|100",   // numbers that are no numbers: mission 0, sign 0
        "finish|9|10|1",           // another mission
        "start|3|99|1|1|y",        // nothing matches: the start of the downing one again
    };
    for (const std::string& message : bad) Say(message);
    WriteToPipe("toomany");  // without its NUL: "tooman"
    WriteToPipe("stop");     // "sto"
    WriteToPipe(std::string(1048576, 'x'));  // a full buffer of junk

    Say("progress|3|10|1|50|100");
    PumpUntil([&] { return m_recorder.seen.size() >= 2 && m_recorder.seen.back().id == kDownProgress; });
    // Only the repeated start notification came in between.
    ASSERT_EQ(3u, m_recorder.seen.size());
    EXPECT_EQ(kDownStart, m_recorder.seen[1].id);
    EXPECT_EQ("a-b.wma", m_recorder.seen[1].name);
    EXPECT_EQ(500u, m_recorder.seen[2].b);
    EXPECT_EQ(2000u, m_recorder.seen[2].c);
    int waiting, failed, downing, finished;
    State(waiting, failed, downing, finished);
    EXPECT_EQ(1, waiting);
    EXPECT_EQ(1, downing);
    EXPECT_EQ(0, failed + finished);

    std::string log = Log();
    for (const char* line : {"msg is null.", "param is less than 6: 5", "param is less than 4: 3",
                             "param is less than 4: 2", "msg type: bogus, param num: 6.",
                             "cant find the item(3, 11, 1) in s_lstDowning.", "cant find the item(3, 11, 1) in s_lstDowning",
                             "msg type: tooman, param num: 1.", "msg type: sto, param num: 1."})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
}

TEST_F(DownJobMgr, FailuresStopAndTooManyEndTheDownload) {
    // A folder that cannot be written fails its file; the other one is copied.
    CNetSongList good, bad, same;
    AddSong(good, "a", "b", 10, 1000);
    AddSong(bad, "c", "d", 11, 1000);
    m_mgr->AddJob(&good, m_music, 1, 3);
    m_mgr->AddJob(&bad, m_root.Path() + "\\missing\\", 2, 3);
    WriteWholeFile(m_player + "1.tmp", "1");
    WriteWholeFile(m_player + "2.tmp", "2");
    Say("start|1|10|1|1|" + m_player + "1.tmp");
    Say("start|2|11|1|1|" + m_player + "2.tmp");
    Say("finish|2|11|1");
    Say("finish|1|10|1");
    PumpUntil([&] { return !m_recorder.seen.empty() && m_recorder.seen.back().id == kDownFinishAll; });
    const Seen& summary = m_recorder.seen.back();
    EXPECT_EQ(2u, summary.a);
    EXPECT_EQ(1u, summary.b);
    EXPECT_EQ(1u, summary.c);
    EXPECT_EQ(std::vector<std::string>{"c"}, summary.failedNames);
    EXPECT_EQ(std::vector<std::string>{m_music + "a-b.wma"}, summary.targets);
    EXPECT_EQ("1", ReadWholeFile(m_music + "a-b.wma"));
    m_recorder.seen.clear();

    // Two jobs of equal sign start with one message; "failed" ends both.
    AddSong(same, "e", "f", 12, 1000);
    AddSong(same, "g", "h", 12, 1000);
    m_mgr->AddJob(&same, m_music, 4, 3);
    Say("start|4|12|1|1000|" + m_player + "1.tmp");
    Await(1);
    int waiting, failed, downing, finished;
    State(waiting, failed, downing, finished);
    EXPECT_EQ(2, downing);
    EXPECT_EQ(0, waiting);
    Say("failed|4|12|1");
    const Seen& failedSummary = Await(2);
    EXPECT_EQ(kDownFinishAll, failedSummary.id);
    EXPECT_EQ(2u, failedSummary.c);
    m_recorder.seen.clear();

    // The player closes: observers hear it, then the summary of what was pending.
    m_mgr->AddJob(&good, m_music, 5, 3);
    m_mgr->AddJob(&bad, m_music, 5, 3);
    Say("start|5|10|1|1000|" + m_player + "1.tmp");
    Await(1);
    Say("stop");
    EXPECT_EQ(kPlaydeckClosed, Await(2).id);
    const Seen& stopSummary = Await(3);
    EXPECT_EQ(kDownFinishAll, stopSummary.id);
    EXPECT_EQ(2u, stopSummary.c);
    EXPECT_EQ((std::vector<std::string>{"a", "c"}), stopSummary.failedNames);
    m_recorder.seen.clear();

    // The daily quota: the same, with message 4.
    m_mgr->AddJob(&good, m_music, 6, 3);
    Say("toomany");
    EXPECT_EQ(kDownTooMany, Await(1).id);
    EXPECT_EQ(1u, Await(2).c);
    State(waiting, failed, downing, finished);
    EXPECT_EQ(0, waiting + failed + downing + finished);
}

TEST_F(DownJobMgr, ExpiredMissionsAndCancelling) {
    CNetSongList one, two;
    AddSong(one, "a", "b", 10, 1000);
    AddSong(two, "c", "d", 11, 1000);
    m_mgr->AddJob(&one, m_music, 1, 3);
    m_mgr->AddJob(&two, m_music, 2, 3);
    m_mgr->MoveJobToFailed(1);  // mission 2 still waits: no summary yet
    m_mgr->MoveJobToFailed(99);
    int waiting, failed, downing, finished;
    State(waiting, failed, downing, finished);
    EXPECT_EQ(1, waiting);
    EXPECT_EQ(1, failed);
    m_mgr->MoveJobToFailed(2);
    const Seen& summary = Await(1);
    EXPECT_EQ(kDownFinishAll, summary.id);
    EXPECT_EQ(2u, summary.a);
    EXPECT_EQ(2u, summary.c);

    m_mgr->AddJob(&one, m_music, 3, 3);
    Say("start|3|10|1|1000|x");
    Await(2);
    m_mgr->AddJob(&two, m_music, 4, 3);
    // CancelAll runs the player's cancel only when vxmusic.exe runs; the idle player is not
    // installed where the bridge looks for it, so nothing starts.
    m_mgr->CancleAll();
    State(waiting, failed, downing, finished);
    EXPECT_EQ(0, waiting + failed + downing + finished);
    // After the cancel the jobs are unknown: a finish neither announces nor summarises.
    Say("finish|3|10|1");
    Say("start|4|11|1|1|y");
    m_mgr->AddJob(&one, m_music, 5, 3);
    Say("finish|3|10|1");  // only waiting jobs now: no start for them either
    Say("start|5|10|1|1|z");
    EXPECT_EQ(kDownStart, Await(3).id);
    EXPECT_EQ(1u, m_recorder.seen[2].a);
    EXPECT_EQ(3u, m_recorder.seen.size());
}

TEST_F(DownJobMgr, QuietOrLostPlayerFailsThePendingJobs) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 1000);
    // The player lives but says nothing: after twelve quiet polls everything fails, also while a
    // client keeps connecting without a word.
    m_mgr->AddJob(&list, m_music, 1, 3);
    Say("start|1|10|1|1000|x");
    Await(1);
    {
        bridge_testing::SilentClient silent(kPipe);
        const Seen& quiet = Await(2);
        EXPECT_EQ(kDownFinishAll, quiet.id);
        EXPECT_EQ(2u, quiet.c);
    }
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("no msg ext 6 times"));
    EXPECT_EQ(std::string::npos, log.find("cant find vxmusic.exe proc"));
    // The next player's message is served.
    m_mgr->AddJob(&list, m_music, 3, 3);
    Say("start|3|10|1|1000|x");
    EXPECT_EQ(kDownStart, Await(3).id);
    m_mgr->CancleAll();

    // The player is gone: the next poll fails the jobs.
    s_player.Stop();
    m_mgr->AddJob(&list, m_music, 2, 3);
    const Seen& lost = Await(4);
    s_player.Start();
    EXPECT_EQ(kDownFinishAll, lost.id);
    EXPECT_EQ(2u, lost.c);
    EXPECT_NE(std::string::npos, Log().find("cant find vxmusic.exe proc"));
}

}  // namespace
