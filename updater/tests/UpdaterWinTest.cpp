// The updater program against the stand-in servers (VX_WITH_SERVER=1): each test writes a task
// file, runs the built VxMdUpdate.exe and reads what it left in the result file, on the notify
// pipe, on the server and in the stand-in installers' journal.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigManager.h"
#include "config/ServerAddress.h"
#include "testing/ScopedDataRootWin.h"
#include "updatelib/Update.h"
#include "updatelib/UpdateInfo.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/StringUtility.h"
#include "vxmusic/InstallStandInWin.h"

namespace {

const DWORD kBoundMs = 60000;  // a bound for things that must happen, never a timing check
const char kNotifyPipe[] = "\\\\.\\Pipe\\ViXoMdUpdateNotifyPipe_20110427";
const char kStopListening[] = "stop-listening";

std::string Env(const char* name) {
    char value[1024] = "";
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ServerRoot() { return Env("VX_TEST_SERVER_ROOT") + "\\"; }

// What the check offers (tools/webserver/handlers/update.py, uc.json in the served root).
void SetOffers(const std::string& json) { WriteFileText(ServerRoot() + "uc.json", json); }

std::string ResultValue(const std::string& saveDir, const std::string& section, const char* key) {
    char value[1024] = "";
    GetPrivateProfileStringA(section.c_str(), key, "<absent>", value, sizeof value,
                             (saveDir + "\\VxMdUpdateResult.ini").c_str());
    return value;
}

bool ServerSaw(const std::string& what) {
    return ReadFileText(Env("VX_TEST_SERVER_JOURNAL")).find(what) != std::string::npos;
}

// One installation below a data root of its own, its servers on the stand-in.
class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest() : m_root(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}

    void SetUp() override {
        ASSERT_FALSE(Env("VX_TEST_SERVER").empty()) << "needs VX_WITH_SERVER=1";
        AfxGetConfigManager()->SetString(kServersSection, "All", Env("VX_TEST_SERVER"));
        m_save = m_root.Path() + "\\save";
        m_journal = m_root.Path() + "\\installer_journal.txt";
        SetEnvironmentVariableA("VX_INSTALLER_JOURNAL", m_journal.c_str());
        Dir::MakeDir(m_root.Path());
    }
    void TearDown() override {
        SetEnvironmentVariableA("VX_INSTALLER_JOURNAL", nullptr);
        SetOffers("{}");
    }

    UpdateInfo Task(const std::string& className, const std::string& version, const std::string& userId) {
        return UpdateInfo(version, Env("VX_TEST_SERVER"), className, "", true, false, true, userId, "src", m_save);
    }

    // Writes the task file, runs the updater to its end; returns the task file's path.
    std::string RunUpdater(const std::vector<UpdateInfo>& tasks) {
        UpdateInfoMgr mgr;
        mgr.GetInfos() = tasks;
        std::string file = m_root.Path() + "\\tasks.xml";
        EXPECT_TRUE(mgr.Store(file, false));
        std::string exe = VxStandIn::BuildBinFolder() + "VxMdUpdate.exe";
        std::string command = "\"" + exe + "\" -c \"" + file + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        EXPECT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        if (!pi.hProcess) return file;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, kBoundMs));
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(0u, code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return file;
    }

    std::string Result(const std::string& className, const char* key) { return ResultValue(m_save, className, key); }

    ScopedDataRoot m_root;
    std::string m_save;
    std::string m_journal;
};

// Listens on the update-notify pipe as the bridge does, one message per connection.
class NotifyListener {
public:
    NotifyListener() {
        m_pipe.Reset(CreateNamedPipeA(kNotifyPipe, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 1 << 20, 0,
                                      nullptr));
        if (m_pipe.Valid()) m_thread = std::thread([this] { Run(); });
    }
    ~NotifyListener() { Stop(); }
    bool Ok() const { return m_pipe.Valid(); }

    std::vector<std::string> Stop() {
        if (m_thread.joinable()) {
            // Unblocks the waiting connect with a message of our own.
            HANDLE client = INVALID_HANDLE_VALUE;
            for (int i = 0; i < 200 && client == INVALID_HANDLE_VALUE; ++i) {
                WaitNamedPipeA(kNotifyPipe, 100);
                client = CreateFileA(kNotifyPipe, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            }
            DWORD n = 0;
            WriteFile(client, kStopListening, sizeof kStopListening, &n, nullptr);
            CloseHandle(client);
            m_thread.join();
        }
        std::lock_guard<std::mutex> hold(m_lock);
        return m_messages;
    }

private:
    void Run() {
        std::vector<char> buffer(1 << 20);
        for (;;) {
            if (!ConnectNamedPipe(m_pipe.Get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return;
            std::string message;
            DWORD n = 0;
            while (ReadFile(m_pipe.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
                message.append(buffer.data(), n);
            DisconnectNamedPipe(m_pipe.Get());
            if (message == std::string(kStopListening, sizeof kStopListening)) return;
            std::lock_guard<std::mutex> hold(m_lock);
            m_messages.push_back(message);
        }
    }

    CHandle m_pipe;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<std::string> m_messages;
};

}  // namespace

TEST_F(UpdaterTest, UpToDateTasksDownloadNothing) {
    SetOffers(R"({"other": {"version": "3.2.0.0", "filename": "uptodate.dat"}})");
    RunUpdater({Task("Test_Update_Same", "3.2.0.0", "u-same")});
    SetOffers(R"({"other": {"version": "1.10.0.0", "filename": "uptodate.dat"}})");
    RunUpdater({Task("Test_Update_Textual", "1.9.0.0", "u-text")});

    EXPECT_EQ("1", Result("Test_Update_Same", "IsDownloadSuccess"));
    EXPECT_EQ("", Result("Test_Update_Same", "SavePath"));
    EXPECT_EQ("3.2.0.0", Result("Test_Update_Same", "Version"));
    EXPECT_NE("", Result("Test_Update_Same", "Time"));
    // 1.9.0.0 against 1.10.0.0: compared as text, the current one does not sort first.
    EXPECT_EQ("1", Result("Test_Update_Textual", "IsDownloadSuccess"));
    EXPECT_EQ("", Result("Test_Update_Textual", "SavePath"));
    EXPECT_EQ("1.10.0.0", Result("Test_Update_Textual", "Version"));
    EXPECT_FALSE(ServerSaw("/upd/pkg/uptodate.dat"));

    // The decoded answer is kept beside the result, the task file is gone.
    EXPECT_NE(std::string::npos, ReadFileText(m_save + "\\Test_Update_Same.ini").find("version=3.2.0.0"));
    EXPECT_FALSE(Dir::IsExistFile(m_root.Path() + "\\tasks.xml"));
    std::string requests = ReadFileText(ServerRoot() + "uc_requests.txt");
    EXPECT_NE(std::string::npos, requests.find("u-same;3.2.0.0,src,update\n"));
    EXPECT_NE(std::string::npos, requests.find("u-text;1.9.0.0,src,update\n"));
}

TEST_F(UpdaterTest, TaskHeldByAnotherUpdaterIsLeftAlone) {
    const std::string cls = "Test_Update_Held";
    Dir::MakeDir(m_save);
    std::string resultFile = m_save + "\\VxMdUpdateResult.ini";
    WritePrivateProfileStringA(cls.c_str(), "IsDownloadSuccess", "1", resultFile.c_str());
    WritePrivateProfileStringA(cls.c_str(), "SavePath", "C:\\earlier\\pkg.exe", resultFile.c_str());
    WritePrivateProfileStringA(cls.c_str(), "Version", "7.7.7.7", resultFile.c_str());
    CHandle held(CreateMutexA(nullptr, FALSE, (cls + "_VxMd_Update_20110627").c_str()));
    ASSERT_TRUE(held.Valid());

    RunUpdater({Task(cls, "1.0.0.0", "u-held"), Task("Test_Update_Free", "1.0.0.0", "u-free")});

    EXPECT_EQ("1", Result(cls, "IsDownloadSuccess"));
    EXPECT_EQ("C:\\earlier\\pkg.exe", Result(cls, "SavePath"));
    EXPECT_EQ("7.7.7.7", Result(cls, "Version"));
    EXPECT_EQ("<absent>", Result(cls, "Time"));
    std::string requests = ReadFileText(ServerRoot() + "uc_requests.txt");
    EXPECT_EQ(std::string::npos, requests.find("u-held;"));
    // The next task of the same file still runs.
    EXPECT_NE(std::string::npos, requests.find("u-free;"));
    EXPECT_EQ("1", Result("Test_Update_Free", "IsDownloadSuccess"));
}

TEST_F(UpdaterTest, PackageThatIsNoProgramIsKeptNotStarted) {
    // A real program under a name that is neither ".exe" nor ".msi": started, it would journal.
    Dir::MakeDir(ServerRoot() + "upd\\pkg");
    ASSERT_TRUE(CopyFileA((VxStandIn::BuildBinFolder() + "VxMdInstaller.exe").c_str(),
                          (ServerRoot() + "upd\\pkg\\setup.com").c_str(), FALSE));
    SetOffers(R"({"other": {"version": "2.0.0.0", "filename": "setup.com"}})");
    UpdateInfo task = Task("Test_Update_NoProgram", "1.0.0.0", "u-com");
    task.SetOnlyDownload(false);
    task.SetSetupSilent(true);
    // No listener on the notify pipe: the task still runs to its end.
    RunUpdater({task});

    EXPECT_EQ("1", Result("Test_Update_NoProgram", "IsDownloadSuccess"));
    std::string target = Result("Test_Update_NoProgram", "SavePath");
    EXPECT_EQ(m_save + "\\setup.com", target);
    EXPECT_EQ(ReadFileText(ServerRoot() + "upd\\pkg\\setup.com"), ReadFileText(target));
    EXPECT_FALSE(Dir::IsExistFile(target + ".vxpart"));
    EXPECT_EQ("", ReadFileText(m_journal));
}

TEST_F(UpdaterTest, PackageHashDecidesWhetherItIsKept) {
    const std::string wrong(64, '0');
    SetOffers(R"({"other": {"version": "2.0.0.0", "filename": "hashed.dat", "sha256": ")" + wrong + R"("}})");
    RunUpdater({Task("Test_Update_BadHash", "1.0.0.0", "u-bad")});
    EXPECT_EQ("0", Result("Test_Update_BadHash", "IsDownloadSuccess"));
    EXPECT_EQ("2.0.0.0", Result("Test_Update_BadHash", "Version"));
    EXPECT_FALSE(Dir::IsExistFile(m_save + "\\hashed.dat"));
    EXPECT_TRUE(ServerSaw("/upd/pkg/hashed.dat"));

    // The hash of the bytes served (upper case hex reads the same).
    SetOffers(R"({"other": {"version": "2.0.0.0", "filename": "hashed.dat"}})");
    RunUpdater({Task("Test_Update_GoodHash", "1.0.0.0", "u-good")});
    EXPECT_NE(std::string::npos, ReadFileText(m_save + "\\Test_Update_GoodHash.ini").find("sha256="));
    EXPECT_EQ("1", Result("Test_Update_GoodHash", "IsDownloadSuccess"));
    EXPECT_EQ(256u * 1024, ReadFileText(m_save + "\\hashed.dat").size());

    // Without a hash in the answer the package is taken as it comes.
    SetOffers(R"({"other": {"version": "2.0.0.0", "filename": "unhashed.dat", "sha256": null}})");
    RunUpdater({Task("Test_Update_NoHash", "1.0.0.0", "u-none")});
    EXPECT_EQ(std::string::npos, ReadFileText(m_save + "\\Test_Update_NoHash.ini").find("sha256"));
    EXPECT_EQ("1", Result("Test_Update_NoHash", "IsDownloadSuccess"));
    EXPECT_EQ(m_save + "\\unhashed.dat", Result("Test_Update_NoHash", "SavePath"));
}

TEST_F(UpdaterTest, UnusableAnswersFailTheTask) {
    SetOffers(R"({"other": {"raw": "this is not base64!"}})");
    RunUpdater({Task("Test_Update_Garbage", "1.0.0.0", "u-garbage")});
    EXPECT_EQ("0", Result("Test_Update_Garbage", "IsDownloadSuccess"));
    EXPECT_EQ("", Result("Test_Update_Garbage", "Version"));
    EXPECT_FALSE(Dir::IsExistFile(m_save + "\\Test_Update_Garbage.ini"));

    SetOffers(R"({"other": {"status": 500}})");
    RunUpdater({Task("Test_Update_Refused", "1.0.0.0", "u-refused")});
    EXPECT_EQ("0", Result("Test_Update_Refused", "IsDownloadSuccess"));
    std::string requests = ReadFileText(ServerRoot() + "uc_requests.txt");
    size_t tries = 0;
    for (size_t at = requests.find("u-refused;"); at != std::string::npos; at = requests.find("u-refused;", at + 1))
        ++tries;
    EXPECT_EQ(3u, tries);

    // A package name that would leave the save folder is refused before anything is asked for.
    for (const std::string jsonName : {"../escape.dat", "..\\\\escape.dat"}) {
        SetOffers(R"({"other": {"version": "2.0.0.0", "sha256": null, "filename": ")" + jsonName + "\"}}");
        RunUpdater({Task("Test_Update_Escape", "1.0.0.0", "u-escape")});
        EXPECT_EQ("0", Result("Test_Update_Escape", "IsDownloadSuccess")) << jsonName;
        EXPECT_EQ("2.0.0.0", Result("Test_Update_Escape", "Version")) << jsonName;
        EXPECT_FALSE(ServerSaw("escape.dat")) << jsonName;
        EXPECT_FALSE(Dir::IsExistFile(m_root.Path() + "\\escape.dat")) << jsonName;
    }

    // A download that stops sending is given up instead of holding the task for ever.
    SetOffers(R"({"other": {"version": "2.0.0.0", "filename": "stalled.dat", "sha256": null, "pace_ms": 600000}})");
    SetEnvironmentVariableA("VX_UPDATER_TIME_DIVISOR", "100");
    RunUpdater({Task("Test_Update_Stalled", "1.0.0.0", "u-stalled")});
    SetEnvironmentVariableA("VX_UPDATER_TIME_DIVISOR", nullptr);
    EXPECT_EQ("0", Result("Test_Update_Stalled", "IsDownloadSuccess"));
    EXPECT_FALSE(Dir::IsExistFile(m_save + "\\stalled.dat"));
}

TEST_F(UpdaterTest, ListenerFollowsPlayerUpdate) {
    NotifyListener listener;
    ASSERT_TRUE(listener.Ok());
    // A held check answer and a paced download give the listener time to see each step.
    SetOffers(R"({"playdeck": {"delay_ms": 1500, "pace_ms": 150}})");
    UpdateInfo task = Task(Update::kPlaydeckClassName, "6.0.1.3", "u-player");
    task.SetOnlyDownload(false);
    RunUpdater({task});
    std::vector<std::string> messages = listener.Stop();

    ASSERT_FALSE(messages.empty());
    std::string all;
    for (const std::string& m : messages) all += m.substr(0, m.size() - 1) + " ";
    SCOPED_TRACE(all);
    int lastState = -1, lastPercent = -1;
    bool sawRequest = false, sawProgress = false;
    for (const std::string& m : messages) {
        ASSERT_FALSE(m.empty());
        EXPECT_EQ('\0', m.back()) << "every message ends with its NUL";
        std::vector<std::string> f;
        StringUtility::Tokenize(m.substr(0, m.size() - 1), "|", f);
        ASSERT_EQ(3u, f.size()) << m;
        EXPECT_EQ(Update::kPlaydeckClassName, f[0]);
        int state = std::stoi(f[1]), value = std::stoi(f[2]);
        EXPECT_GE(state, lastState) << "states arrive in order";
        if (state == 1) sawRequest = true;
        if (state == 2) {
            sawProgress = true;
            EXPECT_GE(value, 0);
            EXPECT_LE(value, 99);
            // The last callback, with the size done equal to the total, reads 0 again.
            if (value > 0) {
                EXPECT_GE(value, lastPercent);
                lastPercent = value;
            }
        }
        if (state == 3) {
            EXPECT_EQ(1, value);
        }
        lastState = state;
    }
    EXPECT_TRUE(sawRequest);
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(std::string("VxMelodisk_Update_Playdeck|4|1") + '\0', messages.back());

    EXPECT_EQ("u-player;MUSIC_4.0.0.0,MUSIC_4.0.0.0.exe,update\n",
              ReadFileText(ServerRoot() + "uc_requests.txt").substr(
                  ReadFileText(ServerRoot() + "uc_requests.txt").find("u-player;")));
    EXPECT_EQ(m_save + "\\VxMusicSetup.exe", Result(Update::kPlaydeckClassName, "SavePath"));

    // The started installer: no " /S" (not set up silently), and it installs the newer player.
    std::string userIni;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, userIni));
    userIni = Dir::GetFilePath(userIni) + "user.ini";
    char version[64] = "";
    for (int i = 0; i < 600 && std::string(version) != "6.0.2.0"; ++i) {
        Sleep(100);
        GetPrivateProfileStringA("UserInfo", "Version", "", version, sizeof version, userIni.c_str());
    }
    EXPECT_STREQ("6.0.2.0", version);
    std::string journal = ReadFileText(m_journal);
    EXPECT_EQ("VxMusicSetup\t" + m_save + "\\VxMusicSetup.exe\t\r\n", journal);
}

// The whole product update: the library starts this build's updater, which fetches the product
// package; the library then unpacks it and starts the stand-in installer it holds.
TEST_F(UpdaterTest, ProductUpdateFromCheckToInstaller) {
    ASSERT_EQ(1, Update::UpdateMelodisk());
    Update::UpdateResult result;
    bool downloaded = false;
    for (int i = 0; i < 600 && !downloaded; ++i) {
        Sleep(100);
        downloaded = Update::GetMelodiskUpdateResult(result) && result.downloadSuccess;
    }
    ASSERT_TRUE(downloaded);
    // The updater keeps its task until it has told the listeners: let it end first.
    const std::string mutexName = std::string(Update::kMelodiskClassName) + "_VxMd_Update_20110627";
    for (int i = 0; i < 600; ++i) {
        CHandle running(OpenMutexA(SYNCHRONIZE, FALSE, mutexName.c_str()));
        if (!running.Valid()) break;
        Sleep(100);
    }
    EXPECT_STREQ("9.0.0.0", result.version);
    const std::string package = result.savePath;
    ASSERT_GE(package.size(), 22u);
    EXPECT_EQ("VxMelodisk_9.0.0.0.zip", package.substr(package.size() - 22));
    EXPECT_NE(std::string::npos, ReadFileText(ServerRoot() + "uc_requests.txt").find(",CHECK_UPDATE\n"));

    ASSERT_EQ(1, Update::InstallNewVersionMelodisk());
    std::string updateDir, programDir;
    ASSERT_TRUE(Dir::GetVxPath(PATH_UPDATE, updateDir));
    ASSERT_TRUE(Dir::GetVxPath(PATH_PROGRAM, programDir));
    programDir.pop_back();
    std::string journal;
    for (int i = 0; i < 600 && journal.find("\r\n") == std::string::npos; ++i) {
        Sleep(100);
        journal = ReadFileText(m_journal);
    }
    EXPECT_EQ("VxMdInstaller\t" + updateDir + "VxMdInstaller.exe\t\"" + updateDir + "vxmd_inst\" \"" + programDir +
                  "\"\r\n",
              journal);
    for (const char* crt : {"Microsoft.VC90.CRT.manifest", "msvcm90.dll", "msvcp90.dll", "msvcr90.dll"})
        EXPECT_TRUE(Dir::IsExistFile(updateDir + crt)) << crt;
    // The result is used up: a second installation finds nothing to install.
    EXPECT_EQ(0, Update::InstallNewVersionMelodisk());
}
