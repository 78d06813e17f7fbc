#include "AddMissionPipeWin.h"

#include <process.h>

#include <string>
#include <vector>

#include "MissionTable.h"
#include "log/VxMdLog.h"

namespace {

const char kLogFile[] = "MsgHandler.txt";
const DWORD kOutBufferSize = 100 * 1024 * 1024;
const DWORD kInBufferSize = 1024 * 1024;
const DWORD kMaxInstances = 255;

// Completes an overlapped operation on `pipe`; false when it failed.
bool Finish(HANDLE pipe, OVERLAPPED& ov, BOOL started, DWORD& bytes) {
    if (started) return true;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    return GetOverlappedResult(pipe, &ov, &bytes, TRUE) != FALSE;
}

}  // namespace

CAddMissionPipe::CAddMissionPipe(CMissionTable& table, MissionTiming timing, std::function<void(int)> onExpired)
    : m_table(table), m_timing(timing), m_onExpired(std::move(onExpired)), m_event(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

CAddMissionPipe::~CAddMissionPipe() { Stop(); }

bool CAddMissionPipe::Start() {
    if (m_thread.Valid() || !m_event.Valid()) return false;
    m_stop = false;
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CAddMissionPipe::ThreadEntry, this, 0, nullptr)));
    if (!m_thread.Valid()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "thread not started: %lu", GetLastError());
        return false;
    }
    return true;
}

void CAddMissionPipe::Stop() {
    if (!m_thread.Valid()) return;
    m_stop = true;
    SetEvent(m_event.Get());
    if (WaitForSingleObject(m_thread.Get(), 1000) != WAIT_OBJECT_0) {
        // Still inside a client's exchange: leave it to the process's end rather than block here.
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "thread abandoned");
        m_thread.Release();
        m_event.Release();
        return;
    }
    m_thread.Reset();
}

unsigned __stdcall CAddMissionPipe::ThreadEntry(void* self) {
    try {
        static_cast<CAddMissionPipe*>(self)->Run();
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "AddMissionPipe", "thread ended by an exception");
    }
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

    while (!m_stop) {
        ResetEvent(ov.hEvent);
        if (!ConnectNamedPipe(pipe.Get(), &ov)) {
            DWORD error = GetLastError();
            // A client that came before the connect call completes nothing: wake up ourselves.
            if (error == ERROR_PIPE_CONNECTED) SetEvent(ov.hEvent);
            else if (error != ERROR_IO_PENDING) {
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "ConnectNamedPipe failed: %lu", error);
                break;
            }
        }
        while (WaitForSingleObject(ov.hEvent, m_timing.pollMs) == WAIT_TIMEOUT && !m_stop)
            m_table.Sweep(GetTickCount(), m_timing.maxAgeMs, m_onExpired);
        if (m_stop) {
            CancelIo(pipe.Get());
            break;
        }
        DWORD ignored = 0;
        if (!GetOverlappedResult(pipe.Get(), &ov, &ignored, TRUE)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "connection failed: %lu", GetLastError());
            break;
        }
        Serve(pipe.Get(), ov, buffer.data(), buffer.size());
        DisconnectNamedPipe(pipe.Get());
    }
}

void CAddMissionPipe::Serve(HANDLE pipe, OVERLAPPED& ov, char* buffer, size_t size) {
    DWORD read = 0;
    if (!Finish(pipe, ov, ReadFile(pipe, buffer, static_cast<DWORD>(size), &read, &ov), read) || read == 0) return;
    std::string request(buffer, read);
    int number = 0;
    std::string text;
    if (!CMissionTable::ParseRequest(request, number) || !m_table.Fetch(number, text)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "AddMissionPipe", "no mission for request %.32s", request.c_str());
        return;
    }
    DWORD written = 0;
    if (!Finish(pipe, ov, WriteFile(pipe, text.c_str(), static_cast<DWORD>(text.size() + 1), &written, &ov), written))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "AddMissionPipe", "WriteFile failed: %lu", GetLastError());
    FlushFileBuffers(pipe);
}
