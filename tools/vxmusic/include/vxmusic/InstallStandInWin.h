#pragma once
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "testing/VersionResourceWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxmusic/StandInNamesWin.h"

// Puts the stand-in desktop player where the client looks for it, for tests and the run command.
//
//   VxStandIn::InstallPlayer();                        // newer player, path 8, version 6.0.1.3
//   VxStandIn::InstallPlayer(PATH_PLAYER_OLD_EXE, {5, 2, 0, 3});
//   ...
//   VxStandIn::QuitPlayer();                           // before the data root goes away
//
// Every path follows Dir::GetVxPath, so under VX_DATA_ROOT the player lands below that folder.
namespace VxStandIn {

struct FileVersion {
    WORD a = 0, b = 0, c = 0, d = 0;   // all 0: keep the built version (6.0.1.3)
};

struct PlayerUser {
    std::string userId = "20110427";
    std::string installSrc = "standin";
};

// The build's folder of programs and DLLs: the running program's own.
inline std::string BuildBinFolder() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return Dir::GetFilePath(self);
}

inline std::string BuiltPlayerPath() { return BuildBinFolder() + "vxmusic.exe"; }

// The DLLs of ours the player links (tools/vxmusic/CMakeLists.txt): an installed player carries
// its own copies, as a real one does.
inline const std::vector<std::string>& PlayerDlls() {
    static const std::vector<std::string> dlls = {"VxLib.dll", "VxDataDef.dll", "VxMdConfig.dll",
                                                  "VxHttpRequestMgr.dll"};
    return dlls;
}

// A file that someone holds open (a version read, an antivirus scan, a player that is just closing)
// cannot be replaced at that instant: an installer waits for it, up to a bound.
inline bool RetryWhileInUse(const std::function<bool()>& step, DWORD boundMs = 30000) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (step()) return true;
        DWORD error = GetLastError();
        bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
                     error == ERROR_USER_MAPPED_FILE;
        if (!inUse || GetTickCount() - start >= boundMs) return false;
        Sleep(50);
    }
}

inline bool CopyBuilt(const std::string& name, const std::string& folder, const std::string& as) {
    const std::wstring from = Charset::String2WString(BuildBinFolder() + name), to = Charset::String2WString(folder + as);
    return RetryWhileInUse([&] { return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE; });
}

// Replaces the executable's version resource (neutral language, id 1, as the stand-in's own).
inline bool StampFileVersion(const std::string& exe, const FileVersion& v) {
    return ::StampFileVersion(exe, v.a, v.b, v.c, v.d);
}

// Copies the built player and its DLLs to Dir::GetVxPath(pathType) (PATH_PLAYER_EXE or PATH_PLAYER_OLD_EXE),
// optionally with another file version, and writes its "user.ini" beside it (section "UserInfo":
// "UserID", "InstallSRC", "Version" = the installed version text). Returns the installed path,
// empty on failure.
inline std::string InstallPlayer(int pathType = PATH_PLAYER_EXE, const FileVersion& version = FileVersion(),
                                 const PlayerUser& user = PlayerUser()) {
    std::string target;
    if (!Dir::GetVxPath(pathType, target) || target.empty()) return std::string();
    std::string folder = Dir::GetFilePath(target);
    if (!Dir::MakeDir(folder)) return std::string();
    for (const std::string& dll : PlayerDlls())
        if (!CopyBuilt(dll, folder, dll)) return std::string();
    // The executable is stamped beside its place and then put there in one step, so a reader of its
    // version sees the old file or the new one, never the built one before its stamp.
    const std::string staged = target + ".new";
    if (!CopyBuilt("vxmusic.exe", folder, Dir::GetShortFileName(staged))) return std::string();
    FileVersion v = version;
    bool keep = !v.a && !v.b && !v.c && !v.d;
    if (keep) v = FileVersion{6, 0, 1, 3};
    const std::wstring stagedW = Charset::String2WString(staged), targetW = Charset::String2WString(target);
    if ((!keep && !StampFileVersion(staged, v)) ||
        !RetryWhileInUse([&] { return MoveFileExW(stagedW.c_str(), targetW.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; })) {
        DeleteFileW(stagedW.c_str());
        return std::string();
    }
    std::string text = std::to_string(v.a) + "." + std::to_string(v.b) + "." + std::to_string(v.c) + "." +
                       std::to_string(v.d);
    std::string ini = folder + "user.ini";
    if (!WritePrivateProfileStringA("UserInfo", "UserID", user.userId.c_str(), ini.c_str()) ||
        !WritePrivateProfileStringA("UserInfo", "InstallSRC", user.installSrc.c_str(), ini.c_str()) ||
        !WritePrivateProfileStringA("UserInfo", "Version", text.c_str(), ini.c_str()))
        return std::string();
    return target;
}

// Process id of the player running for this data root, 0 when none.
inline DWORD RunningPlayerPid() {
    HWND window = FindPlayerWindow();
    DWORD pid = 0;
    if (window) GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Tells the player of this data root to quit ("/mdrun quit") and waits up to waitMs for its process
// to end. True when no player of this data root runs afterwards.
inline bool QuitPlayer(DWORD waitMs = 10000) {
    HWND window = FindPlayerWindow();
    if (!window) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    static const char kQuit[] = "/mdrun quit";
    COPYDATASTRUCT data;
    data.dwData = kForwardMagic;
    data.cbData = sizeof kQuit - 1;
    data.lpData = const_cast<char*>(kQuit);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &result);
    bool gone = true;
    if (process) {
        gone = WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
        CloseHandle(process);
    }
    return gone && !FindPlayerWindow();
}

}  // namespace VxStandIn
