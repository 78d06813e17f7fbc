// The updater: works through the task file the update library hands it ("-c" and its path).
#include <windows.h>

#include <memory>

#include "CommandLine.h"
#include "UpdateHandlerWin.h"
#include "UpdateNotifierWin.h"
#include "log/VxMdLog.h"
#include "updatelib/UpdateInfo.h"

namespace {

void RunTasks(const char* commandLine) {
    std::string path = VxMdUpdate::ParseTaskFilePath(commandLine ? commandLine : "");
    if (path.empty()) return;
    VxMdLog::LogInit("VxMdUpdate");
    UpdateInfoMgr tasks;
    if (!tasks.Load(path, true)) {
        VxMdLog::Log("update.log", VxMdLog::LEVEL_WARNING, "VxMdUpdate", "no task in %s", path.c_str());
        return;
    }
    CUpdateNotifier notifier;
    for (const UpdateInfo& task : tasks.GetInfos()) {
        std::unique_ptr<CUpdateHandler> handler(new CUpdateHandler(task, notifier));
        handler->Run();
        // Its callbacks ignore a download they gave up, but they still read the handler.
        if (handler->LeftADownloadBehind()) handler.release();
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    try {
        RunTasks(commandLine);
    } catch (...) {
    }
    return 0;
}
