#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>


// Header-only and free of our DLLs: the installers run from the update folder, where none of them is.
// The stand-in installers' journal: VX_INSTALLER_JOURNAL, else "installer_journal.txt" beside the
// program. One line per start: program TAB its own path TAB the arguments as received, CR LF.
namespace VxStandIn {

inline std::string OwnPath() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

inline std::string InstallerJournalPath() {
    char env[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("VX_INSTALLER_JOURNAL", env, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return env;
    std::string self = OwnPath();
    return self.substr(0, self.find_last_of("\\/") + 1) + "installer_journal.txt";
}

inline void JournalStart(const char* program, const char* arguments) {
    std::string line = std::string(program) + "\t" + OwnPath() + "\t" + (arguments ? arguments : "") + "\r\n";
    HANDLE file = CreateFileA(InstallerJournalPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

// VX_INSTALLER_MODE=fail: the installer journals its start and exits with 1 doing nothing else.
inline bool Told(const char* mode) {
    char env[64] = "";
    DWORD n = GetEnvironmentVariableA("VX_INSTALLER_MODE", env, sizeof env);
    return n > 0 && n < sizeof env && std::string(env) == mode;
}

}  // namespace VxStandIn
