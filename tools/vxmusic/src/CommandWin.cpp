#include "PlayerWin.h"

#include <cstdlib>
#include <cstring>

#include "vxlib/Charset.h"
#include "vxlib/StringUtility.h"

PlayerCommand ParseCommand(const std::string& commandLine) {
    PlayerCommand cmd;
    // A command line built from an argument vector quotes "/mdrun verb|n" as one argument.
    for (char c : commandLine)
        if (c != '"') cmd.text += c;
    StringUtility::Trim(cmd.text);
    size_t at = cmd.text.find("/mdrun");
    if (at == std::string::npos) return cmd;
    std::string rest = cmd.text.substr(at + 6);
    StringUtility::Trim(rest);
    size_t bar = rest.find('|');
    cmd.verb = rest.substr(0, bar);
    StringUtility::Trim(cmd.verb);
    if (bar != std::string::npos) {
        cmd.arg = rest.substr(bar + 1);
        StringUtility::Trim(cmd.arg);
    }
    if (cmd.verb == "quit") {
        cmd.kind = PlayerCommand::kQuit;
    } else if (cmd.verb == "playico") {
        cmd.kind = PlayerCommand::kPlayIco;
    } else if (cmd.verb == "playsong" || cmd.verb == "playmv" || cmd.verb == "playadd" ||
               cmd.verb == "download") {
        char* end = nullptr;
        long n = std::strtol(cmd.arg.c_str(), &end, 10);
        if (cmd.arg.empty() || *end != '\0') return cmd;  // not a mission number
        cmd.mission = n;
        if (cmd.verb != "download")
            cmd.kind = PlayerCommand::kPlay;
        else
            cmd.kind = n == -1 ? PlayerCommand::kCancel : PlayerCommand::kDownload;
    }
    return cmd;
}

PlayerMode ParseMode(const std::string& text) {
    PlayerMode mode;
    if (text.compare(0, 5, "fail:") == 0) {
        int k = std::atoi(text.c_str() + 5);
        if (k > 0) {
            mode.kind = PlayerMode::kFail;
            mode.failAt = k;
        }
    } else if (text == "toomany") {
        mode.kind = PlayerMode::kTooMany;
    } else if (text == "stop") {
        mode.kind = PlayerMode::kStop;
    } else if (text == "silent") {
        mode.kind = PlayerMode::kSilent;
    } else if (text == "exit-mid") {
        mode.kind = PlayerMode::kExitMid;
    }
    return mode;
}

Journal::Journal() {
    char buf[MAX_PATH * 2] = "";
    DWORD n = GetEnvironmentVariableA("VX_PLAYER_JOURNAL", buf, sizeof buf);
    if (n > 0 && n < sizeof buf) {
        m_path = buf;
        return;
    }
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    m_path = buf;
    size_t slash = m_path.find_last_of("\\/");
    m_path = (slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1)) + "journal.txt";
}

static std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return text;
}

void Journal::Append(const char* via, const std::string& command, const std::string& mission) {
    std::string line = std::to_string(GetCurrentProcessId()) + "\t" + via + "\t" + OneLine(command) + "\t" +
                       (mission.empty() ? std::string("no mission") : OneLine(mission)) + "\r\n";
    std::lock_guard<std::mutex> lock(m_lock);
    // One write per record with append access: a test may read while we write, never a half line
    // from two writers.
    HANDLE f = CreateFileW(Charset::String2WString(m_path).c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

[[noreturn]] void LeaveProcess(int code) {
    ExitProcess(static_cast<UINT>(code));
}
