// The crash handler in real crashing processes: a copy of the peer program named VxMelodisk.exe in
// a folder of its own, started from its parent folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbghelp.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "CrashDumpWin.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"

namespace {

const DWORD kBoundMs = 60000;  // a bound for things that must happen, never a timing check

std::vector<std::string> Dumps(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*.dmp").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) names.push_back(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return names;
}

class CrashDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, path);
        m_start = std::string(path) + "vx-crashdump-" + std::to_string(GetCurrentProcessId());
        m_folder = m_start + "\\F";
        Dir::DeleteDir(m_start);
        ASSERT_TRUE(Dir::MakeDir(m_folder));
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        ASSERT_TRUE(Dir::CopyFileA(Dir::GetFilePath(path) + "\\VxMelodisk_crashpeer.exe", m_folder + "\\VxMelodisk.exe", true));
    }
    // Wine lets go of an ended program's file a little after the process is signalled.
    void TearDown() override {
        for (DWORD waited = 0; !Dir::DeleteDir(m_start) && waited < kBoundMs; waited += 50) Sleep(50);
        EXPECT_FALSE(Dir::IsExistFile(m_start));
    }

    // The peer's exit code; its output, and a debugger's started for what it passes on, go nowhere.
    DWORD RunPeer(const char* how) {
        std::string line = "\"" + m_folder + "\\VxMelodisk.exe\" " + how;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        CHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
        STARTUPINFOA si = {sizeof si};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul.Get();
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, m_start.c_str(), &si, &pi)) return 0;
        CHandle process(pi.hProcess), thread(pi.hThread);
        DWORD code = 0;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), kBoundMs));
        GetExitCodeProcess(process.Get(), &code);
        return code;
    }

    std::string m_start, m_folder;
};

TEST_F(CrashDumpTest, ACrashWritesOneDumpOfItNamedByTimeBesideTheExecutable) {
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), RunPeer("access"));
    std::vector<std::string> dumps = Dumps(m_folder);
    ASSERT_EQ(1u, dumps.size());
    EXPECT_TRUE(std::regex_match(dumps[0], std::regex("[0-9]{17}_VxMelodisk\\.exe\\.dmp"))) << dumps[0];

    std::ifstream in(m_folder + "\\" + dumps[0], std::ios::binary);
    std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(dump.size(), sizeof(MINIDUMP_HEADER));
    const auto* header = reinterpret_cast<const MINIDUMP_HEADER*>(dump.data());
    EXPECT_EQ("MDMP", dump.substr(0, 4));
    ASSERT_LE(header->StreamDirectoryRva + header->NumberOfStreams * sizeof(MINIDUMP_DIRECTORY), dump.size());
    EXPECT_EQ(static_cast<ULONG64>(MiniDumpWithDataSegs), header->Flags & 0xFFFF);
    ULONG32 code = 0;
    for (ULONG32 i = 0; i < header->NumberOfStreams; ++i) {
        const auto* entry = reinterpret_cast<const MINIDUMP_DIRECTORY*>(dump.data() + header->StreamDirectoryRva) + i;
        if (entry->StreamType != ExceptionStream) continue;
        ASSERT_LE(entry->Location.Rva + sizeof(MINIDUMP_EXCEPTION_STREAM), dump.size());
        code = reinterpret_cast<const MINIDUMP_EXCEPTION_STREAM*>(dump.data() + entry->Location.Rva)->ExceptionRecord.ExceptionCode;
    }
    EXPECT_EQ(static_cast<ULONG32>(EXCEPTION_ACCESS_VIOLATION), code);
}

TEST_F(CrashDumpTest, ABreakpointIsNotTurnedIntoADump) {
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_BREAKPOINT), RunPeer("breakpoint"));
    EXPECT_TRUE(Dumps(m_folder).empty());
}

LONG WINAPI MarkerFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter() {
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

TEST(CrashDump, UnloadRestoresThePreviousFilter) {
    LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(&MarkerFilter);
    {
        CCrashDump crashDump;
        EXPECT_NE(&MarkerFilter, CurrentFilter());
        EXPECT_NE(nullptr, CurrentFilter());
    }
    EXPECT_EQ(&MarkerFilter, CurrentFilter());
    SetUnhandledExceptionFilter(before);
}

}  // namespace
