#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "log/VxMdLog.h"
#include "updatelib/Update.h"
#include "updatelib/UpdateInfo.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/UserId.h"
#include "vxlib/Zip.h"

namespace Update {
namespace {

const char kLogFile[] = "update.log";
const char kUpdaterExe[] = "VxMdUpdate.exe";
const char kInstallerExe[] = "VxMdInstaller.exe";
const char kUnpackFolder[] = "vxmd_inst";
const char* const kCrtFiles[] = {"Microsoft.VC90.CRT.manifest", "msvcm90.dll", "msvcp90.dll", "msvcr90.dll"};

const char kRegSection[] = "UpdateRegInfo";
const char kLastDateKey[] = "Check_Update_Last_Date";
const char kTimesKey[] = "Check_Update_Times";
const char kLastPlaydeckKey[] = "LastUpdatePlaydeckTime";
const char kInstalledKey[] = "INSTALLED";
const char kLastVersionKey[] = "Last_Version";
const char kInstallStateAct[] = "K_INSTALL_STATE";

const char kKeyVersion[] = "Version";
const char kKeySavePath[] = "SavePath";
const char kKeySuccess[] = "IsDownloadSuccess";
const char kKeyTime[] = "Time";

const uint64_t kSecondsPerDay = 86400;
const uint64_t kPlaydeckResultLifetime = 604800;

uint64_t Now() { return static_cast<uint64_t>(std::time(nullptr)); }

bool GetPath(int type, std::string& path) { return Dir::GetVxPath(type, path) != 0 && !path.empty(); }

std::string ResultFilePath(const std::string& updateDir) { return updateDir + kResultFileName; }

int ReadResult(const char* className, UpdateResult& result) {
    const char* tag = "GetUpdateResult";
    std::string updateDir;
    if (!GetPath(PATH_UPDATE, updateDir)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "get conf path failed");
        return 0;
    }
    std::string file = ResultFilePath(updateDir);
    if (!PathFileExistsA(file.c_str())) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "not exists: %s", file.c_str());
        return 0;
    }
    result = UpdateResult();
    GetPrivateProfileStringA(className, kKeyVersion, "", result.version, sizeof(result.version), file.c_str());
    GetPrivateProfileStringA(className, kKeySavePath, "", result.savePath, sizeof(result.savePath), file.c_str());
    if (!result.savePath[0]) return 0;
    char text[64] = {};
    GetPrivateProfileStringA(className, kKeySuccess, "", text, sizeof(text), file.c_str());
    if (!text[0]) return 0;
    result.downloadSuccess = text[0] == '1';
    GetPrivateProfileStringA(className, kKeyTime, "", text, sizeof(text), file.c_str());
    if (!text[0]) return 0;
    result.time = std::strtoull(text, nullptr, 10);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, "v[%s]", result.version);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, "path[%s]", result.savePath);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, "time[%d]", static_cast<int>(result.time));
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_DEBUG, tag, "suc[%d]", result.downloadSuccess ? 1 : 0);
    return 1;
}

// Empties the task's section; the file itself stays, the updater writes the other products there.
int ConsumeResult(const char* className) {
    std::string updateDir;
    if (!GetPath(PATH_UPDATE, updateDir)) return 0;
    std::string file = ResultFilePath(updateDir);
    if (!PathFileExistsA(file.c_str())) return 1;
    if (!WritePrivateProfileSectionA(className, "\0", file.c_str())) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ConsumeUpdateResult", "Failed to empty [%s]: %lu",
                     className, GetLastError());
        return 0;
    }
    return 1;
}

// At most one check a day (UTC day numbers).
bool CheckDailyLimit(const char* dateKey, const char* timesKey) {
    IConfigManager* config = AfxGetConfigManager();
    if (!config) return false;
    uint32_t today = static_cast<uint32_t>(Now() / kSecondsPerDay);
    uint32_t day = 0, times = 0;
    config->GetUInt32(kRegSection, dateKey, day, 0);
    config->GetUInt32(kRegSection, timesKey, times, 0);
    if (day != today) {
        config->SetUInt32(kRegSection, dateKey, today);
        times = 0;
        config->SetUInt32(kRegSection, timesKey, 0);
    }
    if (times != 0) return false;
    return config->SetUInt32(kRegSection, timesKey, 1);
}

bool BuildTask(UpdateInfo& info, const char* className, bool playdeck) {
    std::string updateDir;
    if (!GetPath(PATH_UPDATE, updateDir)) return false;
    char version[64] = {}, userId[64] = {}, installSrc[128] = {};
    if (playdeck) {
        UserId::GetPlaydeckVersionEx(version, sizeof(version));
        UserId::GetPlaydeckUserIDEx(userId, sizeof(userId));
        UserId::GetPlaydeckInstallSRCEx(installSrc, sizeof(installSrc));
    } else {
        UserId::GetVersion(version, sizeof(version));
        UserId::GetUserID(userId, sizeof(userId));
        UserId::GetInstallSRC(installSrc, sizeof(installSrc));
    }
    info.Initalize(version, GetServerAddress(kServerConfig), className, "", true, !playdeck, true, userId,
                   installSrc, updateDir);
    return true;
}

// The player's updater, so that a caller can tell when it ended without a word.
std::mutex s_playdeckLock;
CHandle s_playdeckUpdater;

// A start that fails is reported: otherwise the day's only check would be spent on nothing.
// `process` (may be null) receives the updater's process handle.
bool ExecuteUpdater(const std::string& taskFile, CHandle* process) {
    std::string programDir;
    if (!GetPath(PATH_PROGRAM, programDir)) return false;
    std::string exe = programDir + kUpdaterExe;
    std::string params = "-c \"" + taskFile + "\"";
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = exe.c_str();
    info.lpParameters = params.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info)) return false;
    CHandle started(info.hProcess);
    if (process) *process = std::move(started);
    return true;
}

int RequestUpdate(const char* tag, const char* className, bool playdeck) {
    UpdateInfo info;
    if (!BuildTask(info, className, playdeck)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag,
                     playdeck ? "Failed to GeneratePlaydeckUpdateInfo." : "Failed to GenerateMelodiskUpdateInfo.");
        return 0;
    }
    UpdateInfoMgr mgr;
    mgr.GetInfos().push_back(info);
    std::string taskFile;
    if (!mgr.Store(taskFile, true)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to Store update info.");
        return 0;
    }
    if (playdeck) {
        if (IConfigManager* config = AfxGetConfigManager())
            config->SetUInt32(kRegSection, kLastPlaydeckKey, static_cast<uint32_t>(Now()));
    }
    CHandle process;
    if (!ExecuteUpdater(taskFile, &process)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to ExecuteUpdater(%s).", taskFile.c_str());
        DeleteFileA(taskFile.c_str());
        return 0;
    }
    if (playdeck) {
        std::lock_guard<std::mutex> hold(s_playdeckLock);
        s_playdeckUpdater = std::move(process);
    }
    return 1;
}

bool UnzipFiles(const std::string& package, const std::string& target) {
    const char* tag = "UnzipFiles";
    if (!PathFileExistsA(package.c_str())) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Path is not exists:%s", package.c_str());
        return false;
    }
    if (!Dir::MakeDir(target)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to MakeDir:%s", target.c_str());
        return false;
    }
    std::list<std::string> files;
    if (!Filezip::UnCompress(package, target, files, true)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to unzip");
        return false;
    }
    return true;
}

int InstallMelodisk() {
    const char* tag = "InstallNewVersionMelodisk";
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "Start.");
    UpdateResult result;
    if (!ReadResult(kMelodiskClassName, result)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to GetMelodiskUpdateResult.");
        return 0;
    }
    if (!ConsumeResult(kMelodiskClassName)) return 0;
    if (!result.downloadSuccess) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "UpdateRes false.");
        return 0;
    }
    std::string updateDir, programDir;
    if (!GetPath(PATH_UPDATE, updateDir) || !GetPath(PATH_PROGRAM, programDir)) return 0;
    std::string unpackDir = updateDir + kUnpackFolder;
    if (Dir::IsExistFile(unpackDir) && !Dir::DeleteDir(unpackDir)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to clear unzip path.");
        return 0;
    }
    if (!UnzipFiles(result.savePath, unpackDir)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to unzip files.");
        return 0;
    }
    std::string unpackedInstaller = unpackDir + "\\" + kInstallerExe;
    if (!PathFileExistsA(unpackedInstaller.c_str())) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "VxInstaller losed!");
        return 0;
    }
    std::string installer = updateDir + kInstallerExe;
    if (!MoveFileExA(unpackedInstaller.c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to copy vxInstaller to tmp directory!");
        return 0;
    }
    for (const char* name : kCrtFiles) {
        std::string from = unpackDir + "\\" + name;
        std::string to = updateDir + name;
        if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Copy CRT lib failed[%s]: %d!", name,
                         static_cast<int>(GetLastError()));
            return 0;
        }
    }
    // A trailing backslash would escape the closing quote of the argument.
    while (!programDir.empty() && (programDir.back() == '\\' || programDir.back() == '/')) programDir.pop_back();
    std::string params = "\"" + unpackDir + "\" \"" + programDir + "\"";
    HINSTANCE started = ShellExecuteA(nullptr, "open", installer.c_str(), params.c_str(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to Excute Installer: %d!",
                     static_cast<int>(GetLastError()));
        return 0;
    }
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "End.");
    return 1;
}

int InstallPlaydeck() {
    const char* tag = "InstallNewVersionPlaydeck";
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "Start.");
    UpdateResult result;
    if (!ReadResult(kPlaydeckClassName, result)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Failed to GetPlaydeckUpdateResult.");
        return 0;
    }
    if (!result.downloadSuccess) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "UpdateRes false");
        return 0;
    }
    if (!PathFileExistsA(result.savePath)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Not Exist: %s", result.savePath);
        return 0;
    }
    uint64_t now = Now();
    if (now > result.time && now - result.time > kPlaydeckResultLifetime) ConsumeResult(kPlaydeckClassName);
    HINSTANCE started = ShellExecuteA(nullptr, "open", result.savePath, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, tag, "Execute installler failed: %d",
                     static_cast<int>(GetLastError()));
        return 0;
    }
    return 1;
}

}  // namespace

int UpdateMelodisk() {
    try {
        const char* tag = "UpdateMelodisk";
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "Start update Melodisk.");
        UpdateResult result;
        if (ReadResult(kMelodiskClassName, result) && result.downloadSuccess) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "Download success.");
            return 1;
        }
        if (!CheckDailyLimit(kLastDateKey, kTimesKey)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "CheckDailyLimit return FALSE.");
            return 1;
        }
        return RequestUpdate(tag, kMelodiskClassName, false);
    } catch (...) {
        return 0;
    }
}

int UpdatePlaydeck() {
    try {
        const char* tag = "UpdatePlaydeck";
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, tag, "Start update Playdeck.");
        return RequestUpdate(tag, kPlaydeckClassName, true);
    } catch (...) {
        return 0;
    }
}

int IsPlaydeckUpdateRunning() {
    try {
        {
            std::lock_guard<std::mutex> hold(s_playdeckLock);
            if (s_playdeckUpdater.Valid() && WaitForSingleObject(s_playdeckUpdater.Get(), 0) == WAIT_TIMEOUT) return 1;
        }
        // An updater that another caller started works on the same task and reports to the same pipe.
        std::wstring name = Charset::String2WString(std::string(kPlaydeckClassName) + kTaskMutexSuffix);
        HANDLE held = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
        if (!held) return 0;
        CloseHandle(held);
        return 1;
    } catch (...) {
        return 0;
    }
}

int InstallNewVersionMelodisk() {
    try {
        return InstallMelodisk();
    } catch (...) {
        return 0;
    }
}

int InstallNewVersionPlaydeck() {
    try {
        return InstallPlaydeck();
    } catch (...) {
        return 0;
    }
}

int GetMelodiskUpdateResult(UpdateResult& result) {
    try {
        return ReadResult(kMelodiskClassName, result);
    } catch (...) {
        return 0;
    }
}

int GetPlaydeckUpdateResult(UpdateResult& result) {
    try {
        return ReadResult(kPlaydeckClassName, result);
    } catch (...) {
        return 0;
    }
}

void CheckUpdateState() {
    try {
        IConfigManager* config = AfxGetConfigManager();
        if (!config) return;
        std::string installed, lastVersion;
        config->GetString(kRegSection, kInstalledKey, installed, "");
        if (installed.empty()) return;
        config->GetString(kRegSection, kLastVersionKey, lastVersion, "");
        std::string text = installed + "|" + lastVersion;
        VxMdLog::LogUserActMsg(kInstallStateAct, text.c_str());
        config->SetString(kRegSection, kInstalledKey, "");
        config->SetString(kRegSection, kLastVersionKey, "");
    } catch (...) {
    }
}

int GetMainModuleVer(std::string& version) {
    try {
        std::string text;
        if (!UserId::GetMainModuleVersion(text)) return 0;
        version = text;
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace Update
