#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "FrameConstants.h"
#include "RemoteControlsWin.h"
#include "resource.h"
#include "testing/ProcessRunWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

// Starts the built main program (VxMelodisk.exe beside the test program) the way a user or the
// system would, and finds its windows. The program inherits the environment, so a ScopedDataRoot
// of the caller moves its folders too.
class CProgramRun : public vxtest::CProcessRun {
public:
    static std::string ProgramPath() {
        std::string folder;
        Dir::GetVxPath(PATH_PROGRAM, folder);
        return folder + "VxMelodisk.exe";
    }

    using CProcessRun::Start;  // an installed copy elsewhere
    bool Start(const std::string& arguments = std::string()) { return CProcessRun::Start(ProgramPath(), arguments); }

    static bool WaitUntil(const std::function<bool()>& done, DWORD ms) { return vxtest::WaitUntil(done, ms); }

    // The frame window of this process, once created (its tree then holds an item).
    HWND WaitFrame(DWORD ms = 20000) {
        if (!WaitUntil([&] { return (m_frame = FindFrame(Pid())) && Tree() && remote::TreeRoot(Tree()); }, ms))
            m_frame = nullptr;
        return m_frame;
    }
    static HWND FindFrame(DWORD pid) {
        for (HWND w = FindWindowW(frame::kFrameClass, nullptr); w; w = FindWindowExW(nullptr, w, frame::kFrameClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid) return w;
        }
        return nullptr;
    }
    HWND Frame() const { return m_frame; }
    HWND Tree() const { return remote::FindDescendant(m_frame, WC_TREEVIEWW, IDC_FRAME_TREE); }
    HWND List() const { return remote::FindDescendant(m_frame, WC_LISTVIEWW, IDC_CONTAINER_LIST); }
    HWND Status() const { return remote::FindDescendant(m_frame, STATUSCLASSNAMEW, IDC_FRAME_STATUS); }
    // Closes the window as the user would and waits for the process to end.
    DWORD Close(DWORD ms = 20000) {
        if (m_frame) PostMessageW(m_frame, WM_CLOSE, 0, 0);
        return WaitExit(ms);
    }

    // Tree texts in the program's code page.
    std::string TreeText(HTREEITEM item) const { return Charset::WString2String(remote::TreeItemText(Tree(), item)); }
    HTREEITEM TreeChild(HTREEITEM parent, const std::string& gbk) const {
        return remote::FindTreeChild(Tree(), parent, Charset::String2WString(gbk));
    }
    std::string SelectedTreeText() const { return TreeText(remote::TreeSelection(Tree())); }
    // The top-level tree once it is the catalogue's (not the loading item).
    bool WaitTree(DWORD ms = 30000) const {
        return WaitUntil([&] {
            HTREEITEM root = remote::TreeRoot(Tree());
            std::string text = TreeText(root);
            return root && !text.empty() && text != frame::kTreeLoading;
        }, ms);
    }
    bool WaitRows(DWORD ms = 30000) const {
        return WaitUntil([&] { return remote::ListRowCount(List()) > 0; }, ms);
    }

private:
    HWND m_frame = nullptr;
};
