// VxMdScreenWalk.exe: walks the running main window through a few screens for the run command,
// which captures the screen between the steps.
//
//   VxMdScreenWalk.exe [--timeout SECONDS] [--keep-open]
//
// Protocol on stdout (one line each, flushed): "tree-ready", "list-ready <rows>", "singers-ready",
// "search-popup-ready", "search-results-ready", "done"; "info <text>" lines (UTF-8) say what was seen; "error <text>" ends the walk (exit code 1).
// After each "...-ready" line the walker reads one line from stdin before it goes on (end of input
// goes on at once). After the last step the main window is closed (WM_CLOSE) and its process
// awaited, unless --keep-open. Each wait ends after SECONDS (default 90).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FrameConstants.h"
#include "RemoteControlsWin.h"
#include "resource.h"

namespace {

const DWORD kPollMs = 100;
// The screen counts as settled once nothing we watch has changed for this long.
const DWORD kSettleMs = 1500;

const wchar_t kChartsText[] = L"排行榜";
// Typed into the search box: the demo catalogue has singers, songs and videos of this name.
const char kSearchTyped[] = "Kes";
const wchar_t kSingersText[] = L"歌手库";

std::wstring FromGbk(const char* text) {
    int n = MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(936, 0, text, -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void WaitForGoAhead() {
    char line[256];
    std::fgets(line, sizeof line, stdin);  // end of input: go on
}

class CScreenWalk {
public:
    explicit CScreenWalk(DWORD timeoutMs) : m_timeoutMs(timeoutMs) {}

    bool FindFrame() {
        return WaitFor([this] {
            m_frame = FindWindowW(frame::kFrameClass, nullptr);
            if (!m_frame) return false;
            m_tree = remote::FindDescendant(m_frame, WC_TREEVIEWW, IDC_FRAME_TREE);
            m_list = remote::FindDescendant(m_frame, WC_LISTVIEWW, IDC_CONTAINER_LIST);
            m_status = remote::FindDescendant(m_frame, STATUSCLASSNAMEW, IDC_FRAME_STATUS);
            return m_tree && m_list;
        }) || Fail("no main window with its tree and song list (class VxMelodiskMainFrame)");
    }

    bool Tree() {
        std::wstring loading = FromGbk(frame::kTreeLoading), failed = FromGbk(frame::kTreeLoadFailed);
        std::wstring root;
        if (!WaitFor([&] {
                root = remote::TreeItemText(m_tree, remote::TreeRoot(m_tree));
                return !root.empty() && root != loading;
            }))
            return Fail("the tree still shows \"" + Utf8(loading) + "\"");
        if (root == failed) return Fail("the tree shows \"" + Utf8(failed) + "\"");
        std::wstring names;
        for (HTREEITEM item : remote::TreeChildren(m_tree, nullptr))
            names += (names.empty() ? L"" : L" | ") + remote::TreeItemText(m_tree, item);
        Settle();
        Say("info tree: " + Utf8(names));
        Say("tree-ready");
        return true;
    }

    bool Chart() {
        HTREEITEM chart = nullptr;
        if (!SelectFirstChildOf(kChartsText, true, chart)) return false;
        int rows = 0;
        if (!WaitFor([&] { return (rows = remote::ListRowCount(m_list)) > 0; }))
            return Fail("the chart's songs never arrived in the list");
        Settle();
        rows = remote::ListRowCount(m_list);
        Say("info chart: " + Utf8(remote::TreeItemText(m_tree, chart)) + ", first row: " +
            Utf8(remote::ListCellText(m_list, 0, 0)) + " / " + Utf8(remote::ListCellText(m_list, 0, 1)));
        Say("list-ready " + std::to_string(rows));
        return true;
    }

    bool Singers() {
        HTREEITEM category = nullptr;
        if (!SelectFirstChildOf(kSingersText, false, category)) return false;
        Settle();
        Say("info singers: " + Utf8(remote::TreeItemText(m_tree, category)) + ", " +
            std::to_string(remote::TreeChildren(m_tree, category).size()) + " items below, " +
            std::to_string(remote::ListRowCount(m_list)) + " rows, status: " + Utf8(Status()));
        Say("singers-ready");
        return true;
    }

    // Clicks into the search field and types, as a user would, until the suggestions show.
    bool SearchPopup() {
        m_edit = remote::FindDescendant(m_frame, L"CSearchEdit", IDC_SEARCH_EDIT);
        if (!m_edit) return Fail("no search field (class CSearchEdit)");
        remote::ClickAt(m_edit, POINT{4, 4}, WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP);
        // The click is posted: typing before it arrives would go into the cue text.
        if (!WaitFor([&] { return remote::WindowText(m_edit).empty(); }))
            return Fail("the search field kept its cue after a click into it");
        for (const char* c = kSearchTyped; *c; ++c) SendToEdit(WM_CHAR, static_cast<WPARAM>(*c));
        std::wstring rows;
        if (!WaitFor([&] {
                HWND popup = Popup();
                rows = popup && IsWindowVisible(popup) ? remote::WindowText(popup) : std::wstring();
                return !rows.empty();
            }))
            return Fail("no suggestions showed for \"" + std::string(kSearchTyped) + "\"");
        Settle();
        Say("info suggestions for " + std::string(kSearchTyped) + ": " +
            std::to_string(std::count(rows.begin(), rows.end(), L'\n') + 1) + " rows, first: " +
            Utf8(rows.substr(0, rows.find(L'\n'))));
        Say("search-popup-ready");
        return true;
    }

    // Enter in the field: the search runs and its songs fill the list under the result tabs.
    bool SearchResults() {
        HWND tabs = remote::FindDescendant(m_frame, L"VxMd_NavigateBarTab", IDC_CONTAINER_TABS);
        SendToEdit(WM_KEYDOWN, VK_RETURN);
        if (!WaitFor([&] {
                return remote::ListRowCount(m_list) > 0 && tabs && IsWindowVisible(tabs) &&
                       !(Popup() && IsWindowVisible(Popup()));
            }))
            return Fail("the search's rows never showed under the result tabs");
        Settle();
        Say("info search: " + std::to_string(remote::ListRowCount(m_list)) + " rows, tabs: " +
            Utf8(remote::WindowText(tabs)) + ", status: " + Utf8(Status()));
        Say("search-results-ready");
        return true;
    }

    bool Close() {
        DWORD pid = 0;
        GetWindowThreadProcessId(m_frame, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        PostMessageW(m_frame, WM_CLOSE, 0, 0);
        bool ended = process && WaitForSingleObject(process, m_timeoutMs) == WAIT_OBJECT_0;
        if (process) CloseHandle(process);
        return ended || Fail("the main window program did not end after WM_CLOSE");
    }

private:
    template <class Condition>
    bool WaitFor(Condition condition) {
        DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start >= m_timeoutMs) return false;
            Sleep(kPollMs);
        }
        return true;
    }

    // Expands a top-level item and selects its first child as a click would. With waitForNewList the
    // walk then waits until the list has let go of the rows it showed before (opening a list empties
    // it first), so that a later wait for rows sees the new list's own.
    bool SelectFirstChildOf(const wchar_t* parentText, bool waitForNewList, HTREEITEM& child) {
        HTREEITEM parent = remote::FindTreeChild(m_tree, nullptr, parentText);
        if (!parent) return Fail("no top-level tree item \"" + Utf8(parentText) + "\"");
        remote::TreeExpand(m_tree, parent);
        if (!WaitFor([&] { return (child = remote::TreeNext(m_tree, parent, TVGN_CHILD)) != nullptr; }))
            return Fail("\"" + Utf8(parentText) + "\" has no children");
        int rowsBefore = remote::ListRowCount(m_list);
        std::wstring textBefore = remote::ListCellText(m_list, 0, 0);
        LPARAM dataBefore = remote::ListItemData(m_list, 0);
        if (!remote::TreeSelect(m_tree, child) || remote::TreeSelection(m_tree) != child)
            return Fail("the first item below \"" + Utf8(parentText) + "\" could not be selected");
        if (waitForNewList && rowsBefore > 0)
            WaitFor([&] {
                return remote::ListRowCount(m_list) == 0 || remote::ListCellText(m_list, 0, 0) != textBefore ||
                       remote::ListItemData(m_list, 0) != dataBefore;
            });
        return true;
    }

    std::wstring Status() { return m_status ? remote::StatusText(m_status) : std::wstring(); }

    void SendToEdit(UINT msg, WPARAM wp) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(m_edit, msg, wp, 1, SMTO_NORMAL, m_timeoutMs, &ignored);
    }

    // The search box's popup of the program (a top-level window of its thread).
    HWND Popup() {
        DWORD program = 0;
        GetWindowThreadProcessId(m_frame, &program);
        for (HWND w = FindWindowW(L"CSearchPopupDlg", nullptr); w; w = FindWindowExW(nullptr, w, L"CSearchPopupDlg", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == program) return w;
        }
        return nullptr;
    }

    // Waits (within the time-out) until the rows, the status text and the tree stay the same for
    // kSettleMs, so that a capture shows a finished screen rather than one half painted.
    void Settle() {
        // Out of the window: a pointer left over a row shows it hot in the capture. Two moves, since
        // Wine takes a move to where it believes the pointer to be (at first 0,0) as none; and only
        // once the window is up, as Wine lost earlier moves.
        SetCursorPos(1, 1);
        SetCursorPos(0, 0);
        std::wstring last;
        DWORD stableSince = GetTickCount();
        WaitFor([&] {
            std::wstring now = std::to_wstring(remote::ListRowCount(m_list)) + L"|" + Status() + L"|" +
                               std::to_wstring(reinterpret_cast<UINT_PTR>(remote::TreeSelection(m_tree))) + L"|" +
                               std::to_wstring(remote::TreeChildren(m_tree, nullptr).size());
            if (now != last) {
                last = now;
                stableSince = GetTickCount();
            }
            return GetTickCount() - stableSince >= kSettleMs;
        });
    }

    bool Fail(const std::string& what) {
        Say("error " + what);
        return false;
    }

    DWORD m_timeoutMs;
    HWND m_frame = nullptr;
    HWND m_tree = nullptr;
    HWND m_list = nullptr;
    HWND m_status = nullptr;
    HWND m_edit = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    DWORD timeoutSeconds = 90;
    bool keepOpen = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeoutSeconds = static_cast<DWORD>(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--keep-open") == 0) {
            keepOpen = true;
        } else {
            std::fprintf(stderr, "usage: VxMdScreenWalk [--timeout SECONDS] [--keep-open]\n");
            return 2;
        }
    }
    CScreenWalk walk(timeoutSeconds * 1000);
    if (!walk.FindFrame() || !walk.Tree()) return 1;
    WaitForGoAhead();
    if (!walk.Chart()) return 1;
    WaitForGoAhead();
    if (!walk.Singers()) return 1;
    WaitForGoAhead();
    if (!walk.SearchPopup()) return 1;
    WaitForGoAhead();
    if (!walk.SearchResults()) return 1;
    WaitForGoAhead();
    if (!keepOpen && !walk.Close()) return 1;
    Say("done");
    return 0;
}
