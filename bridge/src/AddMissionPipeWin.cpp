#include "AddMissionPipeWin.h"

#include <process.h>

#include <string>
#include <vector>

#include "MissionTable.h"
#include "PipeWaitWin.h"
#include "ThreadEndWin.h"
#include "log/VxMdLog.h"

namespace {

const char kLogFile[] = "MsgHandler.txt";
const DWORD kOutBufferSize = 100 * 1024 * 1024;
const DWORD kInBufferSize = 1024 * 1024;
const DWORD kMaxInstances = 255;

}  // namespace

CAddMissionPipe::CAddMissionPipe(CMissionTable& table, MissionTiming timing, std::function<void(int)> onExpired)
    : m_table(table),
      m_timing(timing),
      m_onExpired(std::move(onExpired)),
      m_event(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_running(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAddMissionPipe::~CAddMissionPipe() { Stop(); }

bool CAddMissionPipe::Start() {
    if (m_thread.Valid() || !m_event.Valid() || !m_running.Valid() || !m_done.Valid()) return false;
    m_stop = false;
    ResetEvent(m_running.Get());
    ResetEvent(m_done.Get());
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CAddMissionPipe::ThreadEntry, this, 0, nullptr)));
    if (!m_thread.Valid()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "thread not started: %lu", GetLastError());
        return false;
    }
    // A thread that has not reached this library's code when the library unloads would start in
    // unmapped code later: Stop can only end a thread that runs.
    WaitForSingleObject(m_running.Get(), INFINITE);
    return true;
}

void CAddMissionPipe::Stop() {
    if (!m_thread.Valid()) return;
    m_stop = true;
    SetEvent(m_event.Get());
    if (!threadend::EndParkedThread(m_thread.Get(), m_done.Get(), 1000)) {
        // Every wait of the thread ends on the stop, but a sweep's callback may still block it:
        // leave it to the process's end rather than block here.
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "thread abandoned");
        m_thread.Release();
        m_event.Release();
        m_running.Release();
        m_done.Release();
        return;
    }
    m_thread.Reset();
}

unsigned __stdcall CAddMissionPipe::ThreadEntry(void* self) {
    HANDLE done = static_cast<CAddMissionPipe*>(self)->m_done.Get();
    SetEvent(static_cast<CAddMissionPipe*>(self)->m_running.Get());
    try {
        static_cast<CAddMissionPipe*>(self)->Run();
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "AddMissionPipe", "thread ended by an exception");
    }
    threadend::ReportDoneAndPark(done);
    return 0;
}

void CAddMissionPipe::Run() {
    CHandle pipe(CreateNamedPipeA(kAddMissionPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, kMaxInstances, kOutBufferSize,
                                  kInBufferSize, NMPWAIT_WAIT_FOREVER, nullptr));
    if (!pipe.Valid()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "CreateNamedPipe failed: %lu", GetLastError());
        return;
    }
    std::vector<char> buffer(kInBufferSize);
    OVERLAPPED ov = {};
    ov.hEvent = m_event.Get();
    DWORD lastSweep = GetTickCount();
    auto sweep = [&] {
        m_table.Sweep(GetTickCount(), m_timing.maxAgeMs, m_onExpired);
        lastSweep = GetTickCount();
    };

    while (!m_stop) {
        bool connected = ConnectNamedPipe(pipe.Get(), &ov) != FALSE;
        if (!connected) {
            DWORD error = GetLastError();
            // A client that came before the connect call: connected, with no operation to complete.
            if (error == ERROR_PIPE_CONNECTED) connected = true;
            else if (error != ERROR_IO_PENDING) {
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "ConnectNamedPipe failed: %lu", error);
                break;
            }
        }
        if (!connected) {
            // Sweeps while nobody comes; only the connect's own status ends the wait.
            while (!m_stop && !HasOverlappedIoCompleted(&ov)) {
                if (WaitForSingleObject(ov.hEvent, m_timing.pollMs) == WAIT_TIMEOUT) sweep();
            }
            DWORD ignored = 0;
            if (m_stop) {
                CancelIo(pipe.Get());
                GetOverlappedResult(pipe.Get(), &ov, &ignored, TRUE);
                break;
            }
            if (!GetOverlappedResult(pipe.Get(), &ov, &ignored, TRUE)) {
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "connection failed: %lu", GetLastError());
                break;
            }
        }
        Serve(pipe.Get(), ov, buffer.data(), buffer.size());
        DisconnectNamedPipe(pipe.Get());
        // Clients may keep the thread from the quiet waits: missions still age out on time.
        if (GetTickCount() - lastSweep >= m_timing.pollMs) sweep();
    }
}

void CAddMissionPipe::Serve(HANDLE pipe, OVERLAPPED& ov, char* buffer, size_t size) {
    using pipewait::Io;
    // The whole exchange gets one poll interval; a client silent for longer is dropped.
    const DWORD begin = GetTickCount();
    auto left = [&] {
        DWORD used = GetTickCount() - begin;
        return used < m_timing.pollMs ? m_timing.pollMs - used : 0;
    };
    DWORD read = 0;
    Io io = pipewait::Complete(pipe, ov, ReadFile(pipe, buffer, static_cast<DWORD>(size), &read, &ov), left(), m_stop, read);
    if (io == Io::kTimedOut) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "AddMissionPipe", "silent client dropped");
    if (io != Io::kDone || read == 0) return;
    std::string request(buffer, read);
    int number = 0;
    std::string text;
    if (!CMissionTable::ParseRequest(request, number) || !m_table.Fetch(number, text)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "AddMissionPipe", "no mission for request %.32s", request.c_str());
        return;
    }
    DWORD written = 0;
    io = pipewait::Complete(pipe, ov, WriteFile(pipe, text.c_str(), static_cast<DWORD>(text.size() + 1), &written, &ov),
                            left(), m_stop, written);
    if (io != Io::kDone) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "reply not taken: %d", static_cast<int>(io));
        return;
    }
    // The disconnect drops what the client has not read yet. FlushFileBuffers would wait for that
    // without limit; the client's close (a failed read here) says the same within the bound.
    char more = 0;
    DWORD ignored = 0;
    pipewait::Complete(pipe, ov, ReadFile(pipe, &more, 1, &ignored, &ov), left(), m_stop, ignored);
}
