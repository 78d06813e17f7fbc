// The built stand-in, run from a folder of its own where the recorder plays VxMelodisk.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"

namespace {

const DWORD kWaitMs = 20000;  // a bound for things that should happen, never a timing check

std::string BuildBin() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return Dir::GetFilePath(self);
}

class VxMdAutoTest : public ::testing::Test {
protected:
    VxMdAutoTest() : m_root("vxmdauto") {
        m_folder = m_root.Path() + "\\bin\\";
        m_journal = m_root.Path() + "\\common\\VxMdAuto.journal.txt";
        m_record = m_root.Path() + "\\started.txt";
        Dir::MakeDir(m_folder);
        SetEnvironmentVariableA("VX_RECORDER_OUT", m_record.c_str());
    }
    ~VxMdAutoTest() override { SetEnvironmentVariableA("VX_RECORDER_OUT", nullptr); }

    bool Copy(const char* from, const char* to) {
        return Dir::CopyFileA(BuildBin() + from, m_folder + to, true);
    }

    // Runs the copied stand-in with `arguments`; returns its exit code (-1: did not run) and its pid.
    int Run(const std::string& arguments, DWORD& pid) {
        std::string line = "\"" + m_folder + "VxMdAuto.exe\" " + arguments;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
        pid = pi.dwProcessId;
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(pi.hProcess, kWaitMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return static_cast<int>(code);
    }

    // The recorder's two lines (its path, its arguments), once it has written them.
    std::vector<std::string> WaitForRecord() {
        std::string text;
        for (DWORD waited = 0; waited < kWaitMs && !Dir::ReadWholeFile(m_record, text); waited += 50) Sleep(50);
        Dir::RemoveFile(m_record);
        std::vector<std::string> lines;
        StringUtility::TokenizeEx(text, "\n", lines);
        return lines;
    }

    std::vector<std::string> JournalLines() {
        std::string text;
        Dir::ReadWholeFile(m_journal, text);
        std::vector<std::string> lines;
        StringUtility::TokenizeEx(text, "\r\n", lines);
        return lines;
    }

    ScopedDataRoot m_root;
    std::string m_folder, m_journal, m_record;
};

TEST_F(VxMdAutoTest, JournalsEachStartAndHandsTheGoPartToTheProgramOfItsFolder) {
    ASSERT_TRUE(Copy("VxMdAuto.exe", "VxMdAuto.exe"));
    ASSERT_TRUE(Copy("VxLib.dll", "VxLib.dll"));
    ASSERT_TRUE(Copy("vxmdauto_recorder.exe", "VxMelodisk.exe"));

    DWORD first = 0, second = 0;
    ASSERT_EQ(0, Run("/go 3|17|42", first));
    std::vector<std::string> started = WaitForRecord();
    ASSERT_EQ(2u, started.size());
    EXPECT_EQ(m_folder + "VxMelodisk.exe", started[0]);
    EXPECT_EQ("/go 3|17|42", started[1]);

    // Only the "/go" part goes on; the journal keeps the whole line, tabs flattened.
    ASSERT_EQ(0, Run("/from\tdesk /go 5", second));
    started = WaitForRecord();
    ASSERT_EQ(2u, started.size());
    EXPECT_EQ("/go 5", started[1]);

    std::vector<std::string> journal = JournalLines();
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ(std::to_string(first) + "\t/go 3|17|42", journal[0]);
    EXPECT_EQ(std::to_string(second) + "\t/from desk /go 5", journal[1]);
}

TEST_F(VxMdAutoTest, WithoutTheProgramBesideItTheStartIsJournaledAndFails) {
    ASSERT_TRUE(Copy("VxMdAuto.exe", "VxMdAuto.exe"));
    ASSERT_TRUE(Copy("VxLib.dll", "VxLib.dll"));
    DWORD pid = 0;
    EXPECT_EQ(1, Run("/go 7", pid));
    std::vector<std::string> journal = JournalLines();
    ASSERT_EQ(1u, journal.size());
    EXPECT_EQ(std::to_string(pid) + "\t/go 7", journal[0]);
}

}  // namespace
