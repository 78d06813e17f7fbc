#pragma once
#include <windows.h>

#include <atomic>

// Bounded waits for the bridge's pipe servers: a client that connects and then neither writes nor
// reads must not hold a server thread, whose sweeps and polls would stop with it. Any thread.
namespace pipewait {

enum class Io { kDone, kFailed, kTimedOut, kStopped };

// Completes an overlapped operation on `pipe` whose start returned `started`, waiting at most
// `limitMs`. `stop` is looked at before every wait: the server's stop sets it and then signals
// ov.hEvent. On time-out or stop the operation is cancelled and settled, so `ov` may go away.
inline Io Complete(HANDLE pipe, OVERLAPPED& ov, BOOL started, DWORD limitMs, const std::atomic<bool>& stop,
                   DWORD& bytes) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return Io::kFailed;
    const DWORD begin = GetTickCount();
    for (;;) {
        // The event may be stale or a stop's: only the operation's own status counts.
        if (HasOverlappedIoCompleted(&ov)) return GetOverlappedResult(pipe, &ov, &bytes, FALSE) ? Io::kDone : Io::kFailed;
        const DWORD used = GetTickCount() - begin;
        if (stop || used >= limitMs) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, &ov, &bytes, TRUE);
            return stop ? Io::kStopped : Io::kTimedOut;
        }
        WaitForSingleObject(ov.hEvent, limitMs - used);
    }
}

}  // namespace pipewait
