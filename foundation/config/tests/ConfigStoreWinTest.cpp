#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "testing/ScopedDataRootWin.h"

namespace {

std::string ProgramFolder() {
    std::string dir;
    Dir::GetVxPath(PATH_PROGRAM, dir);
    return dir;
}

// Runs the peer program with the given arguments; the returned handle is the caller's.
HANDLE StartPeer(const std::string& args) {
    std::wstring cmd = L"\"" + Charset::String2WString(ProgramFolder() + "VxMdConfig_peer.exe") + L"\" " +
                       Charset::String2WString(args);
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD RunPeer(const std::string& args) {
    HANDLE process = StartPeer(args);
    if (!process) return 999;
    DWORD code = 998;
    if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// Every test works on a store of its own below a fresh data root.
class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_config = AfxGetConfigManager();
        ASSERT_NE(nullptr, m_config);
        std::string dir;
        ASSERT_TRUE(Dir::GetVxPath(PATH_CONFIG, dir));
        m_file = dir + "\\config.ini";
    }
    std::string FileText() const {
        std::string text;
        HANDLE h = CreateFileW(Charset::String2WString(m_file).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return text;
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) text.append(buf, n);
        CloseHandle(h);
        return text;
    }

    ScopedDataRoot m_dataRoot{"config"};
    const std::string m_root = m_dataRoot.Path();
    std::string m_file;
    IConfigManager* m_config = nullptr;
};

}  // namespace

TEST_F(ConfigStoreTest, ExportedByItsPlainName) {
    HMODULE dll = GetModuleHandleW(L"VxMdConfig.dll");
    ASSERT_NE(nullptr, dll);
    typedef IConfigManager* (*Factory)();
    Factory factory = reinterpret_cast<Factory>(GetProcAddress(dll, "AfxGetConfigManager"));
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(m_config, factory());
}

TEST_F(ConfigStoreTest, EverySectionAndKeyOfTheSystemWorksInAnyCase) {
    IConfigManager* c = m_config;
    std::string text;
    int i = 0;
    uint32_t u = 0;
    bool b = true;

    // Missing entries give the defaults, also when out and default are one object.
    c->GetInt("MainWindowRect", "left", i, -1);
    EXPECT_EQ(-1, i);
    c->GetUInt32("BangDan", "LastUpdateTime", u, 0);
    EXPECT_EQ(0u, u);
    c->GetBool("config", "collectcrash", b, false);
    EXPECT_FALSE(b);
    text = "http://default";
    c->GetString("LogMsg", "uplogserver", text, text);
    EXPECT_EQ("http://default", text);
    EXPECT_FALSE(c->QueryString("Config", "Version", text));
    EXPECT_FALSE(c->QueryUInt32("DownloadPathHist", "Num", u));

    const char* rect[] = {"left", "top", "right", "bottom"};
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(c->SetInt("MainWindowRect", rect[k], -100 + k));
    ASSERT_TRUE(c->SetString("ListColWidth", "ColWidth", "120,80,80,60"));
    ASSERT_TRUE(c->SetBool("config", "usetrayicon", true));
    ASSERT_TRUE(c->SetString("config", "version", "1.2.3.4"));
    ASSERT_TRUE(c->SetString("Config", "First_Start", "C:\\下载\\VxMelodisk_setup.exe"));
    ASSERT_TRUE(c->SetBool("config", "collectcrash", true));
    ASSERT_TRUE(c->SetBool("config", "sendcrash", false));
    ASSERT_TRUE(c->SetBool("ErrorReport", "VxMelodisk_crash_0001.dmp", true));
    ASSERT_TRUE(c->SetString("ErrorReport", "VxMelodisk_crash_0001.dmpQQ", "12345"));
    ASSERT_TRUE(c->SetString("ErrorReport", "VxMelodisk_crash_0001.dmpdescribe", "点了播放\r\n然后就崩溃了"));
    ASSERT_TRUE(c->SetString("LogMsg", "realloglevel", "DeBuG"));
    ASSERT_TRUE(c->SetString("LogMsg", "uplogserver", "http://127.0.0.1:9000"));
    ASSERT_TRUE(c->SetUInt32("BangDan", "LastUpdateTime", 4000000000u));
    ASSERT_TRUE(c->SetString("Netsong", "SearchServer", "http://127.0.0.1:9001/s?a=1&b=2"));
    ASSERT_TRUE(c->SetString("Netsong", "TipServer", "http://127.0.0.1:9002"));
    ASSERT_TRUE(c->SetString("Netsong", "PicServer", "http://127.0.0.1:9003"));
    ASSERT_TRUE(c->SetUInt32("DownloadPathHist", "Num", 2));
    ASSERT_TRUE(c->SetString("DownloadPathHist", "0", "D:\\音乐\\"));
    ASSERT_TRUE(c->SetString("UpdateRegInfo", "INSTALLED", "1"));
    ASSERT_TRUE(c->SetString("UpdateRegInfo", "Last_Version", "1.2.3.3"));
    const char* stamps[] = {"LastUpdatePlaydeckTime", "Check_Update_Last_Date", "Check_Update_Times",
                            "AppID_Last_Date", "AppID_Times", "Upload_Time"};
    for (const char* key : stamps) ASSERT_TRUE(c->SetUInt32("UpdateRegInfo", key, 0xFFFFFFF0u));
    ASSERT_TRUE(c->SetString("BHORegInfo", "First_Start", "1"));

    for (int k = 0; k < 4; ++k) {
        std::string upper = rect[k];
        for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
        c->GetInt("MAINWINDOWRECT", upper, i, -1);
        EXPECT_EQ(-100 + k, i) << rect[k];
    }
    c->GetString("listcolwidth", "COLWIDTH", text, "");
    EXPECT_EQ("120,80,80,60", text);
    c->GetBool("CONFIG", "UseTrayIcon", b, false);
    EXPECT_TRUE(b);
    ASSERT_TRUE(c->QueryString("Config", "Version", text));  // written as "config"/"version"
    EXPECT_EQ("1.2.3.4", text);
    c->GetString("config", "first_start", text, "");
    EXPECT_EQ("C:\\下载\\VxMelodisk_setup.exe", text);
    c->GetBool("Config", "CollectCrash", b, false);
    EXPECT_TRUE(b);
    c->GetBool("Config", "SendCrash", b, true);
    EXPECT_FALSE(b);
    c->GetBool("errorreport", "VXMELODISK_CRASH_0001.DMP", b, false);
    EXPECT_TRUE(b);
    c->GetString("ErrorReport", "VxMelodisk_crash_0001.dmpqq", text, "");
    EXPECT_EQ("12345", text);
    c->GetString("ErrorReport", "VxMelodisk_crash_0001.dmpDESCRIBE", text, "");
    EXPECT_EQ("点了播放\r\n然后就崩溃了", text);
    c->GetString("logmsg", "RealLogLevel", text, "");
    EXPECT_EQ("DeBuG", text);
    c->GetUInt32("bangdan", "lastupdatetime", u, 0);
    EXPECT_EQ(4000000000u, u);
    c->GetString("NETSONG", "searchserver", text, "x");
    EXPECT_EQ("http://127.0.0.1:9001/s?a=1&b=2", text);
    c->GetUInt32("downloadpathhist", "NUM", u, 0);
    EXPECT_EQ(2u, u);
    c->GetString("DownloadPathHist", "0", text, "");
    EXPECT_EQ("D:\\音乐\\", text);
    for (const char* key : stamps) {
        u = 0;
        EXPECT_TRUE(c->QueryUInt32("updatereginfo", key, u)) << key;
        EXPECT_EQ(0xFFFFFFF0u, u) << key;
    }
    c->GetString("bhoreginfo", "FIRST_START", text, "");
    EXPECT_EQ("1", text);

    // The same entry written in another case replaces it rather than adding a second.
    ASSERT_TRUE(c->SetString("CONFIG", "VERSION", "2.0"));
    c->GetString("config", "version", text, "");
    EXPECT_EQ("2.0", text);
    std::string file = FileText();
    for (char& ch : file) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    size_t first = file.find("\nversion=");
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, file.find("\nversion=", first + 1)) << file;

    ASSERT_TRUE(c->DeleteKey("config", "VERSION"));
    EXPECT_FALSE(c->QueryString("Config", "Version", text));
    ASSERT_TRUE(c->DeleteSection("netsong"));
    EXPECT_FALSE(c->QueryString("Netsong", "TipServer", text));
}

TEST_F(ConfigStoreTest, UnsignedValuesKeepTheFullRangeAndWrongKindsReadAsDefaults) {
    for (uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        ASSERT_TRUE(m_config->SetUInt32("BangDan", "LastUpdateTime", v));
        uint32_t out = 12345;
        m_config->GetUInt32("BangDan", "LastUpdateTime", out, 0);
        EXPECT_EQ(v, out);
    }
    int i = 0;
    EXPECT_FALSE(m_config->QueryInt("BangDan", "LastUpdateTime", i)) << "4294967295 is no int";
    ASSERT_TRUE(m_config->SetInt("MainWindowRect", "left", -1));
    uint32_t u = 7;
    EXPECT_FALSE(m_config->QueryUInt32("MainWindowRect", "left", u));
    EXPECT_EQ(7u, u) << "a failed query leaves out alone";
    m_config->GetUInt32("MainWindowRect", "left", u, 99);
    EXPECT_EQ(99u, u);
    ASSERT_TRUE(m_config->SetString("MainWindowRect", "top", "not a number"));
    m_config->GetInt("MainWindowRect", "top", i, -1);
    EXPECT_EQ(-1, i);
    bool b = true;
    m_config->GetBool("MainWindowRect", "top", b, false);
    EXPECT_FALSE(b);
}

TEST_F(ConfigStoreTest, RefusedWritesLeaveTheStoreIntact) {
    ASSERT_TRUE(m_config->SetString("Netsong", "PicServer", "http://127.0.0.1:1"));
    EXPECT_FALSE(m_config->SetString("Bad]Section", "k", "v"));
    EXPECT_FALSE(m_config->SetString("Bad\r\nSection", "k", "v"));
    EXPECT_FALSE(m_config->SetString("", "k", "v"));
    std::string text;
    m_config->GetString("Netsong", "PicServer", text, "");
    EXPECT_EQ("http://127.0.0.1:1", text);
    EXPECT_EQ(std::string::npos, FileText().find("Bad"));
}

TEST_F(ConfigStoreTest, WritesAreSeenAtOnceByAnotherProcessBothWays) {
    std::string text;
    for (int round = 0; round < 3; ++round) {
        const std::string mine = "from test " + std::to_string(round);
        ASSERT_TRUE(m_config->SetString("Peer", "FromTest", mine));
        EXPECT_EQ(0u, RunPeer("expect peer fromtest \"" + mine + "\"")) << round;

        m_config->GetString("Peer", "FromPeer", text, "");  // this process has now read the old file
        const std::string theirs = "peer-" + std::to_string(round);
        ASSERT_EQ(0u, RunPeer("set PEER FROMPEER " + theirs));
        m_config->GetString("Peer", "FromPeer", text, "");
        EXPECT_EQ(theirs, text) << round;
    }
}

TEST_F(ConfigStoreTest, AWriterKilledMidWriteNeverDamagesTheStore) {
    ASSERT_TRUE(m_config->SetUInt32("BangDan", "LastUpdateTime", 1700000000u));
    ASSERT_TRUE(m_config->SetString("Config", "Version", "1.0.0.1"));
    for (int round = 0; round < 5; ++round) {
        const std::string section = "Loop" + std::to_string(round);
        HANDLE peer = StartPeer("loop " + section);
        ASSERT_NE(nullptr, peer);
        // Let it get going, then kill it at a moment that varies from round to round.
        std::string text;
        for (int wait = 0; wait < 3000 && !m_config->QueryString(section, "k10", text); ++wait) Sleep(1);
        Sleep(3 + 7 * round);
        ASSERT_TRUE(TerminateProcess(peer, 1));
        WaitForSingleObject(peer, 10000);
        CloseHandle(peer);

        ASSERT_FALSE(FileText().empty());
        uint32_t u = 0;
        m_config->GetUInt32("BangDan", "LastUpdateTime", u, 0);
        EXPECT_EQ(1700000000u, u) << round;
        EXPECT_TRUE(m_config->QueryString("Config", "Version", text) && text == "1.0.0.1") << round;
        int written = 0;
        while (m_config->QueryString(section, "k" + std::to_string(written), text)) {
            EXPECT_EQ("v" + std::to_string(written), text);
            ++written;
        }
        EXPECT_GE(written, 11) << round;
        EXPECT_FALSE(m_config->QueryString(section, "k" + std::to_string(written + 1), text)) << "a gap at " << written;
        // The killed writer may have held the lock: the store must still take writes.
        ASSERT_TRUE(m_config->SetString(section, "after", "kill")) << round;
    }
}

TEST_F(ConfigStoreTest, ConcurrentWritersFromThreadsAndAnotherProcessLoseNothing) {
    const int kThreads = 4, kPerThread = 25, kPeerKeys = 40;
    HANDLE peer = StartPeer("many Shared peer " + std::to_string(kPeerKeys));
    ASSERT_NE(nullptr, peer);
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &failures] {
            IConfigManager* config = AfxGetConfigManager();  // fetched anew, as callers do
            for (int k = 0; k < kPerThread; ++k) {
                if (!config->SetString("Shared", "t" + std::to_string(t) + "_" + std::to_string(k), "v" + std::to_string(k))) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& th : threads) th.join();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(peer, 30000));
    DWORD code = 1;
    GetExitCodeProcess(peer, &code);
    CloseHandle(peer);
    EXPECT_EQ(0u, code);

    std::string text;
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(0, failures[t]);
        for (int k = 0; k < kPerThread; ++k) {
            EXPECT_TRUE(m_config->QueryString("shared", "T" + std::to_string(t) + "_" + std::to_string(k), text)) << t << "/" << k;
        }
    }
    for (int k = 0; k < kPeerKeys; ++k) {
        EXPECT_TRUE(m_config->QueryString("SHARED", "peer" + std::to_string(k), text) && text == "v" + std::to_string(k)) << k;
    }
}

TEST_F(ConfigStoreTest, ServerAddressesComeFromTheirKeyThenAllThenTheBuild) {
    const std::string builtIn = GetServerAddress(kServerSearch);
    EXPECT_EQ(0u, builtIn.find("http://")) << builtIn;
    ASSERT_TRUE(m_config->SetString("servers", "all", "http://127.0.0.1:8080/"));
    EXPECT_EQ("http://127.0.0.1:8080", GetServerAddress(kServerSearch));
    EXPECT_EQ("http://127.0.0.1:8080", GetServerAddress(kServerLog));
    ASSERT_TRUE(m_config->SetString("Servers", ServerKeyName(kServerLog), "http://127.0.0.1:9"));
    EXPECT_EQ("http://127.0.0.1:9", GetServerAddress(kServerLog));
    EXPECT_EQ("http://127.0.0.1:8080", GetServerAddress(kServerSearch));
    ASSERT_TRUE(m_config->DeleteSection("Servers"));
    EXPECT_EQ(builtIn, GetServerAddress(kServerSearch));
    EXPECT_EQ("", GetServerAddress(static_cast<ServerKind>(99)));
}
