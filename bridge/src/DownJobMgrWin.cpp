#include "DownJobMgr.h"

#include <windows.h>
#include <process.h>
#include <shellapi.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "DownJobLists.h"
#include "DownStateMessage.h"
#include "PipeWaitWin.h"
#include "ThreadEndWin.h"
#include "TimeDivisorWin.h"
#include "bridge/VxMdInterface.h"
#include "core/MessageManager.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/System.h"
#include "vxlib/Thread.h"

namespace {

const char kLogFile[] = "dl_mgr.log";
const char kPipeName[] = "\\\\.\\Pipe\\ViXoMdDownStatePipe_20110427";
const char kPlayerExe[] = "vxmusic.exe";
const char kCancelCommand[] = "/mdrun download|-1";
const DWORD kPipeBufferSize = 1048576;
const DWORD kPollMs = 5000;
const int kQuietPollLimit = 12;
const UINT kMsgDownState = 2034;
const DWORD kStopWaitMs = 1000;

DWORD PollInterval() { return BridgeTestDivided(kPollMs); }

void LogIn(const char* tag) { VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "in"); }
void LogOut(const char* tag) { VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "out"); }

template <class... Args>
void Detail(const char* tag, const char* format, Args... args) {
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, format, args...);
}

void Detail(const char* tag, const char* text) { VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, "%s", text); }

// Logs a step's entry and exit.
class CStepLog {
public:
    explicit CStepLog(const char* tag) : m_tag(tag) { LogIn(tag); }
    ~CStepLog() { LogOut(m_tag); }

private:
    const char* m_tag;
};

typedef Thread::CAutoCrititalSection CLock;

}  // namespace

struct CDownJobMgr::Impl {
    Thread::CBaseCrititalSection lock;
    CDownJobLists lists;
    CSpeedWindow speedWindow;

    HANDLE receiveEvent = nullptr;  // auto-reset, the pipe's overlapped event
    HANDLE receiveThread = nullptr;
    HANDLE translateThread = nullptr;
    unsigned translateThreadId = 0;
    HANDLE translateReady = nullptr;
    HANDLE receiveReady = nullptr;
    HANDLE receiveDone = nullptr;    // manual-reset: each thread is done with this state (threadend)
    HANDLE translateDone = nullptr;
    std::atomic<bool> stopping{false};

    // Steps that need the manager's public operations (the polls) reach them through it.
    CDownJobMgr* owner = nullptr;

    void StartThreads();
    bool StopThreads();

    static unsigned __stdcall ReceiveThreadEntry(void* self);
    static unsigned __stdcall TranslateThreadEntry(void* self);
    void ReceiveThread();
    void TranslateThread();
    void Translate(const std::string& message);

    void NotifyStart(const DownStateMessage& m);
    void NotifyProgress(const DownStateMessage& m);
    void NotifyFinish(const DownStateMessage& m);
    void NotifyFailed(const DownStateMessage& m);
    void NotifyPlaydeckClose();
    void NotifyTooMay();
    void ForceStop();
    void FinishLocked(int mission, const Sign& sign, std::unique_ptr<DownFinishSummary>& summary,
                      std::unique_ptr<DownStartInfo>& next);
    void SendAfterFinish(std::unique_ptr<DownFinishSummary> summary, std::unique_ptr<DownStartInfo> next);
    void SendStart(const DownStartInfo& info);
    void SendFinishMsg(std::unique_ptr<DownFinishSummary> summary);
};

namespace {

void SendToObservers(int id, const VariantList& params) {
    if (IMessageManager* manager = AfxGetMessageManager()) manager->Send(kVxMdInterfaceChannel, id, params);
}

}  // namespace

void CDownJobMgr::Impl::StartThreads() {
    CStepLog step("_StartThreads");
    receiveEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    translateReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    receiveReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    receiveDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    translateDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    translateThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TranslateThreadEntry, this, 0, &translateThreadId));
    if (!translateThread) Detail("_StartThreads", "translate thread failed: %d", errno);
    // The receive thread posts to the translate thread's queue, which must exist first.
    else WaitForSingleObject(translateReady, INFINITE);
    receiveThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ReceiveThreadEntry, this, 0, nullptr));
    if (!receiveThread) Detail("_StartThreads", "receive thread failed: %d", errno);
    // A thread that has not reached this library's code when the library unloads would start in
    // unmapped code later: StopThreads can only end threads that run.
    else WaitForSingleObject(receiveReady, INFINITE);
}

bool CDownJobMgr::Impl::StopThreads() {
    CStepLog step("_StopThreads");
    // The flag first: the receive thread checks it after every wake-up.
    stopping = true;
    if (receiveEvent) SetEvent(receiveEvent);
    bool ended = true;
    // The receive thread posts to the translate thread: it is done first, so that nothing arrives
    // after the translate thread's last look at its queue.
    if (receiveThread) {
        ended = threadend::EndParkedThread(receiveThread, receiveDone, kStopWaitMs);
        CloseHandle(receiveThread);
        receiveThread = nullptr;
    }
    if (translateThread) {
        PostThreadMessageA(translateThreadId, WM_QUIT, 0, 0);
        if (!threadend::EndParkedThread(translateThread, translateDone, kStopWaitMs)) ended = false;
        CloseHandle(translateThread);
        translateThread = nullptr;
    }
    if (!ended) Detail("_StopThreads", "a thread did not end in time; its state is kept");
    return ended;
}

unsigned __stdcall CDownJobMgr::Impl::ReceiveThreadEntry(void* self) {
    HANDLE done = static_cast<Impl*>(self)->receiveDone;
    SetEvent(static_cast<Impl*>(self)->receiveReady);
    RunCatchingAll([self] { static_cast<Impl*>(self)->ReceiveThread(); });
    threadend::ReportDoneAndPark(done);
    return 0;
}

unsigned __stdcall CDownJobMgr::Impl::TranslateThreadEntry(void* self) {
    HANDLE done = static_cast<Impl*>(self)->translateDone;
    RunCatchingAll([self] { static_cast<Impl*>(self)->TranslateThread(); });
    threadend::ReportDoneAndPark(done);
    return 0;
}

void CDownJobMgr::Impl::ReceiveThread() {
    CStepLog step("ReceiveThread");
    HANDLE pipe = CreateNamedPipeA(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kPipeBufferSize,
                                   NMPWAIT_WAIT_FOREVER, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        Detail("ReceiveThread", "create pipe failed: %lu", GetLastError());
        return;
    }
    std::vector<char> buffer(kPipeBufferSize);
    int quietPolls = 0;
    DWORD lastPoll = GetTickCount();
    auto poll = [&] {
        lastPoll = GetTickCount();
        bool busy = false;
        bool playerGone = false;
        owner->CheckDownloadStatus(busy, playerGone);
        if (!busy || playerGone) {
            quietPolls = 0;
        } else if (++quietPolls >= kQuietPollLimit) {
            Detail("ReceiveThread", "no msg ext 6 times");
            // Counting starts again for jobs added later.
            quietPolls = 0;
            owner->MoveAllJobToFailed();
        }
    };

    OVERLAPPED ov = {};
    ov.hEvent = receiveEvent;
    while (!stopping) {
        bool connected = ConnectNamedPipe(pipe, &ov) != FALSE;
        DWORD error = GetLastError();
        if (!connected && error == ERROR_PIPE_CONNECTED) {
            connected = true;
        } else if (!connected && error != ERROR_IO_PENDING) {
            Detail("ReceiveThread", "connect failed: %lu", error);
            break;
        }
        if (!connected) {
            // Polls while nobody comes; only the connect's own status ends the wait.
            while (!stopping && !HasOverlappedIoCompleted(&ov)) {
                if (WaitForSingleObject(receiveEvent, PollInterval()) == WAIT_TIMEOUT) poll();
            }
            DWORD ignored = 0;
            if (stopping) {
                CancelIo(pipe);
                GetOverlappedResult(pipe, &ov, &ignored, TRUE);
                break;
            }
            if (!GetOverlappedResult(pipe, &ov, &ignored, TRUE)) {
                Detail("ReceiveThread", "connect failed: %lu", GetLastError());
                break;
            }
        }

        // A client gets one poll interval to write its message; a silent one is dropped.
        DWORD read = 0;
        pipewait::Io io = pipewait::Complete(pipe, ov, ReadFile(pipe, buffer.data(), kPipeBufferSize, &read, &ov),
                                             PollInterval(), stopping, read);
        if (io == pipewait::Io::kStopped) break;
        if (io == pipewait::Io::kTimedOut) Detail("ReceiveThread", "silent client dropped");
        if (io == pipewait::Io::kDone && read > 0) {
            // Only a message ends a quiet spell: a client that connects and says nothing is quiet.
            quietPolls = 0;
            std::string* message = new std::string(DownStateText(buffer.data(), read));
            Detail("ReceiveThread", "rcv msg: %s.", message->c_str());
            if (!PostThreadMessageA(translateThreadId, kMsgDownState, reinterpret_cast<WPARAM>(message), 0)) {
                Detail("ReceiveThread", "post failed: %lu", GetLastError());
                delete message;
            }
        }
        DisconnectNamedPipe(pipe);
        // Clients may keep the thread from the quiet waits: the polls still come on time.
        if (GetTickCount() - lastPoll >= PollInterval()) poll();
    }
    CloseHandle(pipe);
}

void CDownJobMgr::Impl::TranslateThread() {
    CStepLog step("TranslateThread");
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(translateReady);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd || msg.message != kMsgDownState) continue;
        std::unique_ptr<std::string> message(reinterpret_cast<std::string*>(msg.wParam));
        if (message) RunCatchingAll([&] { Translate(*message); });
    }
    // Strings still queued are ours to free.
    while (PeekMessageA(&msg, nullptr, kMsgDownState, kMsgDownState, PM_REMOVE))
        delete reinterpret_cast<std::string*>(msg.wParam);
}

void CDownJobMgr::Impl::Translate(const std::string& message) {
    const DownStateMessage m = ParseDownState(message);
    if (m.kind == DownStateMessage::kEmpty) {
        Detail("TranslateThread", "msg is null.");
        return;
    }
    int count = static_cast<int>(m.fields.size());
    Detail("TranslateThread", "msg type: %s, param num: %d.", m.fields[0].c_str(), count);
    if (!m.complete) {
        Detail("TranslateThread", "param is less than %d: %d", static_cast<int>(DownStateMessage::FieldsNeeded(m.kind)),
               count);
        return;
    }
    switch (m.kind) {
    case DownStateMessage::kStart: NotifyStart(m); break;
    case DownStateMessage::kProgress: NotifyProgress(m); break;
    case DownStateMessage::kFinish: NotifyFinish(m); break;
    case DownStateMessage::kFailed: NotifyFailed(m); break;
    case DownStateMessage::kTooMany: NotifyTooMay(); break;
    case DownStateMessage::kStop: NotifyPlaydeckClose(); break;
    default: break;
    }
}

void CDownJobMgr::Impl::SendStart(const DownStartInfo& info) {
    Detail("_NotifyStart", "syn notify: %s, %u, %u, %s", info.name.c_str(), info.index, info.total, info.folder.c_str());
    SendToObservers(kDownStart, {Variant::String(info.name), Variant::ULong(info.index), Variant::ULong(info.total),
                                 Variant::String(info.folder)});
}

void CDownJobMgr::Impl::NotifyStart(const DownStateMessage& m) {
    CStepLog step("_NotifyStart");
    DownStartInfo info;
    bool downing;
    {
        CLock hold(lock);
        downing = lists.Start(m.mission, m.sign, m.size, m.localPath, info);
    }
    if (downing) SendStart(info);
}

void CDownJobMgr::Impl::NotifyProgress(const DownStateMessage& m) {
    CStepLog step("_NotifyProgress");
    DownProgressInfo progress;
    bool found;
    {
        CLock hold(lock);
        found = lists.Progress(m.mission, m.sign, m.percent, m.speed, progress);
    }
    if (!found) {
        Detail("_NotifyProgress", "cant find the item(%s, %s, %s) in s_lstDowning.", m.fields[1].c_str(), m.fields[2].c_str(),
               m.fields[3].c_str());
        return;
    }
    unsigned average = speedWindow.Add(progress.speed);
    Detail("_NotifyProgress", "asyn notify: %u, %u, %u", average, progress.done, progress.total);
    if (IMessageManager* manager = AfxGetMessageManager())
        manager->Post(kVxMdInterfaceChannel, kDownProgress, 0,
                      {Variant::ULong(average), Variant::ULong(progress.done), Variant::ULong(progress.total)});
}

// Lock held. Leaves in `summary` or `next` what is to be sent once the lock is released.
void CDownJobMgr::Impl::FinishLocked(int mission, const Sign& sign, std::unique_ptr<DownFinishSummary>& summary,
                                     std::unique_ptr<DownStartInfo>& next) {
    auto exists = [](const std::string& path) { return Dir::IsExistFile(path); };
    auto copy = [](const std::string& from, const std::string& to) {
        bool ok = Dir::CopyFileA(from, to, false);
        if (ok) {
            Detail("_NotifyFinish", "copy %s to %s", from.c_str(), to.c_str());
        } else {
            Detail("_NotifyFinish", "copy %s to %s failed: %lu", from.c_str(), to.c_str(), GetLastError());
        }
        return ok;
    };
    DownStartInfo info;
    DownFinishOutcome outcome = lists.Finish(mission, sign, exists, copy, info);
    if (outcome == DownFinishOutcome::kSummary) summary = lists.TakeSummary();
    if (outcome == DownFinishOutcome::kStartNext) next.reset(new DownStartInfo(info));
}

void CDownJobMgr::Impl::SendAfterFinish(std::unique_ptr<DownFinishSummary> summary, std::unique_ptr<DownStartInfo> next) {
    if (summary) SendFinishMsg(std::move(summary));
    if (next) SendStart(*next);
}

void CDownJobMgr::Impl::NotifyFinish(const DownStateMessage& m) {
    CStepLog step("_NotifyFinish");
    std::unique_ptr<DownFinishSummary> summary;
    std::unique_ptr<DownStartInfo> next;
    {
        CLock hold(lock);
        // A stray finish (a job cancelled or already failed) must not announce a start or an
        // empty summary.
        if (!lists.IsDowning(m.mission, m.sign)) {
            Detail("_NotifyFinish", "cant find the item(%s, %s, %s) in s_lstDowning", m.fields[1].c_str(), m.fields[2].c_str(),
                   m.fields[3].c_str());
            return;
        }
        FinishLocked(m.mission, m.sign, summary, next);
    }
    SendAfterFinish(std::move(summary), std::move(next));
}

void CDownJobMgr::Impl::NotifyFailed(const DownStateMessage& m) {
    CStepLog step("_NotifyFailed");
    std::unique_ptr<DownFinishSummary> summary;
    bool matched;
    {
        CLock hold(lock);
        bool over = false;
        matched = lists.Failed(m.mission, m.sign, over);
        if (matched && over) summary = lists.TakeSummary();
    }
    if (!matched) {
        Detail("_NotifyFailed", "cant find the item(%s, %s, %s) in s_lstDowning", m.fields[1].c_str(), m.fields[2].c_str(),
               m.fields[3].c_str());
        return;
    }
    if (summary) SendFinishMsg(std::move(summary));
}

void CDownJobMgr::Impl::SendFinishMsg(std::unique_ptr<DownFinishSummary> summary) {
    CStepLog step("_SendFinishMsg");
    Detail("_SendFinishMsg", "syn notify: %u, %u, %u", summary->total, summary->finished, summary->failed);
    for (const std::string& target : summary->targets) Detail("_SendFinishMsg", "syn notify-files: %s", target.c_str());
    SendToObservers(kDownFinishAll,
                    {Variant::ULong(summary->total), Variant::ULong(summary->finished), Variant::ULong(summary->failed),
                     Variant::Pointer(&summary->targets), Variant::Pointer(summary->failedSongs.get()),
                     Variant::Pointer(summary->finishedSongs.get())});
    // Destroying the summary destroys the songs the jobs owned.
}

void CDownJobMgr::Impl::ForceStop() {
    CStepLog step("_ForceStop");
    std::unique_ptr<DownFinishSummary> summary;
    {
        CLock hold(lock);
        lists.ForceStop();
        summary = lists.TakeSummary();
    }
    SendFinishMsg(std::move(summary));
}

void CDownJobMgr::Impl::NotifyPlaydeckClose() {
    CStepLog step("_NotifyPlaydeckClose");
    bool pending;
    {
        CLock hold(lock);
        pending = lists.Busy();
    }
    Detail("_NotifyPlaydeckClose", "UnLock 1");
    if (pending) SendToObservers(kPlaydeckClosed, {});
    ForceStop();
    Detail("_NotifyPlaydeckClose", "UnLock 2");
}

void CDownJobMgr::Impl::NotifyTooMay() {
    CStepLog step("_NotifyTooMay");
    Detail("_NotifyTooMay", "syn notify");
    SendToObservers(kDownTooMany, {});
    ForceStop();
}

CDownJobMgr::CDownJobMgr() : m_impl(new Impl) {
    m_impl->owner = this;
    m_impl->StartThreads();
}

CDownJobMgr::~CDownJobMgr() {
    // A thread that did not end may still touch the state: it is left to the process rather
    // than freed under it.
    if (!m_impl->StopThreads()) return;
    for (HANDLE h : {m_impl->receiveEvent, m_impl->translateReady, m_impl->receiveReady, m_impl->receiveDone,
                     m_impl->translateDone})
        if (h) CloseHandle(h);
    delete m_impl;
}

void CDownJobMgr::AddJob(CSongListBase* list, const std::string& folder, int mission, int quality) {
    CStepLog step("AddJob");
    if (!list) return;
    CLock hold(m_impl->lock);
    m_impl->lists.Add(*list, folder, mission, quality);
    Detail("AddJob", "mission %d, %u songs, quality %d, folder %s", mission,
           static_cast<unsigned>(list->GetSongInfoVector().size()), quality, folder.c_str());
}

// The failure steps end like a "finish" of nothing (mission 0, sign 0, 0): the summary goes out
// once nothing is pending, sent after the lock is released.
void CDownJobMgr::MoveJobToFailed(int mission) {
    CStepLog step("MoveJobToFailed");
    std::unique_ptr<DownFinishSummary> summary;
    std::unique_ptr<DownStartInfo> next;
    {
        CLock hold(m_impl->lock);
        bool over = false;
        // An expired mission without jobs (a play mission) has nothing to report.
        if (!m_impl->lists.MoveMissionToFailed(mission, over) || !over) return;
        Detail("MoveJobToFailed", "mission %d failed, nothing pending", mission);
        m_impl->FinishLocked(0, Sign(), summary, next);
    }
    m_impl->SendAfterFinish(std::move(summary), std::move(next));
}

void CDownJobMgr::MoveAllJobToFailed() {
    CStepLog step("MoveAllJobToFailed");
    std::unique_ptr<DownFinishSummary> summary;
    std::unique_ptr<DownStartInfo> next;
    {
        CLock hold(m_impl->lock);
        m_impl->lists.MoveAllToFailed();
        m_impl->FinishLocked(0, Sign(), summary, next);
    }
    m_impl->SendAfterFinish(std::move(summary), std::move(next));
}

void CDownJobMgr::CancleAll() {
    CStepLog step("CancleAll");
    if (System::IsProcessExist(kPlayerExe)) {
        std::string path;
        if (IVxMdInterface* facade = GetVxMdInterface()) {
            if (facade->GetPlayerPath(path, 0) && Dir::IsExistFile(path)) {
                Detail("CancleAll", "%s %s", path.c_str(), kCancelCommand);
                ShellExecuteA(nullptr, nullptr, path.c_str(), kCancelCommand, nullptr, SW_HIDE);
            }
        }
    }
    CLock hold(m_impl->lock);
    m_impl->lists.Clear();
}

void CDownJobMgr::GetState(int& waiting, int& failed, int& downing, int& finished) {
    CStepLog step("GetState");
    CLock hold(m_impl->lock);
    waiting = static_cast<int>(m_impl->lists.Waiting().size());
    failed = static_cast<int>(m_impl->lists.FailedJobs().size());
    downing = static_cast<int>(m_impl->lists.Downing().size());
    finished = static_cast<int>(m_impl->lists.Finished().size());
}

void CDownJobMgr::CheckDownloadStatus(bool& busy, bool& playerGone) {
    CStepLog step("CheckDownloadStatus");
    {
        CLock hold(m_impl->lock);
        busy = m_impl->lists.Busy();
    }
    playerGone = busy && !System::IsProcessExist(kPlayerExe);
    if (playerGone) {
        Detail("CheckDownloadStatus", "cant find vxmusic.exe proc");
        MoveAllJobToFailed();
    }
}
