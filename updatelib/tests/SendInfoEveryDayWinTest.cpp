#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "../src/SendInfoText.h"
#include "config/ConfigManager.h"
#include "log/VxMdLog.h"
#include "testing/ScopedDataRootWin.h"
#include "updatelib/SendInfoEveryDay.h"
#include "vxlib/Base64.h"
#include "vxlib/Dir.h"
#include "vxlib/UserId.h"

struct SendInfoEveryDayTestPeer {
    static void GenUserID() { CSendInfoEveryDay::GenUserID(); }
    static void SendClientLog() { CSendInfoEveryDay::SendClientLog(); }
    static bool UploadFile(const std::string& f, const std::string& s) { return CSendInfoEveryDay::UploadFile(f, s); }
    static void GetCrashFile(std::string& out, std::vector<std::string>& sent) { CSendInfoEveryDay::GetCrashFile(out, sent); }
};
using Peer = SendInfoEveryDayTestPeer;

namespace {

const char kReg[] = "UpdateRegInfo";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string Pid() { return std::to_string(GetCurrentProcessId()); }

// A user id of this process that no other test program uses.
std::string UniqueId(int n) { return "9" + Pid() + "0" + std::to_string(n); }

std::string ReadAll(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What the stand-in registration and log servers kept (tools/webserver/handlers/report.py).
std::string ReportDir() { return Dir::GetFilePath(Env("VX_TEST_SERVER_JOURNAL")) + "report\\"; }

std::vector<std::string> Records(const char* suffix) {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((ReportDir() + "*-" + suffix).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return paths;
    do paths.push_back(ReportDir() + fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Inflated uploads whose record names this user id.
std::vector<std::string> UploadsOf(const std::string& userId) {
    std::vector<std::string> found;
    for (const std::string& p : Records("um.txt")) {
        std::string text = ReadAll(p);
        if (text.compare(0, 6 + userId.size() + 1, "9%09U:" + userId + "|") == 0) found.push_back(text);
    }
    return found;
}

// Registration texts (with the server's answer on the last line) that contain marker.
std::vector<std::string> RegistrationsWith(const std::string& marker) {
    std::vector<std::string> found;
    for (const std::string& p : Records("regsvr.txt")) {
        std::string text = ReadAll(p);
        if (text.find(marker) != std::string::npos) found.push_back(text);
    }
    return found;
}

size_t JournalCount(const std::string& text) {
    std::string journal = ReadAll(Env("VX_TEST_SERVER_JOURNAL"));
    size_t count = 0;
    for (size_t at = journal.find(text); at != std::string::npos; at = journal.find(text, at + 1)) ++count;
    return count;
}

std::string ProgramDir() {
    std::string dir;
    Dir::GetVxPath(PATH_PROGRAM, dir);
    return dir;
}

uint32_t Today() { return static_cast<uint32_t>(std::time(nullptr)) / 86400; }

uint32_t ConfigUInt(const char* key) {
    uint32_t v = 0xFFFFFFFFu;
    AfxGetConfigManager()->QueryUInt32(kReg, key, v);
    return v;
}

std::string CurrentUserId() {
    char id[64] = {};
    UserId::GetUserID(id, sizeof id);
    return id;
}

// One installation below a fresh data root, its servers at the stand-in.
class SendInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = Env("VX_TEST_SERVER");
        ASSERT_FALSE(m_server.empty()) << "run with VX_WITH_SERVER=1";
        IConfigManager* c = AfxGetConfigManager();
        ASSERT_TRUE(c->SetString("Servers", "All", m_server));
        ASSERT_TRUE(c->SetString("Config", "Version", m_version));
    }

    ScopedDataRoot m_root{"sendinfo"};
    std::string m_server;
    std::string m_version = "3.1.4.1";
};

std::string ActLine(const std::string& key, const std::string& text) { return "\t" + key + "\t" + text + "\r\n"; }

}  // namespace

TEST_F(SendInfoTest, RegistrationIsLimitedToFiveADayAndStoresTheAnsweredId) {
    IConfigManager* c = AfxGetConfigManager();
    const std::string failing = "/noreg-" + Pid();
    ASSERT_TRUE(c->SetString("Servers", "Register", m_server + failing));
    for (int start = 0; start < 6; ++start) Peer::GenUserID();
    EXPECT_EQ(5u, JournalCount(failing + "/regsvr.auth?"));
    EXPECT_EQ(5u, ConfigUInt("AppID_Times"));
    EXPECT_EQ(Today(), ConfigUInt("AppID_Last_Date"));
    EXPECT_EQ("", CurrentUserId());

    // A new day allows attempts again; this one reaches the server.
    ASSERT_TRUE(c->DeleteKey("Servers", "Register"));
    ASSERT_TRUE(c->SetUInt32(kReg, "AppID_Last_Date", Today() - 1));
    const std::string src = "VxMdSetup_" + Pid() + ".exe";
    ASSERT_TRUE(c->SetString("Config", "First_Start", "C:\\downloads\\" + src));
    ASSERT_TRUE(c->SetString("BHORegInfo", "First_Start", "C:\\downloads\\" + src));
    Peer::GenUserID();
    EXPECT_EQ(1u, ConfigUInt("AppID_Times"));
    std::vector<std::string> regs = RegistrationsWith("&src=" + src);
    ASSERT_EQ(1u, regs.size());
    const std::string& reg = regs[0];
    EXPECT_EQ(0u, reg.find("id=&mac=")) << reg;
    EXPECT_NE(std::string::npos, reg.find("&ver=" + m_version + "&src=" + src + "\n")) << reg;
    std::string answered = reg.substr(reg.find("\nid=") + 4);
    const std::string id = CurrentUserId();
    EXPECT_EQ(answered, id);
    EXPECT_TRUE(SendInfoText::IsPositiveNumber(id));
    char stored[128] = {};
    UserId::GetInstallSRC(stored, sizeof stored);
    EXPECT_EQ(src, stored);
    std::string bho = "unread";
    c->QueryString("BHORegInfo", "First_Start", bho);
    EXPECT_EQ("", bho);

    // With an id: nothing more today, the current id once on another day.
    Peer::GenUserID();
    EXPECT_EQ(1u, RegistrationsWith("&src=" + src).size());
    ASSERT_TRUE(c->SetUInt32(kReg, "AppID_Last_Date", Today() - 1));
    Peer::GenUserID();
    regs = RegistrationsWith("&src=" + src);
    ASSERT_EQ(2u, regs.size());
    EXPECT_EQ(0u, regs[1].find("id=" + id + "&mac=")) << regs[1];
    EXPECT_EQ(id, CurrentUserId());
    EXPECT_EQ(0u, ConfigUInt("AppID_Times"));
}

TEST_F(SendInfoTest, LogIsUploadedOncePerDayAndAFailedUploadKeepsItsRecords) {
    IConfigManager* c = AfxGetConfigManager();
    const std::string id = UniqueId(1), src = "src" + Pid();
    ASSERT_TRUE(UserId::SetUserID(id.c_str()));
    ASSERT_TRUE(UserId::SetInstallSRC(src.c_str()));
    const std::string key = "K_SENDINFO_" + Pid();
    const std::string actLog = ProgramDir() + "log\\act.log";

    ASSERT_TRUE(c->SetString("LogMsg", "uplogserver", m_server + "/nolog-" + Pid()));
    VxMdLog::LogUserActMsg((key + "_A").c_str(), "first");
    Peer::SendClientLog();
    EXPECT_TRUE(UploadsOf(id).empty());
    EXPECT_EQ(0xFFFFFFFFu, ConfigUInt("Upload_Time")) << "a failed upload must not hold back the next one";
    EXPECT_NE(std::string::npos, ReadAll(actLog + ".unsent").find(ActLine(key + "_A", "first")));

    // Another program holds the waiting records open (they can be read, not replaced or removed)
    // while the next upload fails too: still nothing is lost.
    HANDLE holder = CreateFileA((actLog + ".unsent").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    VxMdLog::LogUserActMsg((key + "_H").c_str(), "held");
    Peer::SendClientLog();
    CloseHandle(holder);
    EXPECT_TRUE(UploadsOf(id).empty());

    ASSERT_TRUE(c->SetString("LogMsg", "uplogserver", m_server));
    VxMdLog::LogUserActMsg((key + "_B").c_str(), "second");
    Peer::SendClientLog();
    std::vector<std::string> uploads = UploadsOf(id);
    ASSERT_EQ(1u, uploads.size());
    EXPECT_NE(std::string::npos, uploads[0].find(ActLine(key + "_A", "first")));
    EXPECT_NE(std::string::npos, uploads[0].find(ActLine(key + "_H", "held")));
    EXPECT_NE(std::string::npos, uploads[0].find(ActLine(key + "_B", "second")));
    EXPECT_EQ(0u, uploads[0].find("9%09U:" + id + "|V:" + m_version + "|SRC:" + src + "|T:"));
    EXPECT_FALSE(Exists(actLog + ".unsent"));
    std::vector<std::string> params = Records("um.param");
    ASSERT_FALSE(params.empty());
    bool paramSeen = false;
    for (const std::string& p : params) paramSeen |= ReadAll(p) == id + ";" + m_version + "," + src;
    EXPECT_TRUE(paramSeen);

    // The second start of the day sends nothing and leaves the log in place.
    VxMdLog::LogUserActMsg((key + "_C").c_str(), "third");
    Peer::SendClientLog();
    EXPECT_EQ(1u, UploadsOf(id).size());
    EXPECT_NE(std::string::npos, ReadAll(actLog).find(ActLine(key + "_C", "third")));

    ASSERT_TRUE(c->SetUInt32(kReg, "Upload_Time", static_cast<uint32_t>(std::time(nullptr)) - 1441 * 60));
    Peer::SendClientLog();
    uploads = UploadsOf(id);
    ASSERT_EQ(2u, uploads.size());
    EXPECT_NE(std::string::npos, uploads[1].find(ActLine(key + "_C", "third")));
    EXPECT_EQ(std::string::npos, uploads[1].find(ActLine(key + "_A", "first")));

    // More records than one upload takes: they go in several, cut between records, none lost.
    std::string backlog;
    for (int i = 0; backlog.size() < SendInfoText::kUploadCap + 400000; ++i)
        backlog += "2026-12-09 10:00:00.000\t" + key + "\tN:" + std::to_string(i) + "|" + std::string(i % 97, 'x') + "\r\n";
    FILE* f = std::fopen(actLog.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(backlog.data(), 1, backlog.size(), f);
    std::fclose(f);
    ASSERT_TRUE(c->SetUInt32(kReg, "Upload_Time", static_cast<uint32_t>(std::time(nullptr)) - 1441 * 60));
    Peer::SendClientLog();
    uploads = UploadsOf(id);
    ASSERT_EQ(4u, uploads.size());
    std::string sent;
    for (size_t i = 2; i < uploads.size(); ++i) {
        std::string body = uploads[i].substr(uploads[i].find("|\r\n") + 3);
        EXPECT_LE(body.size(), SendInfoText::kUploadCap);
        EXPECT_EQ("\r\n", body.substr(body.size() - 2));
        sent += body;
    }
    EXPECT_TRUE(sent == backlog) << sent.size() << " of " << backlog.size();
    EXPECT_FALSE(Exists(actLog + ".unsent"));
}

TEST_F(SendInfoTest, UploadSendsOnlyTheFirst3072000BytesOfALargeLog) {
    const std::string id = UniqueId(2);
    ASSERT_TRUE(UserId::SetUserID(id.c_str()));
    std::string log(4000000, '\0');
    for (size_t i = 0; i < log.size(); ++i) log[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
    const std::string file = m_root.Path() + "\\big-act.log";
    Dir::MakeDir(m_root.Path());
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(log.data(), 1, log.size(), f);
    std::fclose(f);

    ASSERT_TRUE(Peer::UploadFile(file, m_server));
    std::vector<std::string> uploads = UploadsOf(id);
    ASSERT_EQ(1u, uploads.size());
    size_t headEnd = uploads[0].find("|\r\n");
    ASSERT_NE(std::string::npos, headEnd);
    std::string body = uploads[0].substr(headEnd + 3);
    EXPECT_EQ(3072000u, body.size());
    EXPECT_TRUE(body == log.substr(0, 3072000));

    // A missing file is created and sent as an empty log.
    const std::string missing = m_root.Path() + "\\new\\act.log.out";
    ASSERT_TRUE(Peer::UploadFile(missing, m_server));
    EXPECT_TRUE(Exists(missing));
    uploads = UploadsOf(id);
    ASSERT_EQ(2u, uploads.size());
    EXPECT_EQ(uploads[1].size(), uploads[1].find("|\r\n") + 3);
}

TEST_F(SendInfoTest, CrashDumpsNeedBothFlagsAndTheirOwnConsentAndGoOnlyOnceSent) {
    IConfigManager* c = AfxGetConfigManager();
    const std::string id = UniqueId(3);
    ASSERT_TRUE(UserId::SetUserID(id.c_str()));
    // 40-character names: the key is characters 7 to 31.
    std::string tag = Pid();
    tag = std::string(8 - std::min<size_t>(8, tag.size()), '0') + tag.substr(0, 8);
    const std::string agreed = "vxcrash" + tag + "agreed_dump_000000000.dmp";
    const std::string refused = "vxcrash" + tag + "refused_dump_00000000.dmp";
    ASSERT_EQ(40u, agreed.size());
    ASSERT_EQ(40u, refused.size());
    const std::string agreedKey = agreed.substr(7, 25), refusedKey = refused.substr(7, 25);
    const std::string dir = ProgramDir();
    const std::string content = std::string("MDMP\0\x01\x02\xff", 8) + " dump of " + tag;
    for (const std::string& name : {agreed, refused}) {
        FILE* f = std::fopen((dir + name).c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    ASSERT_TRUE(c->SetBool("ErrorReport", agreedKey, true));
    ASSERT_TRUE(c->SetBool("ErrorReport", refusedKey, false));
    ASSERT_TRUE(c->SetString("ErrorReport", agreedKey + "QQ", "12345"));
    ASSERT_TRUE(c->SetString("ErrorReport", agreedKey + "describe", "it broke"));

    std::string out = "untouched";
    std::vector<std::string> sent;
    ASSERT_TRUE(c->SetBool("config", "collectcrash", true));
    Peer::GetCrashFile(out, sent);
    EXPECT_EQ("untouched", out);
    ASSERT_TRUE(c->SetBool("config", "collectcrash", false));
    ASSERT_TRUE(c->SetBool("config", "sendcrash", true));
    Peer::GetCrashFile(out, sent);
    EXPECT_EQ("untouched", out);
    EXPECT_TRUE(sent.empty());

    ASSERT_TRUE(c->SetBool("config", "collectcrash", true));
    std::string base64;
    Base64Encode(base64, content.data(), content.size());
    const std::string section = SendInfoText::CrashSection(agreed, "it broke", "12345", base64);

    // An upload that fails keeps the dump for the next day.
    const std::string file = m_root.Path() + "\\act.log.out";
    ASSERT_FALSE(Peer::UploadFile(file, m_server + "/nolog-" + Pid()));
    EXPECT_TRUE(Exists(dir + agreed));

    ASSERT_TRUE(Peer::UploadFile(file, m_server));
    std::vector<std::string> uploads = UploadsOf(id);
    ASSERT_EQ(1u, uploads.size());
    const std::string& record = uploads[0];
    size_t crash = record.find("Crash_Ver:" + m_version);
    ASSERT_NE(std::string::npos, crash);
    EXPECT_EQ(record.find("|\r\n") + 3, crash);
    EXPECT_NE(std::string::npos, record.find(section, crash));
    EXPECT_EQ(std::string::npos, record.find(refused));
    EXPECT_FALSE(Exists(dir + agreed));
    EXPECT_TRUE(Exists(dir + refused));
    DeleteFileA((dir + refused).c_str());
}

// Run in a child process (one worker per process): the parent checks that nothing was uploaded.
TEST(SendInfoChild, ReleaseWithinThePause) {
    if (Env("VX_SENDINFO_CHILD") != "1") GTEST_SKIP() << "run by ReleaseWithinThePauseUploadsNothing";
    CSendInfoEveryDay::SendInfo();
    for (int i = 0; i < 300 && CurrentUserId().empty(); ++i) Sleep(50);
    ASSERT_FALSE(CurrentUserId().empty());
    CSendInfoEveryDay::Release();
    // Longer than the pause the parent gave: a worker that was not stopped would upload now.
    Sleep(4000);
}

TEST_F(SendInfoTest, ReleaseWithinThePauseUploadsNothing) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" --gtest_filter=SendInfoChild.ReleaseWithinThePause";
    SetEnvironmentVariableA("VX_SENDINFO_CHILD", "1");
    SetEnvironmentVariableA("VX_SENDINFO_PAUSE_MS", "3000");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("VX_SENDINFO_CHILD", nullptr);
    SetEnvironmentVariableA("VX_SENDINFO_PAUSE_MS", nullptr);
    ASSERT_TRUE(started);
    DWORD code = 1;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_EQ(0u, code);
    const std::string id = CurrentUserId();
    ASSERT_FALSE(id.empty()) << "the child registered before it released";
    EXPECT_TRUE(UploadsOf(id).empty());
    EXPECT_EQ(0xFFFFFFFFu, ConfigUInt("Upload_Time"));
}

// The whole day's report through the exported entry points, in this process's one worker.
TEST_F(SendInfoTest, EndToEndTheDaysActionsReachTheLogServer) {
    const std::string key = "K_SENDINFO_E2E_" + Pid();
    VxMdLog::LogUserActMsg((key + "_1").c_str(), "U:1|N:one");
    VxMdLog::LogUserActMsg((key + "_2").c_str(), "U:2|N:two");
    VxMdLog::LogUserActMsg((key + "_3").c_str(), "U:3|N:three");
    SetEnvironmentVariableA("VX_SENDINFO_PAUSE_MS", "200");
    CSendInfoEveryDay::SendInfo();
    CSendInfoEveryDay::SendInfo();
    std::vector<std::string> uploads;
    std::string id;
    for (int i = 0; i < 600 && uploads.empty(); ++i) {
        Sleep(50);
        id = CurrentUserId();
        if (!id.empty()) uploads = UploadsOf(id);
    }
    CSendInfoEveryDay::Release();
    SetEnvironmentVariableA("VX_SENDINFO_PAUSE_MS", nullptr);
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(1u, uploads.size());
    for (const char* n : {"_1\tU:1|N:one\r\n", "_2\tU:2|N:two\r\n", "_3\tU:3|N:three\r\n"})
        EXPECT_NE(std::string::npos, uploads[0].find("\t" + key + n)) << n;
    // A second worker would have counted a second registration attempt.
    EXPECT_EQ(1u, ConfigUInt("AppID_Times"));
    EXPECT_EQ(1u, RegistrationsWith("\nid=" + id).size());
}
