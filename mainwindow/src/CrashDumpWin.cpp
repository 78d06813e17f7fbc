#include "CrashDumpWin.h"

#include <dbghelp.h>

#include "CrashDumpName.h"
#include "vxlib/HandleWin.h"

CCrashDump* CCrashDump::s_installed = nullptr;

namespace {

const char* const kKernelFunctions[] = {
    "CreateToolhelp32Snapshot", "Thread32First", "Thread32Next", "Process32First", "Process32Next",
    "Module32First", "Module32Next", "OpenThread", "GlobalMemoryStatusEx", "IsWow64Process",
    "ProcessIdToSessionId", "WTSGetActiveConsoleSessionId", "IsProcessorFeaturePresent"};
const char* const kDbgHelpFunctions[] = {"MiniDumpWriteDump", "SymInitialize", "SymCleanup",
                                         "SymGetModuleBase", "SymFunctionTableAccess", "StackWalk",
                                         "SymGetSymFromAddr"};
const char* const kPsapiFunctions[] = {"EnumProcessModules", "GetModuleFileNameExA", "GetModuleInformation",
                                       "GetProcessMemoryInfo"};
const char* const kWtsapiFunctions[] = {"WTSQuerySessionInformationA", "WTSFreeMemory"};
const char* const kAdvapiFunctions[] = {"OpenProcessToken", "GetTokenInformation", "LookupAccountSidA"};

template <size_t N>
int Count(const char* const (&)[N]) {
    return static_cast<int>(N);
}

}  // namespace

CCrashDump::CCrashDump() {
    LookUpFunctions(GetModuleHandleA("kernel32.dll"), kKernelFunctions, Count(kKernelFunctions));
    m_dbgHelp.reset(LoadLibraryA("DBGHELP.DLL"));
    LookUpFunctions(m_dbgHelp.get(), kDbgHelpFunctions, Count(kDbgHelpFunctions));
    m_psapi.reset(LoadLibraryA("psapi.dll"));
    LookUpFunctions(m_psapi.get(), kPsapiFunctions, Count(kPsapiFunctions));
    m_wtsapi.reset(LoadLibraryA("wtsapi32.dll"));
    LookUpFunctions(m_wtsapi.get(), kWtsapiFunctions, Count(kWtsapiFunctions));
    m_advapi.reset(LoadLibraryA("advapi32.dll"));
    LookUpFunctions(m_advapi.get(), kAdvapiFunctions, Count(kAdvapiFunctions));
    if (m_dbgHelp) m_miniDumpWriteDump = GetProcAddress(m_dbgHelp.get(), "MiniDumpWriteDump");

    // Nothing is logged here or in the filter: this runs before the entry starts the log, and a
    // crash ends without a dump when something is missing.
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n > 0 && n < sizeof path) CrashDumpName::SplitModulePath(std::string(path, n), m_folder, m_name, m_ext);

    s_installed = this;
    m_previousFilter = SetUnhandledExceptionFilter(&CCrashDump::Filter);
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);
}

CCrashDump::~CCrashDump() {
    if (s_installed == this) {
        SetUnhandledExceptionFilter(m_previousFilter);
        s_installed = nullptr;
    }
    m_miniDumpWriteDump = nullptr;
    m_foundCount = 0;
    m_dbgHelp.reset();
    m_psapi.reset();
    m_wtsapi.reset();
    m_advapi.reset();
}

void CCrashDump::LookUpFunctions(HMODULE module, const char* const* names, int count) {
    if (!module) return;
    for (int i = 0; i < count && m_foundCount < kMaxFunctions; ++i) {
        if (FARPROC proc = GetProcAddress(module, names[i])) m_found[m_foundCount++] = {names[i], proc};
    }
}

LONG WINAPI CCrashDump::Filter(EXCEPTION_POINTERS* exception) {
    const CCrashDump* self = s_installed;
    bool breakpoint = exception && exception->ExceptionRecord &&
                      exception->ExceptionRecord->ExceptionCode == EXCEPTION_BREAKPOINT;
    if (!self || IsDebuggerPresent() || breakpoint) return EXCEPTION_CONTINUE_SEARCH;
    self->WriteDump(exception);
    return EXCEPTION_EXECUTE_HANDLER;
}

void CCrashDump::WriteDump(EXCEPTION_POINTERS* exception) const {
    auto write = reinterpret_cast<decltype(&MiniDumpWriteDump)>(reinterpret_cast<void*>(m_miniDumpWriteDump));
    if (!write || m_name.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    CrashDumpName::Time time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    char path[MAX_PATH * 2];
    if (!CrashDumpName::Format(path, sizeof path, m_folder.c_str(), time, m_name.c_str(), m_ext.c_str())) return;

    CHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return;
    MINIDUMP_EXCEPTION_INFORMATION info;
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    write(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), static_cast<MINIDUMP_TYPE>(m_dumpType), &info,
          nullptr, nullptr);
}
