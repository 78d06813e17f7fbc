// Benchmark, not a test: how long the built program takes from its process start to the shown
// catalogue tree when the ranking data is already on disk (against a bare window program), a
// keyword search from Enter to the rows shown (against fetching the same reply alone), the
// program's private bytes after 10 and after 200 rounds of chart, search and back, how long the
// song list takes to take 1000 rows, how long select all and invert take on them in the frame, and
// how many window objects repeated tree builds leave behind. Each line ends with its ratio.
// Run: VX_WITH_SERVER=1 build/win/wine-run build/win/bin/VxMelodiskBench.exe [runs] [rounds]
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "FrameInProcessWin.h"
#include "ProgramRunWin.h"
#include "ReportViewWin.h"
#include "config/ConfigManager.h"
#include "datadef/SongInfo.h"
#include "testing/BenchTimeWin.h"
#include "testing/ProcessRunWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/StringUtility.h"

namespace {

using vxbench::Median;
using vxbench::NowMs;

std::string BenchProgram(const char* name) {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    return folder + name;
}

// Start to a shown window of the bare program, the same way the program is started.
std::vector<double> BareStarts(int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        vxtest::CProcessRun bare;
        const double start = NowMs();
        if (!bare.Start(BenchProgram("VxBareWindowBench.exe"), "")) break;
        HWND window = nullptr;
        if (!vxtest::WaitUntil([&] { return (window = vxtest::FindProcessWindow(bare.Pid())) != nullptr; }, 30000)) break;
        times.push_back(NowMs() - start);
        PostMessageW(window, WM_CLOSE, 0, 0);
        bare.WaitExit(10000);
    }
    return times;
}

void StartToTree(int runs) {
    {
        // The first run downloads the ranking data; later runs find it on disk.
        CProgramRun warm;
        if (!warm.Start() || !warm.WaitFrame() || !warm.WaitTree(60000)) {
            std::printf("start to tree: the program did not show its tree\n");
            return;
        }
        warm.Close();
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        CProgramRun run;
        const double start = NowMs();
        if (!run.Start()) break;
        run.WaitFrame(60000);
        if (!run.WaitTree(60000)) break;
        times.push_back(NowMs() - start);
        run.Close();
    }
    const std::vector<double> bare = BareStarts(runs);
    std::printf("start to tree (cached ranking data): median %.0f ms over %u runs, bare window program %.0f ms, ratio %.1f\n",
                Median(times), static_cast<unsigned>(times.size()), Median(bare),
                Median(bare) > 0 ? Median(times) / Median(bare) : 0.0);
}

// The list's row count and first cell once they have stayed the same for half a second.
bool WaitSteadyRows(HWND list, int& count, std::wstring& first) {
    int lastCount = -1;
    std::wstring lastFirst;
    double since = NowMs();
    return vxtest::WaitUntil([&] {
        const int n = remote::ListRowCount(list);
        const std::wstring text = n > 0 ? remote::ListCellText(list, 0, 0) : std::wstring();
        if (n != lastCount || text != lastFirst) {
            lastCount = n, lastFirst = text, since = NowMs();
            return false;
        }
        if (n <= 0 || NowMs() - since < 500) return false;
        count = n, first = text;
        return true;
    }, 30000);
}

bool ShowsRows(HWND list, int count, const std::wstring& first) {
    return remote::ListRowCount(list) == count && remote::ListCellText(list, 0, 0) == first;
}

// The reply of one address fetched with WinINet alone on an open session, in milliseconds.
double FetchAlone(HINTERNET session, const std::string& address) {
    const double start = NowMs();
    HINTERNET request = InternetOpenUrlA(session, address.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    char buffer[16384];
    DWORD got = 0;
    while (request && InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    }
    const double took = NowMs() - start;
    if (request) InternetCloseHandle(request);
    return took;
}

// The last keyword search address the stand-in server was asked for.
std::string LastSearchAddress() {
    const char* journal = getenv("VX_TEST_SERVER_JOURNAL");
    std::ifstream in(journal ? journal : "");
    std::string found;
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find("\"/r.s?");
        if (at == std::string::npos) continue;
        found = line.substr(at + 1, line.find('"', at + 1) - at - 1);
    }
    return found.empty() ? found : std::string(getenv("VX_TEST_SERVER")) + found;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) return 0;
    // Wine leaves PrivateUsage at 0; the commit charge (PagefileUsage) is the same figure on Windows.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// Rounds of "open the first chart, search, go back" in the running program: the search's time from
// Enter to its rows, and the private bytes after 10 rounds and after all of them.
void SearchRounds(int rounds) {
    CProgramRun run;
    if (!run.Start() || !run.WaitFrame() || !run.WaitTree(60000)) {
        std::printf("search rounds: the program did not show its tree\n");
        return;
    }
    HWND list = run.List();
    HWND edit = remote::FindDescendant(run.Frame(), L"CSearchEdit", IDC_SEARCH_EDIT);
    HTREEITEM charts = run.TreeChild(nullptr, "排行榜");
    remote::TreeExpand(run.Tree(), charts);
    HTREEITEM chart = remote::TreeNext(run.Tree(), charts, TVGN_CHILD);
    const std::wstring keyword = L"Kes";
    auto search = [&] {
        remote::SendOr(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(keyword.c_str()), 0);
        remote::SendOr(edit, WM_KEYDOWN, VK_RETURN, 1, 0);
    };
    int chartRows = 0, searchRows = 0;
    std::wstring chartFirst, searchFirst;
    remote::TreeSelect(run.Tree(), chart);
    if (!edit || !chart || !WaitSteadyRows(list, chartRows, chartFirst)) {
        std::printf("search rounds: no chart to open\n");
        return;
    }
    search();
    if (!WaitSteadyRows(list, searchRows, searchFirst) || searchFirst == chartFirst) {
        std::printf("search rounds: the search showed no rows of its own\n");
        return;
    }
    std::vector<double> searches, fetches;
    SIZE_T afterTen = 0;
    int done = 0;
    for (int round = 1; round <= rounds; ++round) {
        remote::TreeSelect(run.Tree(), chart);
        if (!vxtest::WaitUntil([&] { return ShowsRows(list, chartRows, chartFirst); }, 30000)) break;
        const double start = NowMs();
        search();
        if (!vxtest::WaitUntil([&] { return ShowsRows(list, searchRows, searchFirst); }, 30000)) break;
        searches.push_back(NowMs() - start);
        PostMessageW(run.Frame(), WM_COMMAND, ID_NAV_BACK, 0);
        if (!vxtest::WaitUntil([&] { return ShowsRows(list, chartRows, chartFirst); }, 30000)) break;
        done = round;
        if (round == 10) afterTen = PrivateBytes(run.Process());
    }
    const SIZE_T afterAll = PrivateBytes(run.Process());
    const std::string address = LastSearchAddress();
    HINTERNET session = InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    for (size_t i = 0; i < searches.size() && i < 20 && !address.empty(); ++i) fetches.push_back(FetchAlone(session, address));
    InternetCloseHandle(session);
    run.Close();
    std::printf("keyword search, Enter to %d rows shown: median %.0f ms over %u rounds, its reply fetched alone %.0f ms, ratio %.1f\n",
                searchRows, Median(searches), static_cast<unsigned>(searches.size()), Median(fetches),
                Median(fetches) > 0 ? Median(searches) / Median(fetches) : 0.0);
    std::printf("private bytes of the program: %.1f MiB after 10 rounds of chart, search and back, %.1f MiB after %d, ratio %.2f\n",
                afterTen / 1048576.0, afterAll / 1048576.0, done, afterTen ? double(afterAll) / double(afterTen) : 0.0);
}

std::vector<std::unique_ptr<CSongInfoBase>> MakeSongs(int count) {
    std::vector<std::unique_ptr<CSongInfoBase>> songs;
    for (int i = 0; i < count; ++i) {
        auto* song = new CNetSongInfo;
        song->SetName(StringUtility::Format("歌曲 %04d", i));
        song->SetArtist(StringUtility::Format("歌手 %d", i % 97));
        song->SetAlbum(StringUtility::Format("专辑 %d", i % 211));
        songs.emplace_back(song);
    }
    return songs;
}

// GDI objects of this process. Wine answers GetGuiResources with 0; its handle table is probed
// instead (there a handle's low word is its index).
unsigned GdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    unsigned n = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) n += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) ? 1 : 0;
    return n;
}

// In the frame of this process: select all and invert on 1000 rows (each reports the selection to
// the status bar), then the window objects left after repeated builds of the tree.
void FrameFigures(int runs) {
    CFrameInProcess frame;
    if (!frame.Hwnd() || !frame.WaitTreeFailed()) {
        std::printf("frame: the frame did not come up\n");
        return;
    }
    g_pUserAction = &frame.Frame();
    g_pFolderAction = &frame.Frame();
    CVxMdReportView& view = frame.Frame().ReportView();
    std::vector<std::unique_ptr<CSongInfoBase>> songs = MakeSongs(1000);
    std::vector<CSongInfoBase*> raw;
    for (auto& song : songs) raw.push_back(song.get());
    view.AddSongs(raw);
    std::vector<double> selectAll, invert;
    for (int r = 0; r < runs; ++r) {
        double start = NowMs();
        view.SelectAll();
        selectAll.push_back(NowMs() - start);
        start = NowMs();
        view.InvertSelection();
        invert.push_back(NowMs() - start);  // nothing selected again
    }
    std::printf("select all on 1000 rows: median %.1f ms; invert (all to none): median %.1f ms; over %d runs\n", Median(selectAll),
                Median(invert), runs);
    view.DeleteAllRows();

    const int kBuilds = 50;
    std::vector<HICON> icons;
    unsigned gdi[2] = {0, 0};
    for (int build = 0; build <= kBuilds; ++build) {
        frame.ToggleBuiltInTree();  // on: the built-in tree is built
        if (HICON icon = frame.StatusIcon()) icons.push_back(icon);
        frame.ToggleBuiltInTree();  // off: the failure is shown, nothing built
        if (build == 0) gdi[0] = GdiObjects();
    }
    gdi[1] = GdiObjects();
    int alive = 0;
    for (HICON icon : icons) alive += IconAlive(icon) ? 1 : 0;
    std::printf("tree builds: GDI objects %u after the first, %u after %d more; status icons still alive: %d of %u\n",
                gdi[0], gdi[1], kBuilds, alive, static_cast<unsigned>(icons.size()));
    g_pUserAction = nullptr;
    g_pFolderAction = nullptr;
}

void FillList(int runs) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr, nullptr,
                                  nullptr, nullptr);
    std::vector<std::unique_ptr<CSongInfoBase>> songs = MakeSongs(1000);
    std::vector<CSongInfoBase*> raw;
    for (auto& song : songs) raw.push_back(song.get());
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        CVxMdReportView view;
        RECT rect = {0, 0, 880, 660};
        view.Create(parent, rect, 1100);
        const double start = NowMs();
        view.AddSongs(raw);
        UpdateWindow(view.GetHwnd());
        times.push_back(NowMs() - start);
        DestroyWindow(view.GetHwnd());
    }
    std::printf("fill the song list with 1000 songs: median %.1f ms over %d runs, limit 100 ms, ratio %.2f\n", Median(times),
                runs, Median(times) / 100.0);
    DestroyWindow(parent);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int rounds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 200;
    FillList(runs);
    FrameFigures(runs);
    if (!getenv("VX_TEST_SERVER")) {
        std::printf("start to tree, search rounds: skipped (run with VX_WITH_SERVER=1)\n");
        return 0;
    }
    ScopedDataRoot root("bench");
    AfxGetConfigManager()->SetString("Servers", "All", getenv("VX_TEST_SERVER"));
    StartToTree(runs);
    SearchRounds(rounds);
    return 0;
}
