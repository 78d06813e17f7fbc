#include "vxlib/StringUtility.h"

#include <windows.h>

namespace utility {

void ForceBringToTop(HWND window) {
    if (!window || !IsWindow(window)) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // Windows lets only the foreground thread hand out the foreground: borrow its input state.
    HWND foreground = GetForegroundWindow();
    DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD ownThread = GetCurrentThreadId();
    bool attached = foregroundThread && foregroundThread != ownThread &&
                    AttachThreadInput(ownThread, foregroundThread, TRUE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    SetFocus(window);
    if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
}

}  // namespace utility
