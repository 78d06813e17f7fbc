#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../../foundation/vxlib/tests/ZipTestWriter.h"
#include "config/ConfigManager.h"
#include "testing/ScopedDataRootWin.h"
#include "updatelib/Update.h"
#include "updatelib/UpdateInfo.h"
#include "vxlib/Dir.h"

namespace {

const char kMelodisk[] = "VxMelodisk_Update_Melodisk";
const char kPlaydeck[] = "VxMelodisk_Update_Playdeck";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

std::string BinDir() {
    std::string bin;
    Dir::GetVxPath(PATH_PROGRAM, bin);
    return bin;
}

// Lines of a stand-in's journal once it holds `count`; a stand-in that never starts ends the
// test by its CTest timeout.
std::vector<std::string> WaitForJournal(const std::string& exe, size_t count) {
    for (;;) {
        std::vector<std::string> lines;
        std::string text = ReadFile(exe + ".journal");
        size_t start = 0, end;
        while ((end = text.find("\r\n", start)) != std::string::npos) {
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        if (lines.size() >= count) return lines;
        Sleep(50);
    }
}

uint64_t Now() { return static_cast<uint64_t>(std::time(nullptr)); }

class UpdateFlowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir::GetVxPath(PATH_UPDATE, m_updateDir));
        m_resultFile = m_updateDir + Update::kResultFileName;
    }
    void WriteResult(const char* section, const char* success, const std::string& savePath, const char* time,
                     const std::string& version = "2.0.0.1") {
        WritePrivateProfileStringA(section, "IsDownloadSuccess", success, m_resultFile.c_str());
        WritePrivateProfileStringA(section, "SavePath", savePath.c_str(), m_resultFile.c_str());
        WritePrivateProfileStringA(section, "Time", time, m_resultFile.c_str());
        WritePrivateProfileStringA(section, "Version", version.c_str(), m_resultFile.c_str());
    }
    std::string ResultKey(const char* section, const char* key) {
        char value[512] = {};
        GetPrivateProfileStringA(section, key, "", value, sizeof(value), m_resultFile.c_str());
        return value;
    }
    std::string StandInBytes() { return ReadFile(BinDir() + "UpdateStandIn.exe"); }

    ScopedDataRoot m_root{"updflows"};
    std::string m_updateDir;
    std::string m_resultFile;
};

TEST_F(UpdateFlowsTest, ResultsNeedPathSuccessAndTimeAndAreConsumedBySection) {
    Update::UpdateResult result;
    EXPECT_EQ(0, Update::GetMelodiskUpdateResult(result));  // no file yet

    std::string longVersion(200, '7');
    WriteResult(kMelodisk, "1", "C:\\pkg\\melodisk.zip", "1700000000", longVersion);
    WriteResult(kPlaydeck, "0", "C:\\pkg\\player.exe", "1700000001");
    ASSERT_EQ(1, Update::GetMelodiskUpdateResult(result));
    EXPECT_EQ(std::string(127, '7'), result.version);
    EXPECT_TRUE(result.downloadSuccess);
    EXPECT_STREQ("C:\\pkg\\melodisk.zip", result.savePath);
    EXPECT_EQ(1700000000u, result.time);
    ASSERT_EQ(1, Update::GetPlaydeckUpdateResult(result));
    EXPECT_FALSE(result.downloadSuccess);
    EXPECT_EQ(1700000001u, result.time);

    // Each of the last three keys missing or empty reads as no result.
    const char* keys[] = {"Time", "SavePath", "IsDownloadSuccess"};
    for (const char* key : keys) {
        WriteResult(kMelodisk, "1", "C:\\pkg\\melodisk.zip", "1700000000");
        WritePrivateProfileStringA(kMelodisk, key, nullptr, m_resultFile.c_str());
        EXPECT_EQ(0, Update::GetMelodiskUpdateResult(result)) << key;
        WritePrivateProfileStringA(kMelodisk, key, "", m_resultFile.c_str());
        EXPECT_EQ(0, Update::GetMelodiskUpdateResult(result)) << key;
    }

    // Installing a result that says "not downloaded" consumes it and starts nothing; the player's
    // section stays.
    WriteResult(kMelodisk, "0", m_updateDir + "none.zip", "1700000000");
    EXPECT_EQ(0, Update::InstallNewVersionMelodisk());
    EXPECT_EQ("", ResultKey(kMelodisk, "Time"));
    EXPECT_EQ(0, Update::GetMelodiskUpdateResult(result));
    EXPECT_EQ("1700000001", ResultKey(kPlaydeck, "Time"));
    EXPECT_FALSE(Dir::IsExistFile(m_updateDir + "VxMdInstaller.exe"));
}

TEST_F(UpdateFlowsTest, PlaydeckPackageStartsAndAWeekOldResultIsConsumed) {
    std::string package = m_updateDir + "PlayerSetup.exe";
    WriteFile(package, StandInBytes());
    Update::UpdateResult result;

    WriteResult(kPlaydeck, "1", package, std::to_string(Now() - 86400).c_str());
    ASSERT_EQ(1, Update::InstallNewVersionPlaydeck());
    EXPECT_EQ("", WaitForJournal(package, 1)[0]);
    EXPECT_EQ(1, Update::GetPlaydeckUpdateResult(result));  // a day old: kept

    WriteResult(kPlaydeck, "1", package, std::to_string(Now() - 8 * 86400).c_str());
    ASSERT_EQ(1, Update::InstallNewVersionPlaydeck());
    EXPECT_EQ(2u, WaitForJournal(package, 2).size());
    EXPECT_EQ(0, Update::GetPlaydeckUpdateResult(result));
    EXPECT_EQ("", ResultKey(kPlaydeck, "SavePath"));

    WriteResult(kPlaydeck, "0", package, std::to_string(Now()).c_str());
    EXPECT_EQ(0, Update::InstallNewVersionPlaydeck());
    WriteResult(kPlaydeck, "1", m_updateDir + "gone.exe", std::to_string(Now()).c_str());
    EXPECT_EQ(0, Update::InstallNewVersionPlaydeck());
}

TEST_F(UpdateFlowsTest, MelodiskPackageIsUnpackedAndItsInstallerStarted) {
    const char* crt[] = {"Microsoft.VC90.CRT.manifest", "msvcm90.dll", "msvcp90.dll", "msvcr90.dll"};
    std::vector<ZipTestEntry> entries;
    entries.push_back({"VxMdInstaller.exe", StandInBytes()});
    for (const char* name : crt) entries.push_back({name, std::string("crt:") + name});
    entries.push_back({"setup/data.bin", "payload"});
    std::string package = m_updateDir + "melodisk.zip";
    WriteFile(package, MakeTestZip(entries));
    // Left over from an earlier installation: must not survive into the new unpack.
    std::string unpackDir = m_updateDir + "vxmd_inst";
    ASSERT_TRUE(Dir::MakeDir(unpackDir));
    WriteFile(unpackDir + "\\stale.txt", "old");

    WriteResult(kMelodisk, "1", package, std::to_string(Now()).c_str());
    ASSERT_EQ(1, Update::InstallNewVersionMelodisk());
    std::string installer = m_updateDir + "VxMdInstaller.exe";
    std::string programDir = BinDir();
    programDir.pop_back();
    EXPECT_EQ("\"" + unpackDir + "\" \"" + programDir + "\"", WaitForJournal(installer, 1)[0]);
    EXPECT_FALSE(Dir::IsExistFile(unpackDir + "\\VxMdInstaller.exe"));
    EXPECT_FALSE(Dir::IsExistFile(unpackDir + "\\stale.txt"));
    EXPECT_EQ("payload", ReadFile(unpackDir + "\\setup\\data.bin"));
    for (const char* name : crt) EXPECT_EQ(std::string("crt:") + name, ReadFile(m_updateDir + name)) << name;
    Update::UpdateResult result;
    EXPECT_EQ(0, Update::GetMelodiskUpdateResult(result));
    EXPECT_EQ(0, Update::InstallNewVersionMelodisk());  // consumed: nothing to install twice
}

TEST_F(UpdateFlowsTest, MelodiskPackagesThatCannotBeInstalledStartNothing) {
    std::string installer = m_updateDir + "VxMdInstaller.exe";
    struct Case {
        const char* what;
        std::vector<ZipTestEntry> entries;
    };
    std::vector<Case> cases = {
        {"no installer", {{"msvcr90.dll", "crt"}, {"readme.txt", "x"}}},
        {"no CRT", {{"VxMdInstaller.exe", StandInBytes()}}},
        {"entry climbing out", {{"VxMdInstaller.exe", StandInBytes()}, {"../escaped.txt", "x"}}},
    };
    for (const Case& c : cases) {
        Dir::DeleteDir(m_updateDir + "vxmd_inst");
        DeleteFileA(installer.c_str());
        std::string package = m_updateDir + "bad.zip";
        WriteFile(package, MakeTestZip(c.entries));
        WriteResult(kMelodisk, "1", package, std::to_string(Now()).c_str());
        EXPECT_EQ(0, Update::InstallNewVersionMelodisk()) << c.what;
        EXPECT_FALSE(Dir::IsExistFile(m_updateDir + "escaped.txt")) << c.what;
        EXPECT_FALSE(Dir::IsExistFile(installer + ".journal")) << c.what;
    }
    WriteResult(kMelodisk, "1", m_updateDir + "missing.zip", std::to_string(Now()).c_str());
    EXPECT_EQ(0, Update::InstallNewVersionMelodisk());
    WriteResult(kMelodisk, "1", m_updateDir + "bad.zip", std::to_string(Now()).c_str());
    WriteFile(m_updateDir + "bad.zip", "not a zip");
    EXPECT_EQ(0, Update::InstallNewVersionMelodisk());
}

// The update requests start program directory + "VxMdUpdate.exe": run them from a copy of the
// program folder whose updater is the stand-in.
class UpdateRequestTest : public UpdateFlowsTest {
protected:
    void SetUp() override {
        UpdateFlowsTest::SetUp();
        m_program = m_root.Path() + "\\program\\";
        m_tmp = m_root.Path() + "\\tmp";
        ASSERT_TRUE(Dir::MakeDir(m_program));
        ASSERT_TRUE(Dir::MakeDir(m_tmp));
        std::string bin = BinDir();
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((bin + "*.dll").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, find);
        do {
            ASSERT_TRUE(CopyFileA((bin + found.cFileName).c_str(), (m_program + found.cFileName).c_str(), FALSE));
        } while (FindNextFileA(find, &found));
        FindClose(find);
        ASSERT_TRUE(CopyFileA((bin + "UpdateCallerPeer.exe").c_str(), (m_program + "UpdateCallerPeer.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((bin + "UpdateStandIn.exe").c_str(), (m_program + "VxMdUpdate.exe").c_str(), FALSE));
        SetEnvironmentVariableA("TMP", m_tmp.c_str());
        AfxGetConfigManager()->SetString("Servers", "All", "http://127.0.0.1:9");
    }
    void TearDown() override { SetEnvironmentVariableA("TMP", m_savedTmp.empty() ? nullptr : m_savedTmp.c_str()); }

    DWORD Run(const char* flow) {
        std::string command = "\"" + m_program + "UpdateCallerPeer.exe\" " + flow;
        STARTUPINFOA si = {sizeof(si)};
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 999;
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 999;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }
    std::vector<std::string> TaskFiles() {
        std::vector<std::string> files;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((m_tmp + "\\Update*.xml").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return files;
        do files.push_back(m_tmp + "\\" + found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return files;
    }
    static std::string SavedTmp() {
        char value[MAX_PATH] = {};
        GetEnvironmentVariableA("TMP", value, MAX_PATH);
        return value;
    }

    std::string m_savedTmp = SavedTmp();
    std::string m_program;
    std::string m_tmp;
};

TEST_F(UpdateRequestTest, MelodiskChecksOnceADayAndPlaydeckEveryTime) {
    ASSERT_EQ(1u, Run("UpdateMelodisk"));
    std::vector<std::string> tasks = TaskFiles();
    ASSERT_EQ(1u, tasks.size());
    std::vector<std::string> journal = WaitForJournal(m_program + "VxMdUpdate.exe", 1);
    EXPECT_EQ("-c \"" + tasks[0] + "\"", journal[0]);
    UpdateInfoMgr mgr;
    ASSERT_TRUE(mgr.Load(tasks[0], false));
    ASSERT_EQ(1u, mgr.GetInfos().size());
    const UpdateInfo& melodisk = mgr.GetInfos()[0];
    EXPECT_EQ(kMelodisk, melodisk.GetClassNameA());
    EXPECT_EQ("http://127.0.0.1:9", melodisk.GetInfoUrl());
    EXPECT_TRUE(melodisk.IsUpdateSilent());
    EXPECT_TRUE(melodisk.IsSetupSilent());
    EXPECT_TRUE(melodisk.IsOnlyDownload());
    EXPECT_EQ(m_updateDir, melodisk.GetSavePath());
    uint32_t day = 0, times = 0;
    AfxGetConfigManager()->GetUInt32("UpdateRegInfo", "Check_Update_Last_Date", day, 0);
    AfxGetConfigManager()->GetUInt32("UpdateRegInfo", "Check_Update_Times", times, 0);
    EXPECT_EQ(Now() / 86400, day);
    EXPECT_EQ(1u, times);

    // The same day again: refused, still reported as done, no task written, no updater started.
    ASSERT_EQ(1u, Run("UpdateMelodisk"));
    EXPECT_EQ(1u, TaskFiles().size());

    // A downloaded package waiting for installation short-cuts the check even on a new day.
    AfxGetConfigManager()->SetUInt32("UpdateRegInfo", "Check_Update_Last_Date", day - 1);
    WriteResult(kMelodisk, "1", m_updateDir + "melodisk.zip", std::to_string(Now()).c_str());
    ASSERT_EQ(1u, Run("UpdateMelodisk"));
    EXPECT_EQ(1u, TaskFiles().size());
    AfxGetConfigManager()->GetUInt32("UpdateRegInfo", "Check_Update_Last_Date", day, 0);
    EXPECT_EQ(Now() / 86400 - 1, day);

    DeleteFileA(tasks[0].c_str());
    ASSERT_EQ(1u, Run("UpdatePlaydeck"));
    tasks = TaskFiles();
    ASSERT_EQ(1u, tasks.size());
    journal = WaitForJournal(m_program + "VxMdUpdate.exe", 2);
    EXPECT_EQ("-c \"" + tasks[0] + "\"", journal[1]);
    ASSERT_TRUE(mgr.Load(tasks[0], true));
    EXPECT_EQ(kPlaydeck, mgr.GetInfos()[0].GetClassNameA());
    EXPECT_FALSE(mgr.GetInfos()[0].IsSetupSilent());
    EXPECT_TRUE(mgr.GetInfos()[0].IsOnlyDownload());
    uint32_t requested = 0;
    AfxGetConfigManager()->GetUInt32("UpdateRegInfo", "LastUpdatePlaydeckTime", requested, 0);
    EXPECT_NE(0u, requested);

    // Without the updater the request fails and leaves no task file behind.
    DeleteFileA((m_program + "VxMdUpdate.exe").c_str());
    EXPECT_EQ(0u, Run("UpdatePlaydeck"));
    EXPECT_TRUE(TaskFiles().empty());
}

TEST_F(UpdateFlowsTest, CompletedInstallationIsReportedOnce) {
    std::string installed = "INST" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(Now());
    IConfigManager* config = AfxGetConfigManager();
    config->SetString("UpdateRegInfo", "INSTALLED", installed);
    config->SetString("UpdateRegInfo", "Last_Version", "1.2.3.4");
    Update::CheckUpdateState();
    Update::CheckUpdateState();
    std::string record = "K_INSTALL_STATE\t" + installed + "|1.2.3.4";
    std::string act = ReadFile(BinDir() + "log\\act.log");
    size_t first = act.find(record);
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, act.find(record, first + 1));
    std::string value = "x";
    config->GetString("UpdateRegInfo", "INSTALLED", value, "default");
    EXPECT_EQ("", value);
    config->GetString("UpdateRegInfo", "Last_Version", value, "default");
    EXPECT_EQ("", value);
}

}  // namespace
