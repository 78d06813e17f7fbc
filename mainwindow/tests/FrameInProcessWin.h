#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "CommandLine.h"
#include "FrameConstants.h"
#include "MainFrameWin.h"
#include "RemoteControlsWin.h"
#include "config/ConfigManager.h"
#include "http/VxHttpRequestMgr.h"
#include "resource.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Charset.h"

// The main frame made in this process rather than in the built program, so that its window objects
// can be looked at. No server answers: the catalogue finds no tree, which the frame shows, and the
// built-in tree command builds its own. The timers that would start the daily report and the
// updater are stopped. One per process: the catalogue's facade, made by the first, stays.
class CFrameInProcess {
public:
    CFrameInProcess() : m_frame(m_commandLine), m_first(++FramesMade() == 1) {
        AfxGetConfigManager()->SetString("Servers", "All", "http://127.0.0.1:9");
        AfxGetHttpRequestMgr()->Init(0, (m_root.Path() + "\\http").c_str());
        AfxGetFileCache()->Init(0, (m_root.Path() + "\\cache").c_str());
        AfxGetHtchFileMgr()->SetRequestMgr(AfxGetHttpRequestMgr());
        AfxGetHtchFileMgr()->SetFileCache(AfxGetFileCache());
        m_hwnd = m_frame.CreateFrame();
        if (!m_hwnd) return;
        for (UINT timer : {frame::kTimerSendInfo, frame::kTimerUpdateMelodisk, frame::kTimerUpdatePlaydeck})
            ::KillTimer(m_hwnd, timer);
        // Shown, as the program shows it: the status bar lays out its panes only then.
        ::ShowWindow(m_hwnd, SW_SHOW);
    }
    ~CFrameInProcess() {
        if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    }
    CFrameInProcess(const CFrameInProcess&) = delete;
    CFrameInProcess& operator=(const CFrameInProcess&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    // The catalogue answers the first frame of the process only (its facade stays).
    bool FirstInProcess() const { return m_first; }
    CMainFrame& Frame() { return m_frame; }

    // Runs this thread's messages until `done` or `ms` passed; returns done().
    static bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
        const DWORD start = ::GetTickCount();
        while (!done()) {
            if (::GetTickCount() - start > ms) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        return true;
    }
    // Until the catalogue's answer is shown in the tree: no tree.
    bool WaitTreeFailed(DWORD ms = 60000) const {
        return PumpUntil([&] { return TreeRootText() == frame::kTreeLoadFailed; }, ms);
    }
    std::string TreeRootText() const {
        HWND tree = remote::FindDescendant(m_hwnd, WC_TREEVIEWW, IDC_FRAME_TREE);
        return Charset::WString2String(remote::TreeItemText(tree, remote::TreeRoot(tree)));
    }
    // The built-in tree command: on, the frame builds its own tree; off, it shows the failure again.
    void ToggleBuiltInTree() const { ::SendMessageW(m_hwnd, WM_COMMAND, ID_BUILTIN_TREE, 0); }
    HICON StatusIcon() const {
        HWND status = remote::FindDescendant(m_hwnd, STATUSCLASSNAMEW, IDC_FRAME_STATUS);
        return reinterpret_cast<HICON>(::SendMessageW(status, SB_GETICON, 2, 0));
    }

private:
    static int& FramesMade() {
        static int s_made = 0;
        return s_made;
    }

    ScopedDataRoot m_root{"frame"};
    CCommandLine m_commandLine;
    CMainFrame m_frame;
    HWND m_hwnd = nullptr;
    bool m_first;
};

// Whether an icon handle of this process still stands for an icon.
inline bool IconAlive(HICON icon) {
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    return true;
}
