// Prints the cost of one store read and one store write with a store of about 100 entries.
#include <windows.h>

#include <cstdio>
#include <string>

#include "config/ConfigManager.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return double(to.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

}  // namespace

int main() {
    IConfigManager* config = AfxGetConfigManager();
    if (!config) return 1;
    for (int i = 0; i < 100; ++i) config->SetString("Bench", "key" + std::to_string(i), "value " + std::to_string(i));

    const int kReads = 2000, kWrites = 200;
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    uint32_t sum = 0;
    for (int i = 0; i < kReads; ++i) {
        uint32_t v = 0;
        config->GetUInt32("BangDan", "LastUpdateTime", v, 0);
        sum += v;
    }
    QueryPerformanceCounter(&t1);
    for (int i = 0; i < kWrites; ++i) config->SetUInt32("BangDan", "LastUpdateTime", static_cast<uint32_t>(i));
    QueryPerformanceCounter(&t2);
    std::printf("read:  %.1f us per call (%d calls)\n", Seconds(t0, t1) * 1e6 / kReads, kReads);
    std::printf("write: %.1f us per call (%d calls)\n", Seconds(t1, t2) * 1e6 / kWrites, kWrites);
    return sum == 12345 ? 1 : 0;  // keeps the reads from being optimised away
}
