// Benchmark, not a test: how long the built program takes from its process start to the shown
// catalogue tree when the ranking data is already on disk, how long the song list takes to take
// 1000 rows, how long select all and invert take on them in the frame, and how many window objects
// repeated tree builds leave behind.
// Run: VX_WITH_SERVER=1 build/win/wine-run build/win/bin/VxMelodiskBench.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ActionInterfaces.h"
#include "FrameInProcessWin.h"
#include "ProgramRunWin.h"
#include "ReportViewWin.h"
#include "config/ConfigManager.h"
#include "datadef/SongInfo.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/StringUtility.h"

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void StartToTree(int runs) {
    ScopedDataRoot root("bench");
    AfxGetConfigManager()->SetString("Servers", "All", getenv("VX_TEST_SERVER"));
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
        const double start = Now();
        if (!run.Start()) break;
        run.WaitFrame(60000);
        if (!run.WaitTree(60000)) break;
        times.push_back(Now() - start);
        run.Close();
    }
    std::printf("start to tree (cached ranking data): median %.0f ms over %u runs (min %.0f, max %.0f)\n", Median(times),
                static_cast<unsigned>(times.size()), times.empty() ? 0 : *std::min_element(times.begin(), times.end()),
                times.empty() ? 0 : *std::max_element(times.begin(), times.end()));
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
        double start = Now();
        view.SelectAll();
        selectAll.push_back(Now() - start);
        start = Now();
        view.InvertSelection();
        invert.push_back(Now() - start);  // nothing selected again
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
        const double start = Now();
        view.AddSongs(raw);
        UpdateWindow(view.GetHwnd());
        times.push_back(Now() - start);
        DestroyWindow(view.GetHwnd());
    }
    std::printf("fill the song list with 1000 songs: median %.1f ms over %d runs\n", Median(times), runs);
    DestroyWindow(parent);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    FillList(runs);
    FrameFigures(runs);
    if (getenv("VX_TEST_SERVER"))
        StartToTree(runs);
    else
        std::printf("start to tree: skipped (run with VX_WITH_SERVER=1)\n");
    return 0;
}
