#include "log/VxMdLog.h"

#include <windows.h>

#include <cstdarg>
#include <string>

#include "log/LogFormat.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/SharedObjectsWin.h"
#include "vxlib/Thread.h"

namespace {

// Serialises appends of every process of the installation (the service included, hence the null
// access list), so lines from several writers never interleave.
const wchar_t kMutexName[] = L"Global\\VxMdLogFileMutex";
const DWORD kLockTimeoutMs = 2000;
const char kLogFolder[] = "\\Vixo\\VxMelodisk\\log\\";
const char kActLog[] = "log\\act.log";
const char kDefaultFile[] = "VxMdLog.txt";

Thread::CBaseCrititalSection g_nameLock;
std::string g_name;  // set by LogInit; guarded by g_nameLock

std::string ExecutableStem() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "VxMdLog";
    std::string name = Dir::GetShortFileName(Charset::WString2String(std::wstring(buf, n)));
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string LogName() {
    Thread::CAutoCrititalSection hold(g_nameLock);
    if (g_name.empty()) g_name = VxMdLog::SafeFileName(ExecutableStem().c_str(), "VxMdLog");
    return g_name;
}

HANDLE SharedMutex() {
    static HANDLE s_mutex = SharedObjects::CreateSharedMutex(kMutexName);
    return s_mutex;
}

VxMdLog::LogTime Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return VxMdLog::LogTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

HANDLE OpenForAppend(const std::wstring& path) {
    // Append-only access: every write lands at the current end, whoever else writes.
    return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void AppendLine(const std::string& path, const std::string& line) {
    HANDLE mutex = SharedMutex();
    DWORD wait = mutex ? WaitForSingleObject(mutex, kLockTimeoutMs) : WAIT_FAILED;
    // An abandoned lock is ours all the same; after a time-out the line is still written, as one
    // append, rather than lost.
    bool owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    std::wstring wide = Charset::String2WString(path);
    HANDLE file = OpenForAppend(wide);
    if (file == INVALID_HANDLE_VALUE) {
        Dir::MakeDir(Dir::GetFilePath(path));
        file = OpenForAppend(wide);
    }
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (owned) ReleaseMutex(mutex);
}

}  // namespace

namespace VxMdLog {

void LogInit(const char* name) {
    try {
        std::string safe = SafeFileName(name, "");
        if (safe.empty()) return;
        Thread::CAutoCrititalSection hold(g_nameLock);
        g_name = safe;
    } catch (...) {
    }
}

void Log(const char* file, int level, const char* tag, const char* format, ...) {
    try {
        va_list args;
        va_start(args, format);
        std::string text = FormatText(format, args);
        va_end(args);
        std::string common;
        if (!Dir::GetVxPath(PATH_COMMON_APPDATA, common)) return;
        std::string path = common + kLogFolder + LogName() + "\\" + SafeFileName(file, kDefaultFile);
        AppendLine(path, FormatLogLine(Now(), GetCurrentProcessId(), GetCurrentThreadId(), level, tag, text));
    } catch (...) {
    }
}

void LogUserActMsg(const char* key, const char* text) {
    try {
        std::string program;
        if (!Dir::GetVxPath(PATH_PROGRAM, program)) return;
        AppendLine(program + kActLog, FormatActLine(Now(), key, text));
    } catch (...) {
    }
}

}  // namespace VxMdLog
