// Benchmark, not a test: the bridge's hand-off of a play request to the running stand-in player
// (from PlaySongs to the player's journal showing the fetched mission) against starting a tiny
// program that asks a pipe of ours once (and the pipe round trip alone, in this process); and the
// process's private bytes after a tenth of the download jobs and after all of them, handed to the
// stand-in player in batches of 10 and finished. Each line ends with its ratio.
// Run: VX_WITH_SERVER=1 VX_TIMEOUT=900 build/win/wine-run build/win/bin/VxMdInterfaceBench.exe [runs] [jobs]
//   runs: hand-offs measured (default 10); jobs: download jobs, a multiple of 100 (default 1000).
// Without the stand-in server (VX_WITH_SERVER=1) only the hand-off is measured.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchPipeWin.h"
#include "bridge/VxMdInterface.h"
#include "config/ConfigManager.h"
#include "core/MessageManager.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "testing/BenchTimeWin.h"
#include "testing/ProcessRunWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

using vxbench::Median;
using vxbench::NowMs;

bool g_failed = false;

// A step that did not work: said, and the exit code tells.
void Failure(const char* format, ...) {
    g_failed = true;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    // Wine leaves PrivateUsage at 0; the commit charge (PagefileUsage) is the same figure on Windows.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// The bridge's notifications reach observers on the thread that registered them: waits pump.
void PumpOnce() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs, DWORD sliceMs = 20) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpOnce();
        if (done()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, sliceMs, QS_ALLINPUT);
    }
}

// One pipe instance served one client at a time, every wait bounded: the baseline's server side.
class OnePipeServer {
public:
    explicit OnePipeServer(const std::string& name)
        : m_pipe(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr)),
          m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~OnePipeServer() {
        Settle();
        if (m_pipe != INVALID_HANDLE_VALUE) CloseHandle(m_pipe);
        if (m_event) CloseHandle(m_event);
    }
    OnePipeServer(const OnePipeServer&) = delete;
    OnePipeServer& operator=(const OnePipeServer&) = delete;

    // Starts waiting for a client, so that one that comes at once finds the instance ready.
    bool Listen() {
        if (m_pipe == INVALID_HANDLE_VALUE || !m_event) return false;
        Begin();
        if (ConnectNamedPipe(m_pipe, &m_ov)) return m_connected = true;
        const DWORD error = GetLastError();
        m_connected = error == ERROR_PIPE_CONNECTED;
        m_pending = error == ERROR_IO_PENDING;
        return m_connected || m_pending;
    }

    // After Listen: the client's request, the reply with its NUL, then the client's close.
    bool Serve(const std::string& reply, DWORD boundMs) {
        const DWORD start = GetTickCount();
        auto left = [&] {
            const DWORD used = GetTickCount() - start;
            return used < boundMs ? boundMs - used : 0;
        };
        DWORD n = 0;
        bool ok = (m_connected || Finish(left(), n));
        char buffer[256];
        if (ok) {
            Begin();
            ok = Finish(left(), n, ReadFile(m_pipe, buffer, sizeof buffer, &n, &m_ov)) && n > 0;
        }
        if (ok) {
            Begin();
            ok = Finish(left(), n, WriteFile(m_pipe, reply.c_str(), static_cast<DWORD>(reply.size() + 1), &n, &m_ov));
        }
        if (ok) {
            // The client's close fails this read: then it has taken the whole reply.
            Begin();
            ok = !Finish(left(), n, ReadFile(m_pipe, buffer, sizeof buffer, &n, &m_ov)) && !m_pending &&
                 (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_PIPE_NOT_CONNECTED);
        }
        Settle();
        DisconnectNamedPipe(m_pipe);
        m_connected = false;
        return ok;
    }

private:
    void Begin() {
        m_ov = OVERLAPPED{};
        ResetEvent(m_event);
        m_ov.hEvent = m_event;
        m_pending = false;
    }
    // An operation just started (`started` its call's result): its outcome within the bound.
    bool Finish(DWORD limitMs, DWORD& n, BOOL started) {
        if (!started && GetLastError() != ERROR_IO_PENDING) return false;
        m_pending = true;
        return Finish(limitMs, n);
    }
    // The pending operation's outcome within the bound; one that outlives it stays pending.
    bool Finish(DWORD limitMs, DWORD& n) {
        if (WaitForSingleObject(m_event, limitMs) != WAIT_OBJECT_0) return false;
        m_pending = false;
        return GetOverlappedResult(m_pipe, &m_ov, &n, FALSE) != FALSE;
    }
    // Nothing may stay pending on the OVERLAPPED when it is reused or the pipe closed.
    void Settle() {
        if (!m_pending) return;
        CancelIo(m_pipe);
        DWORD n = 0;
        GetOverlappedResult(m_pipe, &m_ov, &n, TRUE);
        m_pending = false;
    }

    HANDLE m_pipe;
    HANDLE m_event;
    OVERLAPPED m_ov = {};
    bool m_connected = false;
    bool m_pending = false;
};

const char kMissionLike[] = "<pl action=\"playsong\"><so n=\"baseline\"/></pl>";

// Start of the helper program until it has taken our reply and closed the pipe.
std::vector<double> ProcessAndPipe(int runs, std::string& failure) {
    const std::string name = "\\\\.\\pipe\\VxMdInterfaceBench_" + std::to_string(GetCurrentProcessId());
    const std::string peer = VxStandIn::BuildBinFolder() + "VxMdInterfaceBenchPeer.exe";
    OnePipeServer server(name);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (!server.Listen()) {
            failure = "the baseline's pipe could not listen";
            break;
        }
        vxtest::CProcessRun helper;
        const double start = NowMs();
        if (!helper.Start(peer, name)) {
            failure = "the helper program did not start: " + peer;
            break;
        }
        const bool served = server.Serve(kMissionLike, 10000);
        const double took = NowMs() - start;
        if (!served || helper.WaitExit(10000) != 0) {
            failure = "the helper program did not take the reply";
            break;
        }
        times.push_back(took);
    }
    return times;
}

// The same exchange with the client on a thread of this process, timed by the client.
std::vector<double> PipeAlone(int runs, std::string& failure) {
    const std::string name = "\\\\.\\pipe\\VxMdInterfaceBenchLocal_" + std::to_string(GetCurrentProcessId());
    OnePipeServer server(name);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (!server.Listen()) {
            failure = "the in-process pipe could not listen";
            break;
        }
        double took = -1;
        std::thread client([&] {
            std::string reply;
            const double start = NowMs();
            if (bridge_bench::AskPipe(name.c_str(), "1", reply, 10000) && reply == kMissionLike) took = NowMs() - start;
        });
        const bool served = server.Serve(kMissionLike, 10000);
        client.join();
        if (!served || took < 0) {
            failure = "the in-process pipe round trip failed";
            break;
        }
        times.push_back(took);
    }
    return times;
}

// Songs the stand-in server serves: any rid, with the size the catalogue gives.
CNetSongInfo* ServedSong(int n) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName("歌" + std::to_string(n));
    song->SetArtist("Bench");
    CNetResource* wma = new CNetResource;
    wma->SetRid("bench-" + std::to_string(n));
    wma->SetSign(Sign(5000 + n, 9));
    wma->SetFileSize(3000 + n % 1000);
    song->SetWMA(wma);
    return song;
}

struct Songs {
    std::vector<std::unique_ptr<CNetSongInfo>> owned;
    std::vector<CSongInfoBase*> raw;

    Songs(int first, int count) {
        for (int n = first; n < first + count; ++n) {
            owned.emplace_back(ServedSong(n));
            raw.push_back(owned.back().get());
        }
    }
};

// The ends of the download runs this thread was told of.
struct SummaryWatcher : IVxMdInterfaceObserver {
    int summaries = 0;
    unsigned finished = 0, failed = 0;  // over all runs

    SummaryWatcher() { AfxGetMessageManager()->Register(kVxMdInterfaceChannel, this, kObserverUiThread); }
    ~SummaryWatcher() override { AfxGetMessageManager()->Unregister(kVxMdInterfaceChannel, this); }

    void DownFinishAll(unsigned, unsigned ok, unsigned bad, std::vector<std::string>*, CNetSongList*, CNetSongList*) override {
        ++summaries;
        finished += ok;
        failed += bad;
    }
};

// Closes the finished progress dialogs, as the user would.
void CloseSummaryDialogs() {
    for (int i = 0; i < 100; ++i) {
        HWND dlg = FindWindowA("#32770", "下载完毕");
        if (!dlg) return;
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        PumpOnce();
    }
}

// The summary reaches the observers one after the other, the progress dialog maybe after ours: the
// next run may only start once the dialog has finished, or the bridge queues it behind a box.
bool CloseFinishedDialog(DWORD limitMs) {
    HWND dlg = nullptr;
    if (!PumpUntil([&] { return (dlg = FindWindowA("#32770", "下载完毕")) != nullptr; }, limitMs)) return false;
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    PumpOnce();
    return true;
}

// Should a download still find a run in progress, the bridge's modal "queued" box would hold this
// thread inside the call: while this lives, a timer answers it (and it counts as a failure).
class QueuedBoxGuard {
public:
    QueuedBoxGuard() : m_timer(SetTimer(nullptr, 0, 1000, &QueuedBoxGuard::Fire)) { s_answered = false; }
    ~QueuedBoxGuard() { KillTimer(nullptr, m_timer); }
    static bool Answered() { return s_answered; }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = FindWindowA("#32770", "下载提示");
        DWORD pid = 0;
        if (box) GetWindowThreadProcessId(box, &pid);
        if (!box || pid != GetCurrentProcessId()) return;
        s_answered = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    UINT_PTR m_timer;
    static inline bool s_answered = false;
};

class Bench {
public:
    ~Bench() { Teardown(); }

    // The stand-in player where the bridge looks for it, and the facade from its library, which is
    // loaded here so that unloading it releases the facade.
    bool Setup() {
        m_player = VxStandIn::InstallPlayer();
        if (m_player.empty()) {
            Failure("setup: the stand-in player could not be installed\n");
            return false;
        }
        m_journal = Dir::GetFilePath(m_player) + "journal.txt";
        m_dll = LoadLibraryA((VxStandIn::BuildBinFolder() + "VxMdInterface.dll").c_str());
        typedef IVxMdInterface* (*Factory)();
        Factory factory = m_dll ? reinterpret_cast<Factory>(GetProcAddress(m_dll, "GetVxMdInterface")) : nullptr;
        m_facade = factory ? factory() : nullptr;
        if (!m_facade) Failure("setup: no facade from VxMdInterface.dll (error %lu)\n", GetLastError());
        return m_facade != nullptr;
    }

    // Closes what the downloads left open, quits the player and unloads the facade's library.
    void Teardown() {
        CloseSummaryDialogs();
        if (!m_player.empty() && !VxStandIn::QuitPlayer()) Failure("teardown: the stand-in player did not quit\n");
        m_player.clear();
        m_facade = nullptr;
        if (m_dll) {
            const double start = NowMs();
            FreeLibrary(m_dll);
            m_dll = nullptr;
            if (NowMs() - start > 500) std::printf("teardown: releasing the facade took %.0f ms\n", NowMs() - start);
        }
    }

    void HandOffs(int runs) {
        Songs songs(1, 3);
        // The first request starts the player; the measured ones reach it running, as most do.
        if (HandOff(songs) < 0) return;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const double took = HandOff(songs);
            if (took < 0) return;
            times.push_back(took);
        }
        std::string failure;
        const std::vector<double> baseline = ProcessAndPipe(runs, failure);
        const std::vector<double> alone = PipeAlone(runs * 10, failure);
        if (!failure.empty()) {
            Failure("mission hand-off: %s\n", failure.c_str());
            return;
        }
        std::printf("mission hand-off, play request of %u songs to the running player's fetch: median %.1f ms over %d runs, "
                    "process start plus pipe round trip %.1f ms (pipe round trip alone %.2f ms), ratio %.1f\n",
                    static_cast<unsigned>(songs.raw.size()), Median(times), runs, Median(baseline), Median(alone),
                    Median(baseline) > 0 ? Median(times) / Median(baseline) : 0.0);
    }

    void Downloads(int jobs) {
        const int kBatch = 10;
        const int tenth = jobs / 10;
        if (!VxStandIn::RunningPlayerPid()) {
            // The job manager fails jobs at a poll that finds no player: downloads go to a running one.
            Songs one(0, 1);
            if (HandOff(one) < 0) return;
        }
        const std::string folder = m_root + "\\downloads";
        if (!Dir::MakeDir(folder)) {
            Failure("download jobs: no folder %s\n", folder.c_str());
            return;
        }
        SummaryWatcher watcher;
        SIZE_T atTenth = 0;
        const double start = NowMs();
        for (int handed = 0; handed < jobs; handed += kBatch) {
            Songs songs(1000 + handed, kBatch);
            int quality = kActionDownloadWma;  // a chosen quality: no download dialog
            std::string target = folder;
            const int before = watcher.summaries;
            {
                QueuedBoxGuard guard;
                m_facade->DownloadSongs(&songs.raw, &quality, &target, kDownloadKindDownload);
                if (QueuedBoxGuard::Answered()) {
                    Failure("download jobs: jobs %d to %d were queued behind a running download\n", handed + 1,
                            handed + kBatch);
                    return;
                }
            }
            if (!PumpUntil([&] { return watcher.summaries > before; }, 60000) || !CloseFinishedDialog(10000)) {
                Failure("download jobs: no end of the run of jobs %d to %d within 60 s\n", handed + 1, handed + kBatch);
                return;
            }
            if (handed + kBatch == tenth) {
                PumpUntil([] { return false; }, 200);
                atTenth = PrivateBytes();
            }
        }
        const double seconds = (NowMs() - start) / 1000;
        PumpUntil([] { return false; }, 200);
        const SIZE_T atEnd = PrivateBytes();
        std::printf("private bytes with download jobs through the player (batches of %d, %u finished, %u failed, %.0f s): "
                    "%.1f MiB after %d jobs, %.1f MiB after %d, ratio %.2f\n",
                    kBatch, watcher.finished, watcher.failed, seconds, atTenth / 1048576.0, tenth, atEnd / 1048576.0, jobs,
                    atTenth ? double(atEnd) / double(atTenth) : 0.0);
    }

    void SetRoot(const std::string& root) { m_root = root; }

private:
    size_t JournalSize() {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        return GetFileAttributesExA(m_journal.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
    }

    std::string LastJournalLine() {
        std::ifstream in(m_journal, std::ios::binary);
        std::string line, last;
        while (std::getline(in, line))
            if (!line.empty()) last = line;
        return last;
    }

    // Play request to the journal's new line, in ms; -1 (and the reason printed) on failure.
    double HandOff(Songs& songs) {
        const size_t before = JournalSize();
        const double start = NowMs();
        m_facade->PlaySongs(&songs.raw, kActionPlaySongs);
        // Fine slices: the figure is a few hundred ms at most.
        if (!PumpUntil([&] { return JournalSize() > before; }, 20000, 1)) {
            Failure("mission hand-off: the player's journal showed no fetch within 20 s\n");
            return -1;
        }
        const double took = NowMs() - start;
        // The record is one write; the line must carry the mission, not "no mission".
        const std::string line = LastJournalLine();
        if (line.find("/mdrun playsong|") == std::string::npos || line.find("\tno mission") != std::string::npos) {
            Failure("mission hand-off: the player did not get the mission: %s\n", line.c_str());
            return -1;
        }
        return took;
    }

    std::string m_root;
    std::string m_player;
    std::string m_journal;
    HMODULE m_dll = nullptr;
    IVxMdInterface* m_facade = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int jobs = argc > 2 ? std::max(100, std::atoi(argv[2]) / 100 * 100) : 1000;
    ScopedDataRoot root("bridge-bench");
    const char* server = std::getenv("VX_TEST_SERVER");
    if (server) AfxGetConfigManager()->SetString("Servers", "All", server);
    {
        Bench bench;
        bench.SetRoot(root.Path());
        if (bench.Setup()) {
            bench.HandOffs(runs);
            if (server) bench.Downloads(jobs);
            else std::printf("download jobs: skipped (run with VX_WITH_SERVER=1)\n");
        }
    }
    return g_failed ? 1 : 0;
}
