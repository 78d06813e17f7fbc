#pragma once
#include <windows.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/VersionResourceWin.h"
#include "../src/AddMissionPipeWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

// Helpers of the bridge's Windows tests: the test thread pumps its messages while it waits, since
// the bridge's notifications reach observers on the thread that registered them.
namespace bridge_testing {

inline std::string ProgramFolder() {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    return folder;
}

inline void PumpOnce() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs the thread's messages until `done` holds or `limitMs` passed; the last `done`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpOnce();
        if (done()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// A copy of `source` at `target` carrying a VERSIONINFO resource with that file version.
inline bool InstallStampedCopy(const std::string& source, const std::string& target, WORD a, WORD b, WORD c, WORD d) {
    if (!Dir::MakeDir(Dir::GetFilePath(target))) return false;
    std::wstring wide = Charset::String2WString(target);
    if (!CopyFileW(Charset::String2WString(source).c_str(), wide.c_str(), FALSE)) return false;

    return StampFileVersion(target, a, b, c, d);
}

// Asks the add-mission pipe for a mission, as the player does. True when a reply ending in NUL
// came; `reply` holds it without the NUL (empty when nothing came).
inline bool RequestMission(const std::string& request, std::string& reply) {
    reply.clear();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileA(kAddMissionPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeA(kAddMissionPipeName, 1000);
            else Sleep(50);
        }
    }
    if (pipe == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
        if (bytes.back() == '\0') break;
    }
    CloseHandle(pipe);
    if (bytes.empty() || bytes.back() != '\0') {
        reply = bytes;
        return false;
    }
    reply.assign(bytes, 0, bytes.size() - 1);
    return true;
}

// A window's text in the system code page.
inline std::string WindowText(HWND hwnd) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(hwnd, buffer, 1024);
    return Charset::WString2String(buffer);
}

struct WindowSearch {
    std::wstring caption;
    bool visibleOnly;
    HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (s->caption == title && (!s->visibleOnly || IsWindowVisible(hwnd))) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A top-level window of this thread with that caption (visible ones only when asked), or null.
inline HWND FindOwnWindow(const std::string& caption, bool visibleOnly) {
    WindowSearch search{Charset::String2WString(caption), visibleOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Calls `step` from a thread timer every 30 ms inside whatever message loop the thread runs (a
// modal dialog's too), until the step returns false. Stops on destruction.
class TimerDriver {
public:
    explicit TimerDriver(std::function<bool()> step) {
        s_step = std::move(step);
        m_timer = SetTimer(nullptr, 0, 30, &TimerDriver::Fire);
    }
    ~TimerDriver() {
        KillTimer(nullptr, m_timer);
        s_step = nullptr;
    }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
        if (s_busy || !s_step) return;  // a step that opens a nested loop must not be re-entered
        s_busy = true;
        if (!s_step()) s_step = nullptr;
        s_busy = false;
    }
    UINT_PTR m_timer;
    static inline std::function<bool()> s_step;
    static inline bool s_busy = false;
};

// A misbehaving client of a bridge pipe: connects, writes `request` (when given) and then neither
// reads nor closes; when the bridge drops it, it comes back a moment later, until destroyed. It never blocks,
// so a bridge that waits for it for ever makes a test fail, not hang.
class SilentClient {
public:
    explicit SilentClient(const char* pipeName, std::string request = std::string())
        : m_thread([this, pipeName, request] {
              while (!m_stop) {
                  HANDLE pipe = CreateFileA(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                  if (pipe == INVALID_HANDLE_VALUE) {
                      Sleep(5);
                      continue;
                  }
                  ++m_connections;
                  DWORD written = 0;
                  if (!request.empty()) WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
                  DWORD available = 0;
                  while (!m_stop && PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) Sleep(5);
                  CloseHandle(pipe);
                  // A pause before coming back lets a waiting well-behaved client in first.
                  Sleep(50);
              }
          }) {}
    ~SilentClient() {
        m_stop = true;
        m_thread.join();
    }
    int Connections() const { return m_connections; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

}  // namespace bridge_testing
