#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "log/LogFormat.h"
#include "log/VxMdLog.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace {

const char kLogName[] = "VxMdLogTest";
const int kLinesPerWriter = 200;
const std::string kPadding(300, 'p');

void WriteLines(const std::string& who) {
    for (int i = 0; i < kLinesPerWriter; ++i) {
        VxMdLog::Log("threads.log", VxMdLog::LEVEL_NOTICE, ("T" + who).c_str(), "%s %d %s", who.c_str(), i, kPadding.c_str());
    }
}

// "VxMdLog_tests.exe --vx-log-peer NAME": a second process that logs its lines and leaves before
// any test runs.
struct PeerMode {
    PeerMode() {
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        if (argv && argc == 3 && std::wstring(argv[1]) == L"--vx-log-peer") {
            VxMdLog::LogInit(kLogName);
            WriteLines(Charset::WString2String(argv[2]));
            ExitProcess(0);
        }
        LocalFree(argv);
    }
} g_peerMode;

std::string ReadFile(const std::string& path) {
    std::string text;
    HANDLE h = CreateFileW(Charset::String2WString(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return text;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) text.append(buf, n);
    CloseHandle(h);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // an unterminated tail counts as a (broken) line
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

HANDLE StartSelf(const std::string& args) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" " + Charset::String2WString(args);
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

class LogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        s_root = std::string(temp) + "vx-log-test-" + std::to_string(GetCurrentProcessId());
        Dir::DeleteDir(s_root);
        SetEnvironmentVariableA("VX_DATA_ROOT", s_root.c_str());
    }
    static void TearDownTestSuite() {
        SetEnvironmentVariableA("VX_DATA_ROOT", nullptr);
        Dir::DeleteDir(s_root);
    }
    static std::string LogFolder(const std::string& name) { return s_root + "\\common\\Vixo\\VxMelodisk\\log\\" + name + "\\"; }

    static std::string s_root;
};

std::string LogTest::s_root;

}  // namespace

// Declared first: LogInit is process-wide, and this case needs the time before it.
TEST_F(LogTest, LogsBeforeLogInitUnderTheProgramsNameThenUnderTheGivenName) {
    VxMdLog::Log("early.log", VxMdLog::LEVEL_DEBUG, "Start", "before init %d", 1);
    std::vector<std::string> lines = Lines(ReadFile(LogFolder("VxMdLog_tests") + "early.log"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(" DEBUG [Start] before init 1")) << lines[0];

    VxMdLog::LogInit(kLogName);
    VxMdLog::Log("update.log", VxMdLog::LEVEL_WARNING, "UpdateCmd", "code %u", 7u);
    VxMdLog::Log("update.log", 42, "UpdateCmd", "odd level");
    VxMdLog::Log("update.log", VxMdLog::LEVEL_KEYINFO, nullptr, nullptr);
    lines = Lines(ReadFile(LogFolder(kLogName) + "update.log"));
    ASSERT_EQ(3u, lines.size());
    const std::string ids = " " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(GetCurrentThreadId()) + " ";
    EXPECT_NE(std::string::npos, lines[0].find(ids + "WARNING [UpdateCmd] code 7")) << lines[0];
    EXPECT_NE(std::string::npos, lines[1].find(ids + "UNKOWN [UpdateCmd] odd level")) << lines[1];
    EXPECT_NE(std::string::npos, lines[2].find(ids + "KEYINFO [] (null)")) << lines[2];
    int y, mo, d, h, mi, s, ms;
    EXPECT_EQ(7, std::sscanf(lines[0].c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &y, &mo, &d, &h, &mi, &s, &ms));

    // A path in the file name does not leave the log folder.
    VxMdLog::Log("..\\escape.log", 1, "t", "x");
    EXPECT_FALSE(Dir::IsExistFile(s_root + "\\common\\Vixo\\VxMelodisk\\log\\escape.log"));
}

TEST_F(LogTest, ManyThreadsAndProcessesWriteWholeLinesOnly) {
    VxMdLog::LogInit(kLogName);
    std::vector<HANDLE> peers = {StartSelf("--vx-log-peer P1"), StartSelf("--vx-log-peer P2")};
    std::vector<std::thread> threads;
    const int kThreads = 6;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(WriteLines, "W" + std::to_string(t));
    for (std::thread& th : threads) th.join();
    for (HANDLE peer : peers) {
        ASSERT_NE(nullptr, peer);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(peer, 30000));
        CloseHandle(peer);
    }

    std::vector<std::string> lines = Lines(ReadFile(LogFolder(kLogName) + "threads.log"));
    std::map<std::string, std::vector<int>> seen;
    for (const std::string& line : lines) {
        char tag[32], who[32], padding[400];
        int i = -1;
        unsigned long pid = 0, tid = 0;
        int fields = std::sscanf(line.c_str(), "%*s %*s %lu %lu NOTICE [%31[^]]] %31s %d %399s", &pid, &tid, tag, who, &i, padding);
        ASSERT_EQ(6, fields) << line;
        ASSERT_EQ("T" + std::string(who), tag) << line;
        ASSERT_EQ(kPadding, padding) << line;
        ASSERT_EQ(line.size(), line.find(kPadding) + kPadding.size()) << line;
        seen[who].push_back(i);
    }
    ASSERT_EQ(static_cast<size_t>(kThreads + 2), seen.size());
    for (auto& entry : seen) {
        ASSERT_EQ(static_cast<size_t>(kLinesPerWriter), entry.second.size()) << entry.first;
        for (int i = 0; i < kLinesPerWriter; ++i) EXPECT_EQ(i, entry.second[i]) << entry.first << " in order";
    }
}

TEST_F(LogTest, UserActionRecordsGoToActLogOneRecordPerLine) {
    std::string program;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PROGRAM, program));
    const std::string actLog = program + "log\\act.log";
    // Other test programs of this build may write here too: only this process's keys count.
    // act.log outlives the run and Wine reuses process ids: the key adds the counter too.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string key = "K_TEST_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(now.QuadPart);
    VxMdLog::LogUserActMsg(key.c_str(), "U:42|N:|NA:歌名|PSRC:排行榜->新歌");
    VxMdLog::LogUserActMsg(key.c_str(), "U:42|N:|D:第一行\r\n第二行");
    std::string huge(100 * 1024, 'z');
    VxMdLog::LogUserActMsg(key.c_str(), huge.c_str());
    VxMdLog::LogUserActMsg(key.c_str(), nullptr);

    std::vector<std::string> mine;
    for (const std::string& line : Lines(ReadFile(actLog))) {
        if (line.find("\t" + key + "\t") != std::string::npos) mine.push_back(line);
    }
    ASSERT_EQ(4u, mine.size());
    EXPECT_EQ(23u, mine[0].find('\t')) << "time stamp first: " << mine[0];
    EXPECT_EQ("\t" + key + "\tU:42|N:|NA:歌名|PSRC:排行榜->新歌", mine[0].substr(23));
    EXPECT_EQ("\t" + key + "\tU:42|N:|D:第一行  第二行", mine[1].substr(23));
    EXPECT_LE(mine[2].size() + 2, VxMdLog::kMaxLineBytes);
    EXPECT_EQ(" ...", mine[2].substr(mine[2].size() - 4));
    EXPECT_EQ("\t" + key + "\t", mine[3].substr(23));
}

TEST_F(LogTest, AHugeMessageIsCutAndTheNextLineIsWhole) {
    VxMdLog::LogInit(kLogName);
    std::string huge;
    while (huge.size() < 100 * 1024) huge += "长";
    VxMdLog::Log("huge.log", VxMdLog::LEVEL_NOTICE, "Huge", "%s", huge.c_str());
    VxMdLog::Log("huge.log", VxMdLog::LEVEL_NOTICE, "Huge", huge.c_str());  // as a format, too
    VxMdLog::Log("huge.log", VxMdLog::LEVEL_NOTICE, "After", "fine");
    std::vector<std::string> lines = Lines(ReadFile(LogFolder(kLogName) + "huge.log"));
    ASSERT_EQ(3u, lines.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_LE(lines[i].size() + 2, VxMdLog::kMaxLineBytes);
        EXPECT_GT(lines[i].size(), VxMdLog::kMaxLineBytes / 2);
        EXPECT_EQ(" ...", lines[i].substr(lines[i].size() - 4));
    }
    EXPECT_NE(std::string::npos, lines[2].find("NOTICE [After] fine"));
}
