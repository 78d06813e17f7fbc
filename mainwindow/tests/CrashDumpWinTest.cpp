// The crash handler in a real crashing process: a copy of the peer program named VxMelodisk.exe in
// a folder of its own, started from another folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <dbghelp.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "CrashDumpWin.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"

namespace {

const DWORD kBoundMs = 60000;  // a bound for things that must happen, never a timing check

std::string OwnFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Dir::GetFilePath(path);
}

std::vector<std::string> Dumps(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*.dmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

LONG WINAPI MarkerFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter() {
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

class CrashDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_start = std::string(temp) + "vx-crashdump-" + std::to_string(GetCurrentProcessId());
        m_folder = m_start + "\\F";
        Dir::DeleteDir(m_start);
        ASSERT_TRUE(Dir::MakeDir(m_folder));
        ASSERT_TRUE(Dir::CopyFileA(OwnFolder() + "\\VxMelodisk_crashpeer.exe", m_folder + "\\VxMelodisk.exe", true));
    }
    // Wine lets go of an ended program's file a little after the process is signalled.
    void TearDown() override {
        for (DWORD waited = 0; !Dir::DeleteDir(m_start) && waited < kBoundMs; waited += 50) Sleep(50);
        EXPECT_FALSE(Dir::IsExistFile(m_start));
    }

    // The peer's exit code. Its output, and that of a debugger started for the exception it passes
    // on, goes nowhere.
    DWORD RunPeer(const char* how) {
        std::string line = "\"" + m_folder + "\\VxMelodisk.exe\" " + how;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        CHandle nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));
        STARTUPINFOA si = {sizeof si};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul.Get();
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, m_start.c_str(), &si, &pi)) {
            ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
            return 0;
        }
        CHandle process(pi.hProcess), thread(pi.hThread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), kBoundMs));
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        return code;
    }

    std::string m_start, m_folder;
};

TEST_F(CrashDumpTest, ACrashWritesOneDumpNamedByTimeBesideTheExecutable) {
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), RunPeer("access"));

    std::vector<std::string> dumps = Dumps(m_folder);
    ASSERT_EQ(1u, dumps.size());
    EXPECT_TRUE(std::regex_match(dumps[0], std::regex("[0-9]{17}_VxMelodisk\\.exe\\.dmp"))) << dumps[0];
    EXPECT_TRUE(Dumps(m_start).empty());

    std::ifstream in(m_folder + "\\" + dumps[0], std::ios::binary);
    std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(dump.size(), sizeof(MINIDUMP_HEADER));
    const auto* header = reinterpret_cast<const MINIDUMP_HEADER*>(dump.data());
    EXPECT_EQ("MDMP", dump.substr(0, 4));
    EXPECT_EQ(static_cast<ULONG64>(MiniDumpWithDataSegs), header->Flags & 0xFFFF);

    // The exception stream carries the crash the filter was given.
    bool sawException = false;
    for (ULONG32 i = 0; i < header->NumberOfStreams; ++i) {
        size_t at = header->StreamDirectoryRva + i * sizeof(MINIDUMP_DIRECTORY);
        ASSERT_LE(at + sizeof(MINIDUMP_DIRECTORY), dump.size());
        const auto* entry = reinterpret_cast<const MINIDUMP_DIRECTORY*>(dump.data() + at);
        if (entry->StreamType != ExceptionStream) continue;
        ASSERT_LE(entry->Location.Rva + sizeof(MINIDUMP_EXCEPTION_STREAM), dump.size());
        const auto* stream = reinterpret_cast<const MINIDUMP_EXCEPTION_STREAM*>(dump.data() + entry->Location.Rva);
        EXPECT_EQ(static_cast<ULONG32>(EXCEPTION_ACCESS_VIOLATION), stream->ExceptionRecord.ExceptionCode);
        sawException = true;
    }
    EXPECT_TRUE(sawException);
}

TEST_F(CrashDumpTest, ABreakpointIsNotTurnedIntoADump) {
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_BREAKPOINT), RunPeer("breakpoint"));
    EXPECT_TRUE(Dumps(m_folder).empty());
    EXPECT_TRUE(Dumps(m_start).empty());
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
