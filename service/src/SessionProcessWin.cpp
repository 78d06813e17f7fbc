#include "SessionProcessWin.h"

#include <windows.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <vector>

#include "HandlerLogWin.h"
#include "vxlib/HandleWin.h"

namespace SessionProcess {
namespace {

const char kDesktop[] = "WinSta0\\Default";
const DWORD kSessionFlags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT;  // 0x430
const DWORD kNoSession = 0xFFFFFFFF;

class CEnvironment {
public:
    bool Build(HANDLE token) { return CreateEnvironmentBlock(&m_block, token, FALSE) != FALSE; }
    ~CEnvironment() {
        if (m_block) DestroyEnvironmentBlock(m_block);
    }
    void* Get() const { return m_block; }

private:
    void* m_block = nullptr;
};

std::vector<char> Mutable(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

bool RunsAsLocalSystem() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return true;  // unknown: assume a service
    CHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return true;
    return IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, WinLocalSystemSid) != FALSE;
}

// A process that already runs in the console session with an ordinary account starts programs
// there as that account: the only start the session functions would have given it anyway.
bool StartPlain(const char* tag, const std::string& commandLine) {
    DWORD own = kNoSession;
    const DWORD console = WTSGetActiveConsoleSessionId();
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &own) || own != console || RunsAsLocalSystem()) {
        HANDLER_LOG(tag, "no fallback: session %lu, console %lu", own, console);
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = const_cast<char*>(kDesktop);
    PROCESS_INFORMATION info = {};
    std::vector<char> line = Mutable(commandLine);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &info)) {
        HANDLER_LOG(tag, "CreateProcessA failed: %lu", GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    HANDLER_LOG(tag, "started with the own token");
    return true;
}

bool StartAs(const char* tag, HANDLE token, const std::string& commandLine) {
    CEnvironment environment;
    if (!environment.Build(token)) {
        HANDLER_LOG(tag, "CreateEnvironmentBlock failed: %lu", GetLastError());
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = const_cast<char*>(kDesktop);
    PROCESS_INFORMATION info = {};
    std::vector<char> line = Mutable(commandLine);
    if (!CreateProcessAsUserA(token, nullptr, line.data(), nullptr, nullptr, FALSE, kSessionFlags, environment.Get(),
                              nullptr, &startup, &info)) {
        HANDLER_LOG(tag, "CreateProcessAsUserA failed: %lu", GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    HANDLER_LOG(tag, "started");
    return true;
}

bool UserToken(const char* tag, CHandle& token) {
    const DWORD console = WTSGetActiveConsoleSessionId();
    if (console == kNoSession) {
        HANDLER_LOG(tag, "no console session");
        return false;
    }
    HANDLE raw = nullptr;
    if (!WTSQueryUserToken(console, &raw)) {
        HANDLER_LOG(tag, "WTSQueryUserToken failed: %lu", GetLastError());
        return false;
    }
    token.Reset(raw);
    return true;
}

bool OwnTokenInConsole(const char* tag, CHandle& token) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &raw)) {
        HANDLER_LOG(tag, "OpenProcessToken failed: %lu", GetLastError());
        return false;
    }
    CHandle own(raw);
    raw = nullptr;
    if (!DuplicateTokenEx(own.Get(), MAXIMUM_ALLOWED, nullptr, SecurityIdentification, TokenPrimary, &raw)) {
        HANDLER_LOG(tag, "DuplicateTokenEx failed: %lu", GetLastError());
        return false;
    }
    token.Reset(raw);
    DWORD console = WTSGetActiveConsoleSessionId();
    if (console == kNoSession || !SetTokenInformation(token.Get(), TokenSessionId, &console, sizeof(console))) {
        HANDLER_LOG(tag, "SetTokenInformation failed: %lu", GetLastError());
        return false;
    }
    return true;
}

}  // namespace

namespace {

// A token for the console session, then the command line on its desktop; the plain start is the
// fallback where the session functions are not to be had.
bool StartInConsole(const char* tag, bool (*takeToken)(const char*, CHandle&), const std::string& commandLine) {
    HANDLER_LOG(tag, "%s", commandLine.c_str());
    CHandle token;
    if (takeToken(tag, token) && StartAs(tag, token.Get(), commandLine)) return true;
    return StartPlain(tag, commandLine);
}

}  // namespace

bool StartAsConsoleUser(const std::string& commandLine) {
    return StartInConsole("RunMelodisk", UserToken, commandLine);
}

bool StartWithOwnToken(const std::string& commandLine) {
    return StartInConsole("RunInSession", OwnTokenInConsole, commandLine);
}

bool RunAndWait(const std::string& program) {
    const char* tag = "InstallUpdate";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // Quoted: a per-user path may hold blanks, and an unquoted one could start another program.
    std::vector<char> line = Mutable("\"" + program + "\"");
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        HANDLER_LOG(tag, "CreateProcessA %s failed: %lu", program.c_str(), GetLastError());
        return false;
    }
    CHandle process(info.hProcess);
    CloseHandle(info.hThread);
    HANDLER_LOG(tag, "started %s", program.c_str());
    WaitForSingleObject(process.Get(), INFINITE);
    HANDLER_LOG(tag, "ended");
    return true;
}

}  // namespace SessionProcess
