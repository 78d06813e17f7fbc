// The update task file as the updater reads it ("-c" names it), and the task list written back the
// way the main program hands tasks over: what was read must read back the same. Also the older
// "VxUpdate" server answer, read from the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "updatelib/UpdateInfo.h"

namespace {

std::string TempPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + name + "-" + std::to_string(getpid()) + ".xml";
}

bool Same(const UpdateInfo& a, const UpdateInfo& b) {
    return a.GetCurVersion() == b.GetCurVersion() && a.GetInfoUrl() == b.GetInfoUrl() &&
           a.GetClassNameA() == b.GetClassNameA() && a.GetMsgBoxTitle() == b.GetMsgBoxTitle() &&
           a.IsUpdateSilent() == b.IsUpdateSilent() && a.IsSetupSilent() == b.IsSetupSilent() &&
           a.IsOnlyDownload() == b.IsOnlyDownload() && a.GetUserID() == b.GetUserID() &&
           a.GetInstallSRC() == b.GetInstallSRC() && a.GetSavePath() == b.GetSavePath();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    DownLoadInfo answer;
    answer.Load(text);

    static const std::string in = TempPath("UpdateTaskFuzz-in"), out = TempPath("UpdateTaskFuzz-out");
    FILE* file = std::fopen(in.c_str(), "wb");
    if (!file) abort();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    UpdateInfoMgr tasks;
    // The updater deletes the task file once read.
    const bool loaded = tasks.Load(in, true);
    if (!loaded) return 0;

    std::string path = out;
    if (!tasks.Store(path, false)) abort();
    UpdateInfoMgr back;
    if (!back.Load(path, true) || back.GetInfos().size() != tasks.GetInfos().size()) abort();
    for (size_t i = 0; i < tasks.GetInfos().size(); ++i)
        if (!Same(tasks.GetInfos()[i], back.GetInfos()[i])) abort();
    return 0;
}
