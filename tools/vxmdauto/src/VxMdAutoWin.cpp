// Stand-in for VxMdAuto.exe, the program a desktop list shortcut starts with "/go <ids>": it journals
// its command line and starts VxMelodisk.exe of its own folder with the "/go" part, so that a running
// main window receives the path forwarded by that second start. Never shipped.
//
//   Journal: VX_MDAUTO_JOURNAL, else "VxMdAuto.journal.txt" in the common data folder
//            (Dir::GetVxPath(PATH_COMMON_APPDATA), so VX_DATA_ROOT\common\ under a test's data root).
//            One line per start: <pid> TAB <command line> CRLF, GBK as received, CR/LF/TAB as spaces.
//   Exit code: 0 when the main window program was started, 1 when it could not be.
#include <windows.h>

#include <string>

#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"

namespace {

const char kJournalName[] = "VxMdAuto.journal.txt";
const char kProgramName[] = "VxMelodisk.exe";
const char kGoSwitch[] = "/go";

std::string JournalPath() {
    char buf[MAX_PATH * 2] = "";
    DWORD n = GetEnvironmentVariableA("VX_MDAUTO_JOURNAL", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) return buf;
    std::string common;
    if (!Dir::GetVxPath(PATH_COMMON_APPDATA, common)) return std::string();
    return common + "\\" + kJournalName;
}

void AppendJournal(const std::string& commandLine) {
    std::string text = commandLine;
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    std::string line = std::to_string(GetCurrentProcessId()) + "\t" + text + "\r\n";
    std::string path = JournalPath();
    if (path.empty()) return;
    // One write with append access: starts that overlap never interleave half lines.
    CHandle file(CreateFileW(Charset::String2WString(path).c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Everything from "/go" to the end, as the main program reads its switches; empty without one.
std::string GoPart(const std::string& commandLine) {
    size_t at = commandLine.find(kGoSwitch);
    return at == std::string::npos ? std::string() : commandLine.substr(at);
}

bool StartMainProgram(const std::string& arguments) {
    std::string folder;
    if (!Dir::GetVxPath(PATH_PROGRAM, folder)) return false;
    std::wstring exe = Charset::String2WString(folder + kProgramName);
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty()) line += L" " + Charset::String2WString(arguments);
    std::wstring dir = Charset::String2WString(folder);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    std::string command = commandLine ? commandLine : "";
    AppendJournal(command);
    return StartMainProgram(GoPart(command)) ? 0 : 1;
}
