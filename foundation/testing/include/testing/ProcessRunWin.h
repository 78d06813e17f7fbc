#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

// Starting a program of the build from a test, waiting for it and reading its windows from outside.
namespace vxtest {

// Polls `done` every 20 ms until it holds or `ms` passed.
inline bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

struct FindWindowState {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found;
};

inline BOOL CALLBACK FindProcessWindowProc(HWND w, LPARAM lp) {
    FindWindowState* s = reinterpret_cast<FindWindowState*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != s->pid || !IsWindowVisible(w) || GetWindow(w, GW_OWNER)) return TRUE;
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (s->windowClass && lstrcmpW(name, s->windowClass) != 0) return TRUE;
    s->found = w;
    return FALSE;
}

// The visible top-level window of a process that no other window owns (of `windowClass` when
// given), else null.
inline HWND FindProcessWindow(DWORD pid, const wchar_t* windowClass = nullptr) {
    FindWindowState state{pid, windowClass, nullptr};
    EnumWindows(FindProcessWindowProc, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// One started (or attached) process; the destructor ends it when it still runs.
class CProcessRun {
public:
    CProcessRun() = default;
    ~CProcessRun() { Kill(); }
    CProcessRun(const CProcessRun&) = delete;
    CProcessRun& operator=(const CProcessRun&) = delete;

    // `line` in the system code page: the quoted program path, then its arguments.
    bool StartLine(std::string line) {
        Kill();
        STARTUPINFOA si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
        return true;
    }
    bool Start(const std::string& program, const std::string& arguments) {
        return StartLine("\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments));
    }
    // Takes over a process started by someone else.
    bool Attach(DWORD pid) {
        Kill();
        m_process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        m_pid = pid;
        return m_process != nullptr;
    }
    HANDLE Process() const { return m_process; }
    DWORD Pid() const { return m_pid; }

    // The exit code, or STILL_ACTIVE when it did not end within `ms`.
    DWORD WaitExit(DWORD ms) {
        if (!m_process) return STILL_ACTIVE;
        WaitForSingleObject(m_process, ms);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process, &code);
        return code;
    }
    void Kill() {
        if (!m_process) return;
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process, 9);
            WaitForSingleObject(m_process, 10000);
        }
        CloseHandle(m_process);
        m_process = nullptr;
    }

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

inline RECT WindowRect(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

// A point of the window, given relative to its top-left corner, on the screen.
inline POINT At(HWND w, int x, int y) {
    const RECT r = WindowRect(w);
    return POINT{r.left + x, r.top + y};
}

// The colour of a screen pixel. Wine answers CLR_INVALID for another process's window DC, so
// pixels are read from the screen.
inline COLORREF ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

}  // namespace vxtest
