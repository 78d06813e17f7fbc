#include "CommandPipeWin.h"

#include <process.h>
#include <sddl.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "PipeMessage.h"
#include "ServiceLog.h"
#include "log/VxMdLog.h"

namespace {

const char kTag[] = "PipeThread";

DWORD ClientReadBoundMs() {
    char text[16] = {};
    DWORD n = GetEnvironmentVariableA("VX_SERVICE_TIME_DIVISOR", text, sizeof text);
    long divisor = n > 0 && n < sizeof text ? std::strtol(text, nullptr, 10) : 0;
    const DWORD bound = CCommandPipeServer::kClientReadBoundMs;
    return divisor > 1 && divisor <= 1000 ? bound / static_cast<DWORD>(divisor) : bound;
}

}  // namespace

const char CCommandPipeSecurity::kSddl[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

CCommandPipeSecurity::CCommandPipeSecurity() {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kSddl, SDDL_REVISION_1, &m_descriptor, nullptr)) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "security descriptor failed %lu", GetLastError());
        m_descriptor = nullptr;
        return;
    }
    m_attributes = {sizeof m_attributes, m_descriptor, FALSE};
}

CCommandPipeSecurity::~CCommandPipeSecurity() {
    if (m_descriptor) LocalFree(m_descriptor);
}

// Shared by the server and its thread: a thread that outlives Stop's wait keeps the pipe, the
// event and the buffer of its pending read alive until it ends.
struct CCommandPipeServer::State {
    CHandle pipe;
    CHandle event;  // the OVERLAPPED record's event, also the stop signal
    OVERLAPPED overlapped = {};
    bool pending = false;  // an overlapped operation is in flight: it must end before the state goes
    std::atomic<bool> stopping{false};
    DWORD messageThreadId = 0;
    DWORD readBoundMs = 0;
    std::vector<char> buffer = std::vector<char>(kMaxPipeMessage);

    void FinishPending() {
        if (!pending) return;
        CancelIo(pipe.Get());
        DWORD n = 0;
        GetOverlappedResult(pipe.Get(), &overlapped, &n, TRUE);
        pending = false;
    }

    // True once a client is connected; false on stop or when the pipe fails.
    bool WaitForClient() {
        for (;;) {
            if (stopping) return false;
            DWORD err = ConnectNamedPipe(pipe.Get(), &overlapped) ? ERROR_PIPE_CONNECTED : GetLastError();
            if (err == ERROR_PIPE_CONNECTED) return true;
            if (err == ERROR_NO_DATA) {  // a client came and went before we listened
                DisconnectNamedPipe(pipe.Get());
                continue;
            }
            if (err != ERROR_IO_PENDING) {
                VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "ConnectNamedPipe failed %lu", err);
                return false;
            }
            pending = true;
            // Starting the operation may have reset a stop signal given just before.
            if (stopping) break;
            WaitForSingleObject(event.Get(), INFINITE);
            if (stopping) break;
            DWORD n = 0;
            BOOL connected = GetOverlappedResult(pipe.Get(), &overlapped, &n, TRUE);
            pending = false;
            if (!connected) {
                VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "GetOverlappedResult failed %lu", GetLastError());
                return false;
            }
            return true;
        }
        FinishPending();
        return false;
    }

    // Reads the client's one message within the bound; the byte count, or -1 when dropped.
    long ReadMessage() {
        const DWORD start = GetTickCount();
        if (!ReadFile(pipe.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "ReadFile failed %lu, dropped", GetLastError());
            return -1;
        }
        pending = true;
        for (;;) {
            if (stopping) break;
            DWORD n = 0;
            if (GetOverlappedResult(pipe.Get(), &overlapped, &n, FALSE)) {
                pending = false;
                return static_cast<long>(n);
            }
            DWORD err = GetLastError();
            if (err != ERROR_IO_INCOMPLETE) {
                pending = false;
                VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "read failed %lu, dropped", err);
                return -1;
            }
            DWORD elapsed = GetTickCount() - start;
            if (elapsed >= readBoundMs) {
                VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "client silent for %lu ms, dropped", elapsed);
                break;
            }
            WaitForSingleObject(event.Get(), readBoundMs - elapsed);
        }
        FinishPending();
        return -1;
    }

    void ServeClient() {
        long size = ReadMessage();
        if (size < 0) return;
        auto command = std::make_unique<PipeCommand>();
        PipeFrameStatus status = DecodePipeFrame(buffer.data(), static_cast<size_t>(size), *command);
        if (status != PipeFrameStatus::kOk) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "%ld bytes dropped: %s", size,
                         PipeFrameStatusName(status));
            return;
        }
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "command %d with %u bytes", command->id,
                     static_cast<unsigned>(command->data.size()));
        if (!PostThreadMessageA(messageThreadId, kMsgPipeCommand, reinterpret_cast<WPARAM>(command.get()), 0)) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "PostThreadMessage failed %lu", GetLastError());
            return;
        }
        command.release();  // the message thread frees it
    }
};

CCommandPipeServer::CCommandPipeServer() = default;

CCommandPipeServer::~CCommandPipeServer() { Stop(); }

bool CCommandPipeServer::Start(DWORD messageThreadId) {
    if (Running()) return true;
    CCommandPipeSecurity security;
    if (!security.Attributes()) return false;
    // Nobody may own the name before us and serve our clients. Wine ignores the first instance flag,
    // hence the look first.
    if (WaitNamedPipeA(kCommandPipeName, 1) || GetLastError() != ERROR_FILE_NOT_FOUND) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag,
                     "another process owns the pipe name (%lu), not serving", GetLastError());
        return false;
    }
    auto state = std::make_shared<State>();
    state->pipe.Reset(CreateNamedPipeA(kCommandPipeName,
                                       PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                       kMaxPipeMessage, kMaxPipeMessage, NMPWAIT_WAIT_FOREVER, security.Attributes()));
    if (!state->pipe.Valid()) {
        DWORD err = GetLastError();
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag,
                     err == ERROR_ACCESS_DENIED || err == ERROR_PIPE_BUSY
                         ? "CreateNamedPipe failed %lu: another process owns the pipe name, not serving"
                         : "CreateNamedPipe failed %lu, not serving",
                     err);
        return false;
    }
    state->event.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!state->event.Valid()) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "CreateEvent failed %lu", GetLastError());
        return false;
    }
    state->overlapped.hEvent = state->event.Get();
    state->messageThreadId = messageThreadId;
    state->readBoundMs = ClientReadBoundMs();
    auto* param = new std::shared_ptr<State>(state);
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, PipeThread, param, 0, nullptr));
    if (!thread) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "_beginthreadex failed %d", errno);
        delete param;
        return false;
    }
    m_state = std::move(state);
    m_thread.Reset(thread);
    return true;
}

void CCommandPipeServer::Stop() {
    if (m_thread.Valid()) {
        m_state->stopping = true;
        SetEvent(m_state->event.Get());
        if (WaitForSingleObject(m_thread.Get(), kStopWaitMs) != WAIT_OBJECT_0) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "the pipe thread did not end within %lu ms",
                         kStopWaitMs);
        }
    }
    m_thread.Reset();
    m_state.reset();
}

unsigned __stdcall CCommandPipeServer::PipeThread(void* param) {
    std::unique_ptr<std::shared_ptr<State>> holder(static_cast<std::shared_ptr<State>*>(param));
    State& state = **holder;
    try {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "start");
        while (state.WaitForClient()) {
            state.ServeClient();
            DisconnectNamedPipe(state.pipe.Get());
        }
    } catch (...) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "exception");
    }
    state.FinishPending();
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "end");
    return 0;
}
