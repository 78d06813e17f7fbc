#pragma once
#include <windows.h>

#include <string>

#include "testing/ProcessRunWin.h"

// Mouse input at the X server, as the mouse gives it (xdotool through XTEST): a press grabs the
// pointer for the window under it, so moves outside the window still reach it. SendInput cannot
// stand in here: under Wine its moves outside every window reach no window, capture or not.
// xdotool is a Linux program; Wine starts it through the shell, which leaves a marker when it is
// done, so each call returns once its input is in the X server's queue.
namespace vxtest {

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

// A click at a point of the window (relative to its top-left corner).
inline bool ClickAt(HWND w, int x, int y) {
    const POINT p = At(w, x, y);
    return Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
}

}  // namespace vxtest
