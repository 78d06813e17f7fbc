#pragma once
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

#include "CacheFs.h"

// A fresh folder below the system's temp folder for one test.
inline std::string MakeTestDir(const char* tag) {
    static std::atomic<int> counter{0};
    const char* base = std::getenv("TEMP");
    if (!base || !*base) base = std::getenv("TMPDIR");
    if (!base || !*base) base = "/tmp";
    long long stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string dir = std::string(base) + CacheFs::kSep + "vxhttp_" + tag + "_" + std::to_string(stamp % 100000000) +
                      "_" + std::to_string(++counter);
    CacheFs::MakeDirs(dir);
    return dir;
}
