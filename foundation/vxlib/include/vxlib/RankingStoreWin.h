#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "vxlib/RankingStore.h"
#include "vxlib/VxLibApi.h"

namespace RankingStore {

// The steps of CopyUnderMutex, told to the caller, whose log lines differ per side.
enum CopyStep { kCopyBeforeWait, kCopyAfterWait, kCopyBeforeRelease, kCopyFailed };
// name: the name that failed (kCopyFailed), else null. Must not throw.
typedef void (*CopyTrace)(void* context, CopyStep step, const char* name);

// Installs unpacked names into the data directory: waits without limit for `mutex` (the ranking
// mutex; null copies unguarded), then for each name in order creates dataDir + name when resDir +
// name is a folder, else copies the file over dataDir + name; then releases the mutex. A failed
// copy is told and the next name follows; an exception ends the copying. Returns the number of
// names placed. `trace` may be null. Call from any thread.
VXLIB_API size_t CopyUnderMutex(HANDLE mutex, const std::string& resDir, const std::string& dataDir,
                                const std::vector<std::string>& names, CopyTrace trace, void* context);

}  // namespace RankingStore
