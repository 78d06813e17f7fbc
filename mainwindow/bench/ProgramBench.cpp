// Benchmark, not a test: how long the built program takes from its process start to the shown
// catalogue tree when the ranking data is already on disk, and how long the song list takes to
// take 1000 rows. Run: VX_WITH_SERVER=1 build/win/wine-run build/win/bin/VxMelodiskBench.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

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

void FillList(int runs) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr, nullptr,
                                  nullptr, nullptr);
    std::vector<std::unique_ptr<CSongInfoBase>> songs;
    for (int i = 0; i < 1000; ++i) {
        auto* song = new CNetSongInfo;
        song->SetName(StringUtility::Format("歌曲 %04d", i));
        song->SetArtist(StringUtility::Format("歌手 %d", i % 97));
        song->SetAlbum(StringUtility::Format("专辑 %d", i % 211));
        songs.emplace_back(song);
    }
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
    if (getenv("VX_TEST_SERVER"))
        StartToTree(runs);
    else
        std::printf("start to tree: skipped (run with VX_WITH_SERVER=1)\n");
    return 0;
}
