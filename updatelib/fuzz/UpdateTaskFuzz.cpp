// The update task file as the updater reads it ("-c" names it), and the task list written back the
// way the main program hands tasks over: what it writes must read back the same. Also the older
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

    // A malformed file may read as values no written file holds (a stray "&" before blanks leaves
    // a leading blank, which XML text does not keep), so the check starts from the first file the
    // program writes: what it writes must read back as itself.
    std::string path = out;
    if (!tasks.Store(path, false)) abort();
    UpdateInfoMgr written;
    if (!written.Load(path, true) || written.GetInfos().size() != tasks.GetInfos().size()) abort();
    path = out;
    if (!written.Store(path, false)) abort();
    UpdateInfoMgr back;
    if (!back.Load(path, true) || back.GetInfos().size() != written.GetInfos().size()) abort();
    for (size_t i = 0; i < written.GetInfos().size(); ++i)
        if (!Same(written.GetInfos()[i], back.GetInfos()[i])) abort();
    return 0;
}
