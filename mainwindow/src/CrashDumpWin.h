#pragma once
#include <windows.h>

#include <memory>
#include <string>

// Writes a minidump beside the executable when the process dies of an unhandled exception. One per
// process: the program holds it as a global, so it is installed before the entry runs and removed
// at unload. Construct, destroy and set the type on one thread; the filter runs on the crashing one.
class CCrashDump {
public:
    // MiniDumpWithDataSegs.
    static const int kDefaultDumpType = 1;

    CCrashDump();
    ~CCrashDump();
    CCrashDump(const CCrashDump&) = delete;
    CCrashDump& operator=(const CCrashDump&) = delete;

    // A MINIDUMP_TYPE value for the dumps written from now on.
    void SetDumpType(int type) { m_dumpType = type; }

private:
    struct FreeLibraryDeleter {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    using CLibrary = std::unique_ptr<HINSTANCE__, FreeLibraryDeleter>;

    static LONG WINAPI Filter(EXCEPTION_POINTERS* exception);
    void WriteDump(EXCEPTION_POINTERS* exception) const;
    void LookUpFunctions(HMODULE module, const char* const* names, int count);

    static CCrashDump* s_installed;

    volatile int m_dumpType = kDefaultDumpType;
    std::string m_folder, m_name, m_ext;
    CLibrary m_dbgHelp, m_psapi, m_wtsapi, m_advapi;
    // The optional functions that were found; a missing one leaves its feature off.
    struct FoundFunction {
        const char* name;
        FARPROC proc;
    };
    static const int kMaxFunctions = 32;
    FoundFunction m_found[kMaxFunctions] = {};
    int m_foundCount = 0;
    FARPROC m_miniDumpWriteDump = nullptr;
    LPTOP_LEVEL_EXCEPTION_FILTER m_previousFilter = nullptr;
};
