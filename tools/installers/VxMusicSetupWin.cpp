// Stand-in for the desktop player's installer served by the download server: journals how it was
// started and installs the stand-in player (tools/vxmusic) with a newer version at path 8.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "InstallerJournalWin.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

const char kFromBuild[] = "/VxInstallFromBuild";
const VxStandIn::FileVersion kInstalledVersion = {6, 0, 2, 0};

// Where the built player lives: VX_STANDIN_BIN, else the build's bin folder.
std::string BuildBin() {
    char env[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("VX_STANDIN_BIN", env, MAX_PATH);
    std::string bin = n > 0 && n < MAX_PATH ? env : std::string("Z:") + VX_STANDIN_BIN_DIR;
    for (char& c : bin)
        if (c == '/') c = '\\';
    if (!bin.empty() && bin.back() != '\\') bin += '\\';
    return bin;
}

int InstallHere() { return VxStandIn::InstallPlayer(PATH_PLAYER_EXE, kInstalledVersion).empty() ? 2 : 0; }

// A downloaded copy has no player beside it: the build's copy installs.
int InstallFromBuild() {
    std::string exe = BuildBin() + "VxMusicSetup.exe";
    std::string command = "\"" + exe + "\" " + kFromBuild;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 4;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    std::string args = arguments ? arguments : "";
    if (args.find(kFromBuild) != std::string::npos) return InstallHere();
    VxStandIn::JournalStart("VxMusicSetup", arguments);
    if (VxStandIn::Told("fail")) return 1;
    bool besidePlayer = Dir::IsExistFile(VxStandIn::BuiltPlayerPath());
    return besidePlayer ? InstallHere() : InstallFromBuild();
}
