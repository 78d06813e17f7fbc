#include "vxlib/RankingStoreWin.h"

#include "vxlib/Dir.h"

namespace RankingStore {

size_t CopyUnderMutex(HANDLE mutex, const std::string& resDir, const std::string& dataDir,
                      const std::vector<std::string>& names, CopyTrace trace, void* context) {
    auto tell = [&](CopyStep step, const char* name) {
        if (trace) trace(context, step, name);
    };
    bool owned = false;
    if (mutex) {
        tell(kCopyBeforeWait, nullptr);
        DWORD wait = WaitForSingleObject(mutex, INFINITE);
        // An abandoned mutex is ours all the same: its holder died, the files are ours to fix.
        owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        tell(kCopyAfterWait, nullptr);
    }
    size_t placed = 0;
    try {
        for (const std::string& name : names) {
            const std::string from = resDir + name;
            bool ok = Dir::IsDirectory(from) ? Dir::MakeDir(dataDir + name) != 0
                                             : Dir::CopyFileA(from, dataDir + name, true);
            if (ok) {
                ++placed;
            } else {
                tell(kCopyFailed, name.c_str());
            }
        }
    } catch (...) {
        tell(kCopyFailed, "exception");
    }
    if (owned) {
        tell(kCopyBeforeRelease, nullptr);
        ReleaseMutex(mutex);
    }
    return placed;
}

}  // namespace RankingStore
