// Throughput of a streamed GET (request manager slots 0, 2, 4) of a generated body from the local
// stand-in server. Run through the Wine wrapper, which starts the server:
//   VX_WITH_SERVER=1 build/win/wine-run build/win/bin/VxHttpBench.exe [MiB per run] [runs]
// or give a base address in VX_TEST_SERVER to measure against another server.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "http/VxHttpRequestMgr.h"

int main(int argc, char** argv) {
    const char* server = std::getenv("VX_TEST_SERVER");
    if (!server || !*server) {
        std::fprintf(stderr, "VX_TEST_SERVER is not set (run with VX_WITH_SERVER=1 through wine-run)\n");
        return 2;
    }
    long long mib = argc > 1 ? std::atoll(argv[1]) : 200;
    int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    if (mib <= 0 || runs <= 0) return 2;
    IVxHttpRequestMgr* mgr = AfxGetHttpRequestMgr();
    mgr->Init(0, "");
    std::string url = std::string(server) + "/gen/bytes?size=" + std::to_string(mib * 1024 * 1024);
    std::vector<char> buf(64 * 1024);
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER freq, t0, t1;
        QueryPerformanceFrequency(&freq);
        QueryPerformanceCounter(&t0);
        int handle = 0, error = 0;
        if (!mgr->OpenRequest(url.c_str(), 0, "", &handle, &error, 0)) {
            std::fprintf(stderr, "open failed: %d\n", error);
            return 1;
        }
        long long total = 0;
        for (;;) {
            int n = static_cast<int>(buf.size());
            if (!mgr->ReadPart(handle, buf.data(), &n, &error)) {
                std::fprintf(stderr, "read failed: %d\n", error);
                return 1;
            }
            if (n <= 0) break;
            total += n;
        }
        mgr->CloseRequest(handle);
        QueryPerformanceCounter(&t1);
        double seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
        double rate = double(total) / (1024.0 * 1024.0) / seconds;
        if (rate > best) best = rate;
        std::printf("run %d: %lld bytes in %.3f s, %.1f MiB/s\n", run + 1, total, seconds, rate);
    }
    std::printf("streamed GET: best %.1f MiB/s (64 KiB reads, %lld MiB body)\n", best, mib);
    return 0;
}
