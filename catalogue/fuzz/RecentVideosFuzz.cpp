// The recently played videos as stored: the index "VxVRPmap.dat" (264-byte records: page path,
// item count) and the page files it names, loaded at start and read page by page; then a video
// page from the web view from which an item is added.
//
// Input: the index, then up to four page files (videoRP0.dat ...), then the added page, separated
// by fuzzinput::kPartSeparator. The index names pages by full path: a path starting with '*' is
// taken as this run's folder followed by the rest; other paths are blanked, since they would reach
// files outside the folder (a device, a pipe) that say nothing about the store.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "RecentVideos.h"
#include "testing/FuzzInput.h"
#include "vxlib/Dir.h"

namespace {

const size_t kPathBytes = 260;
const size_t kRecordBytes = kPathBytes + 4;
const size_t kPageFiles = 4;

std::string Index(const std::string& fuzzed, const std::string& folder) {
    std::string index = fuzzed;
    for (size_t offset = 0; offset + kRecordBytes <= index.size(); offset += kRecordBytes) {
        char* path = &index[offset];
        std::string real;
        if (path[0] == '*') real = folder + std::string(path + 1, strnlen(path + 1, kPathBytes - 1));
        if (real.size() >= kPathBytes) real.resize(kPathBytes - 1);
        std::memset(path, 0, kPathBytes);
        std::memcpy(path, real.data(), real.size());
    }
    return index;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzinput::CScratchDir scratch("recent");
    scratch.Clear();
    const std::string folder = scratch.Path();
    std::vector<std::string> parts = fuzzinput::SplitParts(data, size, kPageFiles + 2);
    Dir::WriteWholeFile(folder + "\\VxVRPmap.dat", Index(parts[0], folder));
    for (size_t i = 1; i < parts.size() && i <= kPageFiles; ++i) {
        Dir::WriteWholeFile(folder + "\\videoRP" + std::to_string(i - 1) + ".dat", parts[i]);
    }

    CRecentVideos store;
    store.Setup(folder);
    std::string json;
    for (int page = 0; page < 4 && store.ReadPage(page, json); ++page) {
    }
    if (parts.size() == kPageFiles + 2) {
        store.Add(parts.back(), 1);
        store.ReadPage(0, json);
    }
    return 0;
}
