#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BridgeTestingWin.h"
#include "bridge/VxMdInterface.h"
#include "config/ConfigManager.h"
#include "core/MessageManager.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxmusic/InstallStandInWin.h"

using namespace bridge_testing;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Songs the stand-in server serves: any rid, with the size the catalogue gives.
CNetSongInfo* ServedSong(int n) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName("歌" + std::to_string(n));
    song->SetArtist("E2E");
    CNetResource* wma = new CNetResource;
    wma->SetRid("e2e-" + std::to_string(n));
    wma->SetSign(Sign(4000 + n, 7));
    wma->SetFileSize(3000 + n);
    song->SetWMA(wma);
    return song;
}

// What the "vxmdinterface" channel told this thread.
struct SummaryWatcher : IVxMdInterfaceObserver {
    int summaries = 0;
    unsigned total = 0, finished = 0, failed = 0;
    std::vector<std::string> targets;

    SummaryWatcher() { AfxGetMessageManager()->Register(kVxMdInterfaceChannel, this, kObserverUiThread); }
    ~SummaryWatcher() override { AfxGetMessageManager()->Unregister(kVxMdInterfaceChannel, this); }

    void DownFinishAll(unsigned t, unsigned ok, unsigned bad, std::vector<std::string>* files, CNetSongList*,
                       CNetSongList*) override {
        ++summaries;
        total = t;
        finished = ok;
        failed = bad;
        if (files) targets = *files;
    }
};

// Answers the download dialog as a user would, from another thread: types the folder into the
// combo box and presses OK.
class DialogDriver {
public:
    explicit DialogDriver(const std::string& folder)
        : m_thread([this, folder] {
              for (int i = 0; i < 1000 && !m_stop; ++i) {
                  HWND dlg = FindWindowA("#32770", "下载提示");
                  if (dlg && IsWindowVisible(dlg)) {
                      SetDlgItemTextA(dlg, 1031, folder.c_str());
                      SendMessageA(GetDlgItem(dlg, 1004), BM_CLICK, 0, 0);  // WMA
                      SendMessageA(GetDlgItem(dlg, 1006), BM_CLICK, 0, 0);
                      m_pressed = true;
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~DialogDriver() {
        m_stop = true;
        m_thread.join();
    }
    bool Pressed() const { return m_pressed; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_pressed{false};
    std::thread m_thread;
};

// Closes the finished progress dialogs this process shows.
void CloseSummaryDialogs() {
    for (HWND dlg; (dlg = FindWindowA("#32770", "下载完毕")) != nullptr;) {
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        PumpOnce();
    }
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* server = std::getenv("VX_TEST_SERVER");
        if (!server) GTEST_SKIP() << "needs the stand-in server (VX_WITH_SERVER=1)";
        AfxGetConfigManager()->SetString("Servers", "All", server);
        m_player = VxStandIn::InstallPlayer();
        ASSERT_FALSE(m_player.empty());
        m_facade = GetVxMdInterface();
    }
    void TearDown() override {
        CloseSummaryDialogs();
        EXPECT_TRUE(VxStandIn::QuitPlayer());
        SetEnvironmentVariableA("VX_PLAYER_MODE", nullptr);
    }

    // The job manager fails pending jobs at a poll that finds no player, so a download waits for a
    // running one, as it would after the user's first play request.
    bool StartPlayer() {
        std::unique_ptr<CNetSongInfo> song(ServedSong(0));
        m_facade->PlaySong(song.get(), kActionPlaySongs);
        return PumpUntil([&] { return !Journal().empty() && VxStandIn::RunningPlayerPid() != 0; }, 20000);
    }

    std::vector<std::string> Journal() {
        std::vector<std::string> lines;
        std::ifstream in(Dir::GetFilePath(m_player) + "journal.txt");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    ScopedDataRoot m_root{"bridge-e2e"};
    std::string m_player;
    IVxMdInterface* m_facade = nullptr;
};

}  // namespace

TEST_F(EndToEndTest, PlayRequestReachesThePlayerWithItsMission) {
    std::unique_ptr<CNetSongInfo> song(ServedSong(1));
    song->SetName("A <tag> & \"quoted\"");
    m_facade->PlaySong(song.get(), kActionPlaySongs);

    std::vector<std::string> journal;
    ASSERT_TRUE(PumpUntil([&] { return !(journal = Journal()).empty(); }, 20000));
    // <pid> TAB start|forward TAB command line TAB mission text
    std::vector<std::string> fields;
    for (size_t start = 0, tab; start != std::string::npos; start = tab == std::string::npos ? tab : tab + 1) {
        tab = journal[0].find('\t', start);
        fields.push_back(journal[0].substr(start, tab == std::string::npos ? tab : tab - start));
    }
    ASSERT_GE(fields.size(), 4u);
    EXPECT_EQ(0u, fields[2].find("/mdrun playsong|"));
    Xml::XmlNode mission;
    std::string text = fields[3];
    if (!text.empty() && text.back() == '\r') text.pop_back();
    ASSERT_TRUE(mission.LoadStringA(text)) << text;
    EXPECT_EQ("playsong", mission.GetAttr("action"));
    EXPECT_EQ("A <tag> & \"quoted\"", mission.GetChild("so").GetAttr("n"));
}

TEST_F(EndToEndTest, ThreeSongsDownloadedThroughTheDialogLandInTheChosenFolder) {
    std::string actLog = ProgramFolder() + "log\\act.log";
    const size_t actBefore = ReadAll(actLog).size();
    std::vector<std::unique_ptr<CNetSongInfo>> owned;
    std::vector<CSongInfoBase*> songs;
    // Names Windows refuses, and a GBK character whose second byte is '\\'.
    const std::string names[] = {"歌\x95\x5C", "AC/DC", "Why?"};
    const std::string files[] = {"歌\x95\x5C-E2E.wma", "AC_DC-E2E.wma", "Why_-E2E.wma"};
    for (int n = 1; n <= 3; ++n) {
        owned.emplace_back(ServedSong(n));
        owned.back()->SetName(names[n - 1]);
        songs.push_back(owned.back().get());
    }
    ASSERT_TRUE(StartPlayer());
    SummaryWatcher watcher;
    const std::string folder = m_root.Path() + "\\我的下载";
    int quality = kActionAskQuality;
    std::string suggested;
    {
        DialogDriver driver(folder);
        m_facade->DownloadSongs(&songs, &quality, &suggested, kDownloadKindDownload);
        EXPECT_TRUE(driver.Pressed());
    }
    EXPECT_EQ(kActionDownloadWma, quality);

    ASSERT_TRUE(PumpUntil([&] { return watcher.summaries > 0; }, 60000));
    EXPECT_EQ(1, watcher.summaries);
    EXPECT_EQ(3u, watcher.total);
    EXPECT_EQ(3u, watcher.finished);
    EXPECT_EQ(0u, watcher.failed);
    ASSERT_EQ(3u, watcher.targets.size());
    for (int n = 1; n <= 3; ++n) {
        std::string target = folder + "\\" + files[n - 1];
        EXPECT_TRUE(Dir::IsExistFile(target)) << target;
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExW(Charset::String2WString(target).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(3000u + n, data.nFileSizeLow);
    }
    // The progress dialog writes its record when the summary reaches it, maybe after this watcher.
    std::string records;
    PumpUntil([&] { return (records = ReadAll(actLog).substr(actBefore)).find("K_DOWNLOAD_RES") != std::string::npos; },
              10000);
    EXPECT_NE(std::string::npos, records.find("\tK_DOWNLOAD_RES\t")) << records;
    EXPECT_NE(std::string::npos, records.find("|TOTAL:3|SUC:3|")) << records;
}

TEST_F(EndToEndTest, PlayerThatExitsMidDownloadEndsTheRunWithFailures) {
    SetEnvironmentVariableA("VX_PLAYER_MODE", "exit-mid");
    std::vector<std::unique_ptr<CNetSongInfo>> owned;
    std::vector<CSongInfoBase*> songs;
    for (int n = 1; n <= 3; ++n) {
        owned.emplace_back(ServedSong(10 + n));
        songs.push_back(owned.back().get());
    }
    ASSERT_TRUE(StartPlayer());
    SummaryWatcher watcher;
    const std::string folder = m_root.Path() + "\\mid";
    int quality = kActionAskQuality;
    std::string suggested;
    {
        DialogDriver driver(folder);
        m_facade->DownloadSongs(&songs, &quality, &suggested, kDownloadKindDownload);
        EXPECT_TRUE(driver.Pressed());
    }
    ASSERT_TRUE(PumpUntil([&] { return watcher.summaries > 0; }, 90000));
    EXPECT_EQ(3u, watcher.total);
    EXPECT_EQ(1u, watcher.finished);  // the player left during the second file
    EXPECT_EQ(2u, watcher.failed);
    EXPECT_TRUE(Dir::IsExistFile(folder + "\\歌11-E2E.wma"));
    EXPECT_FALSE(Dir::IsExistFile(folder + "\\歌12-E2E.wma"));
}
