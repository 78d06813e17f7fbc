#include "PlayerWin.h"

#include <cstring>

static const char kAddMissionPipe[] = "\\\\.\\Pipe\\ViXoMdAddMissionPipe_20110427";
static const char kDownStatePipe[] = "\\\\.\\Pipe\\ViXoMdDownStatePipe_20110427";

// Both pipes have one listening instance that the client re-arms after every message: between two
// connections it is busy, which passes at once. A pipe that does not exist means no client is
// listening (not started yet, or gone): give up after a short while.
static HANDLE OpenClientPipe(const char* name) {
    DWORD began = GetTickCount();
    for (;;) {
        HANDLE pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        DWORD error = GetLastError();
        DWORD waited = GetTickCount() - began;
        if (error == ERROR_PIPE_BUSY && waited < 10000) {
            WaitNamedPipeA(name, 200);
        } else if (waited < 2000) {
            Sleep(100);
        } else {
            return INVALID_HANDLE_VALUE;
        }
    }
}

bool FetchMission(long number, std::string& text) {
    text.clear();
    HANDLE pipe = OpenClientPipe(kAddMissionPipe);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    std::string request = std::to_string(number);
    DWORD n = 0;
    bool complete = false;
    if (WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &n, nullptr)) {
        // The reply ends with its NUL; an unknown number gets no reply, only the disconnect.
        char buf[65536];
        while (!complete && ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
            const char* nul = static_cast<const char*>(std::memchr(buf, '\0', n));
            text.append(buf, nul ? static_cast<size_t>(nul - buf) : n);
            complete = nul != nullptr;
        }
    }
    CloseHandle(pipe);
    if (!complete) text.clear();
    return complete;
}

bool SendDownState(const std::string& message) {
    HANDLE pipe = OpenClientPipe(kDownStatePipe);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(pipe, message.c_str(), static_cast<DWORD>(message.size() + 1), &n, nullptr) &&
              n == message.size() + 1;
    // Returns once the client has read it, so messages arrive in the order they were written.
    FlushFileBuffers(pipe);
    CloseHandle(pipe);
    return ok;
}
