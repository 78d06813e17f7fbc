#pragma once
#include <windows.h>

#include <string>

// The client's half of the benchmark's baseline exchange, shaped like the player's mission fetch:
// connect, write the request, read the reply up to its NUL, close. Shared by the bench's
// in-process client and the helper program. Every wait ends within `boundMs`.
namespace bridge_bench {

inline bool AskPipe(const char* name, const std::string& request, std::string& reply, DWORD boundMs) {
    reply.clear();
    const DWORD began = GetTickCount();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    while ((pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) ==
           INVALID_HANDLE_VALUE) {
        if (GetTickCount() - began >= boundMs) return false;
        if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeA(name, 50);
        else Sleep(1);
    }
    DWORD n = 0;
    bool complete = false;
    // The server bounds the exchange and disconnects, so the blocking calls end.
    if (WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &n, nullptr)) {
        char buffer[4096];
        while (!complete && ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            reply.append(buffer, n);
            complete = reply.back() == '\0';
        }
    }
    CloseHandle(pipe);
    if (complete) reply.pop_back();
    return complete;
}

}  // namespace bridge_bench
