// The remote-control helpers and the built walker against a fake main window in another process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "RemoteControlsWin.h"
#include "FrameConstants.h"
#include "resource.h"

namespace {

const DWORD kWaitMs = 20000;  // a bound for things that should happen, never a timing check

std::string BinPath(const char* name) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

template <class Condition>
bool WaitFor(Condition condition) {
    for (DWORD waited = 0; !condition(); waited += 50) {
        if (waited >= kWaitMs) return false;
        Sleep(50);
    }
    return true;
}

// A child process, optionally with its stdin and stdout on pipes of ours.
class CChild {
public:
    CChild(const std::string& commandLine, bool pipes) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        HANDLE childIn = nullptr, childOut = nullptr;
        if (pipes) {
            SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
            CreatePipe(&childIn, &m_in, &sa, 0);
            CreatePipe(&m_out, &childOut, &sa, 0);
            SetHandleInformation(m_in, HANDLE_FLAG_INHERIT, 0);
            SetHandleInformation(m_out, HANDLE_FLAG_INHERIT, 0);
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = childIn;
            si.hStdOutput = childOut;
            si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        }
        std::string line = commandLine;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, pipes, 0, nullptr, nullptr, &si, &pi)) {
            m_process = pi.hProcess;
            CloseHandle(pi.hThread);
        }
        if (childIn) CloseHandle(childIn);
        if (childOut) CloseHandle(childOut);
    }
    ~CChild() {
        if (m_process) {
            if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) TerminateProcess(m_process, 9);
            CloseHandle(m_process);
        }
        if (m_in) CloseHandle(m_in);
        if (m_out) CloseHandle(m_out);
    }

    bool Started() const { return m_process != nullptr; }

    // One line of its stdout without the line break; false at the end of its output.
    bool ReadLine(std::string& line) {
        line.clear();
        char c;
        DWORD n = 0;
        while (ReadFile(m_out, &c, 1, &n, nullptr) && n == 1) {
            if (c == '\n') return true;
            if (c != '\r') line += c;
        }
        return !line.empty();
    }

    void WriteLine() {
        DWORD n = 0;
        WriteFile(m_in, "\n", 1, &n, nullptr);
    }

    // Exit code, or -1 when it did not end in time.
    int Wait() {
        DWORD code = static_cast<DWORD>(-1);
        if (m_process && WaitForSingleObject(m_process, kWaitMs) == WAIT_OBJECT_0) GetExitCodeProcess(m_process, &code);
        return static_cast<int>(code);
    }

private:
    HANDLE m_process = nullptr;
    HANDLE m_in = nullptr;
    HANDLE m_out = nullptr;
};

HWND WaitForFrame() {
    HWND frame = nullptr;
    WaitFor([&] { return (frame = FindWindowW(frame::kFrameClass, nullptr)) != nullptr; });
    return frame;
}

std::vector<std::wstring> Texts(HWND tree, HTREEITEM parent) {
    std::vector<std::wstring> texts;
    for (HTREEITEM item : remote::TreeChildren(tree, parent)) texts.push_back(remote::TreeItemText(tree, item));
    return texts;
}

TEST(RemoteControls, ReadAndDriveTheTreeListAndStatusBarOfAnotherProcess) {
    CChild fake("\"" + BinPath("screenwalk_fakeframe.exe") + "\"", false);
    ASSERT_TRUE(fake.Started());
    HWND frame = WaitForFrame();
    ASSERT_NE(nullptr, frame);
    HWND tree = nullptr, list = nullptr, status = nullptr;
    ASSERT_TRUE(WaitFor([&] {  // the frame's children come after the frame
        tree = remote::FindDescendant(frame, WC_TREEVIEWW, IDC_FRAME_TREE);
        list = remote::FindDescendant(frame, WC_LISTVIEWW, IDC_CONTAINER_LIST);
        status = remote::FindDescendant(frame, STATUSCLASSNAMEW, IDC_FRAME_STATUS);
        return tree && list && status;
    }));
    EXPECT_EQ(nullptr, remote::FindDescendant(frame, WC_TREEVIEWW, IDC_CONTAINER_LIST));

    ASSERT_TRUE(WaitFor([&] { return remote::TreeItemText(tree, remote::TreeRoot(tree)) == L"Vx音乐网盘"; }));
    EXPECT_EQ((std::vector<std::wstring>{L"Vx音乐网盘", L"排行榜", L"歌手库", L"精选MV与专辑", L"视频", L"每周推荐"}),
              Texts(tree, nullptr));
    HTREEITEM charts = remote::FindTreeChild(tree, nullptr, L"排行榜");
    ASSERT_NE(nullptr, charts);
    EXPECT_EQ(nullptr, remote::FindTreeChild(tree, nullptr, L"新歌榜"));  // only the level asked for
    EXPECT_EQ((std::vector<std::wstring>{L"新歌榜", L"热歌榜"}), Texts(tree, charts));
    EXPECT_TRUE(remote::TreeExpand(tree, charts));

    // The first top-level list was opened with the tree; choosing a chart empties the list, then fills it.
    ASSERT_TRUE(WaitFor([&] { return remote::ListRowCount(list) == 3; }));
    HTREEITEM hot = remote::FindTreeChild(tree, charts, L"热歌榜");
    ASSERT_TRUE(remote::TreeSelect(tree, hot));
    EXPECT_EQ(hot, remote::TreeSelection(tree));
    EXPECT_EQ(0, remote::ListRowCount(list));
    ASSERT_TRUE(WaitFor([&] { return remote::ListRowCount(list) == 5; }));
    EXPECT_EQ(L"歌曲5", remote::ListCellText(list, 4, 0));
    EXPECT_EQ(L"歌手5", remote::ListCellText(list, 4, 1));
    EXPECT_EQ(1004, remote::ListItemData(list, 4));
    EXPECT_EQ(L"", remote::ListCellText(list, 5, 0));
    EXPECT_EQ(L" 5 个对象", remote::StatusText(status));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, fake.Wait());
}

TEST(ScreenWalk, StepsThroughTreeChartSingersAndASearchWaitingForTheGoAheadAndClosesTheProgram) {
    CChild fake("\"" + BinPath("screenwalk_fakeframe.exe") + "\"", false);
    ASSERT_TRUE(fake.Started());
    CChild walker("\"" + BinPath("VxMdScreenWalk.exe") + "\" --timeout 20", true);
    ASSERT_TRUE(walker.Started());
    std::vector<std::string> steps, infos;
    std::string line;
    while (walker.ReadLine(line)) {
        if (line.compare(0, 5, "info ") == 0) {
            infos.push_back(line);
            continue;
        }
        steps.push_back(line);
        if (line.find("-ready") != std::string::npos) walker.WriteLine();
    }
    EXPECT_EQ((std::vector<std::string>{"tree-ready", "list-ready 5", "singers-ready", "search-popup-ready",
                                        "search-results-ready", "done"}),
              steps);
    ASSERT_EQ(5u, infos.size());
    EXPECT_EQ(u8"info tree: Vx音乐网盘 | 排行榜 | 歌手库 | 精选MV与专辑 | 视频 | 每周推荐", infos[0]);
    EXPECT_EQ(u8"info chart: 新歌榜, first row: 歌曲1 / 歌手1", infos[1]);
    EXPECT_EQ(0u, infos[2].find(u8"info singers: 港台男歌手, 0 items below, 0 rows"));
    EXPECT_EQ("info suggestions for Kes: 2 rows, first: Kesa\t\xE7\xBA\xA6" "3\xE9\xA6\x96", infos[3]);
    EXPECT_EQ(0u, infos[4].find(u8"info search: 4 rows, tabs: 全部(4)|音乐(4)|视频(0)"));
    EXPECT_EQ(0, walker.Wait());
    EXPECT_EQ(0, fake.Wait());  // closed by the walker
}

TEST(ScreenWalk, WithoutAMainWindowItSaysSoAndFails) {
    ASSERT_EQ(nullptr, FindWindowW(frame::kFrameClass, nullptr));
    CChild walker("\"" + BinPath("VxMdScreenWalk.exe") + "\" --timeout 1", true);
    ASSERT_TRUE(walker.Started());
    std::string line;
    ASSERT_TRUE(walker.ReadLine(line));
    EXPECT_EQ(0u, line.find("error no main window"));
    EXPECT_EQ(1, walker.Wait());
}

}  // namespace
