#pragma once
#include <cstdint>
#include <string>

#include "updatelib/VxMdUpdateDefApi.h"

// Keeping this product and the desktop player current. Checks and downloads run in the updater
// program (VxMdUpdate.exe), which leaves its results in update directory + "VxMdUpdateResult.ini";
// these functions write its task file, start it, read its results and start installations.
// All return non-zero on success and log to "update.log".
namespace Update {

inline constexpr char kMelodiskClassName[] = "VxMelodisk_Update_Melodisk";
inline constexpr char kPlaydeckClassName[] = "VxMelodisk_Update_Playdeck";
inline constexpr char kResultFileName[] = "VxMdUpdateResult.ini";
// The updater holds class name + this suffix as a mutex while it works on a task.
inline constexpr char kTaskMutexSuffix[] = "_VxMd_Update_20110627";

struct UpdateResult {
    char version[128] = {};
    bool downloadSuccess = false;
    char savePath[260] = {};
    uint64_t time = 0;  // seconds since 1970
};

VXMDUPDATEDEF_API int UpdateMelodisk();
VXMDUPDATEDEF_API int UpdatePlaydeck();
// Non-zero while the updater that UpdatePlaydeck started, or any updater working on the player's
// task, still runs: a caller waiting for the updater's last word learns that none will come.
VXMDUPDATEDEF_API int IsPlaydeckUpdateRunning();
VXMDUPDATEDEF_API int InstallNewVersionMelodisk();
VXMDUPDATEDEF_API int InstallNewVersionPlaydeck();
VXMDUPDATEDEF_API int GetMelodiskUpdateResult(UpdateResult& result);
VXMDUPDATEDEF_API int GetPlaydeckUpdateResult(UpdateResult& result);
VXMDUPDATEDEF_API void CheckUpdateState();
VXMDUPDATEDEF_API int GetMainModuleVer(std::string& version);

}  // namespace Update
