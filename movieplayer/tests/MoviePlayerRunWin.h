#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "vxlib/Dir.h"

// Starts the built movie player and reads it from outside: its window, its command line as the
// system holds it, the screen under its caption. Mouse input goes in at the X server (xdotool),
// keys through SendInput.
namespace movietest {

inline bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

inline std::string PlayerPath() {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    return folder + "VxMdMoviePlayer.exe";
}

struct FindWindowState {
    DWORD pid;
    HWND found;
};

inline BOOL CALLBACK FindProcessWindowProc(HWND w, LPARAM lp) {
    FindWindowState* state = reinterpret_cast<FindWindowState*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != state->pid || !IsWindowVisible(w) || GetWindow(w, GW_OWNER)) return TRUE;
    state->found = w;
    return FALSE;
}

// The visible top-level window of a process that no other window owns, else null.
inline HWND FindProcessWindow(DWORD pid) {
    FindWindowState state{pid, nullptr};
    EnumWindows(FindProcessWindowProc, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// The command line another process was started with, as the system keeps it in its parameters.
inline std::wstring ProcessCommandLine(HANDLE process) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return std::wstring();
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return std::wstring();
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!line.empty() &&
        !ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length, nullptr))
        return std::wstring();
    return line;
}

// Movie player processes whose parent is `parent` (0: any), newest last.
inline std::vector<DWORD> PlayerProcesses(DWORD parent = 0) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry = {sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"VxMdMoviePlayer.exe") == 0 && (!parent || entry.th32ParentProcessID == parent))
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

class CPlayerRun {
public:
    CPlayerRun() = default;
    ~CPlayerRun() { Kill(); }
    CPlayerRun(const CPlayerRun&) = delete;
    CPlayerRun& operator=(const CPlayerRun&) = delete;

    // `arguments` in the system code page, after the quoted program path.
    bool Start(const std::string& arguments) {
        std::string line = "\"" + PlayerPath() + "\" " + arguments;
        STARTUPINFOA si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
        return true;
    }
    // Takes over a player started by someone else.
    bool Attach(DWORD pid) {
        m_process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        m_pid = pid;
        return m_process != nullptr;
    }
    HWND WaitWindow(DWORD ms = 15000) {
        WaitUntil([&] { return (m_window = FindProcessWindow(m_pid)) != nullptr; }, ms);
        return m_window;
    }
    HWND Window() const { return m_window; }
    HANDLE Process() const { return m_process; }
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
    HWND m_window = nullptr;
};

inline RECT WindowRect(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

// Mouse input at the X server, as the mouse gives it (xdotool through XTEST): a press grabs the
// pointer for the window under it, so moves outside the window still reach it. SendInput cannot
// stand in here: under Wine its moves outside every window reach no window, capture or not.
// xdotool is a Linux program; Wine starts it through the shell, which leaves a marker when it is
// done, so each call returns once its input is in the X server's queue.
inline bool HasXdotool() { return GetFileAttributesA("Z:\\usr\\bin\\xdotool") != INVALID_FILE_ATTRIBUTES; }

inline bool Xdotool(const std::string& commands) {
    static int s_calls = 0;
    const std::string marker =
        "/tmp/vx-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_calls);
    std::string windowsMarker = "Z:" + marker;
    for (char& c : windowsMarker)
        if (c == '/') c = '\\';
    std::string line = "Z:\\bin\\sh -c \"xdotool " + commands + "; : >" + marker + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    const bool done = WaitUntil([&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
    DeleteFileA(windowsMarker.c_str());
    return done;
}

inline bool MoveTo(POINT screen) {
    return Xdotool("mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y));
}

inline bool PressLeft(bool down) { return Xdotool(down ? "mousedown 1" : "mouseup 1"); }

inline void PressKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

// A point of the window, given relative to its top-left corner, on the screen.
inline POINT At(HWND w, int x, int y) {
    const RECT r = WindowRect(w);
    return POINT{r.left + x, r.top + y};
}

// A click at a point of the window (relative to its top-left corner).
inline bool ClickAt(HWND w, int x, int y) {
    const POINT p = At(w, x, y);
    return Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
}

// The colour of a screen pixel.
inline COLORREF ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// A 16 x 16 icon file of one colour.
inline std::string SolidIcon(BYTE r, BYTE g, BYTE b) {
    const int size = 16;
    std::string file;
    auto put16 = [&](WORD v) { file.append(reinterpret_cast<const char*>(&v), 2); };
    auto put32 = [&](DWORD v) { file.append(reinterpret_cast<const char*>(&v), 4); };
    const DWORD pixels = size * size * 4, mask = size * 4;
    put16(0), put16(1), put16(1);                                                      // ICONDIR
    file += static_cast<char>(size), file += static_cast<char>(size), file += '\0', file += '\0';
    put16(1), put16(32), put32(40 + pixels + mask), put32(6 + 16);                     // ICONDIRENTRY
    put32(40), put32(size), put32(size * 2), put16(1), put16(32), put32(0), put32(pixels + mask);
    put32(0), put32(0), put32(0), put32(0);                                            // BITMAPINFOHEADER
    for (int i = 0; i < size * size; ++i) {
        file += static_cast<char>(b), file += static_cast<char>(g), file += static_cast<char>(r);
        file += static_cast<char>(0xFF);
    }
    file.append(mask, '\0');
    return file;
}

}  // namespace movietest
