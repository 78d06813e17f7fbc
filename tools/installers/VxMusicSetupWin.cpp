// Stand-in for the desktop player's installer served by the download server: journals how it was
// started and has the build's VxMusicSetupInstall.exe install the stand-in player (tools/vxmusic)
// with a newer version at path 8. It links none of our DLLs, since it runs from the update folder.
#include <windows.h>

#include <string>

#include "InstallerJournalWin.h"

namespace {

// Where the built programs live: VX_STANDIN_BIN, else the build's bin folder.
std::string BuildBin() {
    char env[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("VX_STANDIN_BIN", env, MAX_PATH);
    std::string bin = n > 0 && n < MAX_PATH ? env : std::string("Z:") + VX_STANDIN_BIN_DIR;
    for (char& c : bin)
        if (c == '/') c = '\\';
    if (!bin.empty() && bin.back() != '\\') bin += '\\';
    return bin;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    VxStandIn::JournalStart("VxMusicSetup", arguments);
    if (VxStandIn::Told("fail")) return 1;
    std::string exe = BuildBin() + "VxMusicSetupInstall.exe";
    std::string command = "\"" + exe + "\"";
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
