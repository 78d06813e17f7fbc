#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../src/AddMissionPipeWin.h"
#include "BridgeTestingWin.h"
#include "bridge/VxMdInterface.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "testing/ProcessRunWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"
#include "vxlib/Xml.h"

using namespace bridge_testing;

namespace {

std::string TestPlayerExe() { return ProgramFolder() + "VxMdInterface_testplayer.exe"; }

// The command lines the test player was started with, oldest first.
std::vector<std::string> StartedCommandLines(const std::string& playerExe) {
    std::ifstream in(Dir::GetFilePath(playerExe) + "started.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> WaitForStarts(const std::string& playerExe, size_t count) {
    std::vector<std::string> lines;
    PumpUntil([&] { return (lines = StartedCommandLines(playerExe)).size() >= count; }, 20000);
    return lines;
}

// The mission number at the end of a "/mdrun xxx|N" command line.
int MissionOf(const std::string& commandLine) {
    size_t bar = commandLine.rfind('|');
    return bar == std::string::npos ? -1 : std::atoi(commandLine.c_str() + bar + 1);
}

// The recording players run side by side and may write in either order: order them by mission.
std::vector<std::string> ByMission(std::vector<std::string> starts) {
    std::sort(starts.begin(), starts.end(),
              [](const std::string& a, const std::string& b) { return MissionOf(a) < MissionOf(b); });
    return starts;
}

CNetSongInfo* NewSong(const std::string& name, const std::string& artist) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName(name);
    song->SetArtist(artist);
    CNetResource* wma = new CNetResource;
    wma->SetRid("wma-" + name);
    wma->SetFileSize(1000);
    song->SetWMA(wma);
    return song;
}

class FacadeTest : public ::testing::Test {
protected:
    // A folder per test: a player started by the previous test may still hold its copy open.
    ScopedDataRoot m_root{std::string("bridge-") + ::testing::UnitTest::GetInstance()->current_test_info()->name()};
    IVxMdInterface* m_facade = GetVxMdInterface();
};

}  // namespace

TEST(BridgeExport, FactoryHasAPlainNameAndReturnsOneFacade) {
    HMODULE dll = GetModuleHandleA("VxMdInterface.dll");
    ASSERT_NE(nullptr, dll);
    typedef IVxMdInterface* (*Factory)();
    Factory factory = reinterpret_cast<Factory>(GetProcAddress(dll, "GetVxMdInterface"));
    ASSERT_NE(nullptr, factory);
    EXPECT_NE(nullptr, factory());
    EXPECT_EQ(factory(), GetVxMdInterface());
}

// Unloading the library is the facade's only end, and runs under the loader lock, where a thread
// cannot finish exiting: the threads must be done and the state freed without waiting for exits.
TEST(BridgeUnload, UnloadingTheLibraryEndsTheFacadesThreadsAndFreesTheirState) {
    ScopedDataRoot root("bridge-unload");
    vxtest::CProcessRun host;
    ASSERT_TRUE(host.Start(ProgramFolder() + "VxMdInterface_unloadpeer.exe", ""));
    EXPECT_EQ(0u, host.WaitExit(60000));  // two loads, each with a facade, each unloaded

    std::string logs;
    ASSERT_TRUE(Dir::GetVxPath(PATH_COMMON_APPDATA, logs));
    logs += "\\Vixo\\VxMelodisk\\log\\VxMdInterface_unloadpeer\\";
    const std::string jobs = ReadText(logs + "dl_mgr.log");
    size_t stops = 0;
    for (size_t at = 0; (at = jobs.find("[_StopThreads] out", at)) != std::string::npos; ++at) ++stops;
    EXPECT_EQ(2u, stops) << jobs;
    EXPECT_EQ(std::string::npos, jobs.find("did not end in time")) << jobs;
    const std::string missions = ReadText(logs + "MsgHandler.txt");
    EXPECT_EQ(std::string::npos, missions.find("thread abandoned")) << missions;
}

TEST_F(FacadeTest, PlayerIsUsableOnlyFromItsMinimumVersion) {
    std::string newer, older, path;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, newer));
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_OLD_EXE, older));
    EXPECT_EQ(0, m_facade->GetPlayerPath(path, 0));
    EXPECT_EQ("", path);  // nothing installed

    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), newer, 6, 0, 1, 2));
    EXPECT_EQ(0, m_facade->GetPlayerPath(path, 0));
    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), newer, 6, 0, 1, 3));
    EXPECT_EQ(1, m_facade->GetPlayerPath(path, 0));
    EXPECT_EQ(newer, path);

    ASSERT_TRUE(DeleteFileA(newer.c_str()));
    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), older, 5, 2, 0, 2));
    EXPECT_EQ(0, m_facade->GetPlayerPath(path, 0));
    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), older, 5, 2, 0, 3));
    EXPECT_EQ(1, m_facade->GetPlayerPath(path, 0));
    EXPECT_EQ(older, path);
}

TEST_F(FacadeTest, PlayRequestsAreNumberedMissionsThatThePlayerFetchesOnce) {
    std::string player;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, player));
    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), player, 6, 0, 1, 3));

    std::unique_ptr<CNetSongInfo> tricky(NewSong("<b>Rock & \"Roll\"</b>", "O'Neil & Sons"));
    std::unique_ptr<CNetSongInfo> plain(NewSong("plain", ""));
    std::vector<CSongInfoBase*> none;
    std::vector<CSongInfoBase*> two = {tricky.get(), nullptr, plain.get()};

    m_facade->PlaySongs(&none, kActionPlaySongs);  // no mission, no number
    m_facade->PlaySongs(&two, kActionPlaySongs);
    m_facade->PlaySongs(&none, kActionPlaySongs);
    m_facade->PlaySong(plain.get(), kActionPlayAdd);
    m_facade->PlaySong(nullptr, kActionPlayAdd);
    std::vector<std::string> starts = ByMission(WaitForStarts(player, 2));
    ASSERT_EQ(2u, starts.size()) << (starts.empty() ? "" : starts[0]);
    const int first = MissionOf(starts[0]);
    EXPECT_NE(std::string::npos, starts[0].find("/mdrun playsong|" + std::to_string(first))) << starts[0];
    EXPECT_NE(std::string::npos, starts[1].find("/mdrun playadd|" + std::to_string(first + 1)));

    // Both missions wait side by side; each is served once, in any order.
    std::string reply;
    ASSERT_TRUE(RequestMission(std::to_string(first + 1) + ".9", reply));
    Xml::XmlNode added;
    ASSERT_TRUE(added.LoadStringA(reply));
    EXPECT_EQ("playadd", added.GetAttr("action"));
    ASSERT_EQ(1u, added.ChildCount());
    EXPECT_EQ("plain", added.GetChild("so").GetAttr("n"));

    ASSERT_TRUE(RequestMission(std::to_string(first), reply));
    Xml::XmlNode played;
    ASSERT_TRUE(played.LoadStringA(reply));
    EXPECT_EQ("playsong", played.GetAttr("action"));
    EXPECT_FALSE(played.HasAttr("downtype"));
    std::vector<std::string> names;
    for (auto it = played.ChildBegin(); it != played.ChildEnd(); ++it) {
        CNetSongInfo song;
        ASSERT_TRUE(song.LoadFromXml(*it));
        names.push_back(song.GetName() + "|" + song.GetArtist());
    }
    EXPECT_EQ((std::vector<std::string>{"<b>Rock & \"Roll\"</b>|O'Neil & Sons", "plain|"}), names);

    EXPECT_FALSE(RequestMission(std::to_string(first), reply));  // already fetched
    EXPECT_EQ("", reply);
    EXPECT_FALSE(RequestMission("junk", reply));                // mission 0 does not exist
    EXPECT_FALSE(RequestMission("-1e30", reply));

    // CancelAll forgets the waiting missions.
    m_facade->PlaySong(plain.get(), kActionPlayMv);
    starts = ByMission(WaitForStarts(player, 3));
    ASSERT_EQ(3u, starts.size());
    EXPECT_NE(std::string::npos, starts[2].find("/mdrun playmv|" + std::to_string(first + 2)));
    m_facade->CancelAll();
    EXPECT_FALSE(RequestMission(std::to_string(first + 2), reply));
}

TEST_F(FacadeTest, MissionNotFetchedInTimeIsSweptAway) {
    std::string player;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PLAYER_EXE, player));
    ASSERT_TRUE(InstallStampedCopy(TestPlayerExe(), player, 6, 0, 1, 3));
    std::unique_ptr<CNetSongInfo> song(NewSong("late", "x"));

    for (int i = 0; i < 3; ++i) m_facade->PlaySong(song.get(), kActionPlaySongs);
    std::vector<std::string> starts = ByMission(WaitForStarts(player, 3));
    ASSERT_EQ(3u, starts.size());
    std::string reply;
    ASSERT_TRUE(RequestMission(std::to_string(MissionOf(starts[1])), reply));  // a fresh one is there

    const MissionTiming timing = MissionTiming::FromEnvironment();
    ASSERT_LT(timing.maxAgeMs, 10000u) << "run with VX_BRIDGE_TIME_DIVISOR set";
    // Clients that connect and stay, one silent and one that asks and never reads the reply, hold
    // neither the sweep nor a well-behaved player.
    SilentClient silent(kAddMissionPipeName);
    SilentClient deaf(kAddMissionPipeName, std::to_string(MissionOf(starts[2])));
    Pump(timing.maxAgeMs + 3 * timing.pollMs);
    m_facade->PlaySong(song.get(), kActionPlaySongs);
    starts = ByMission(WaitForStarts(player, 4));
    ASSERT_EQ(4u, starts.size());
    EXPECT_TRUE(RequestMission(std::to_string(MissionOf(starts[3])), reply));
    EXPECT_FALSE(RequestMission(std::to_string(MissionOf(starts[0])), reply));
}
