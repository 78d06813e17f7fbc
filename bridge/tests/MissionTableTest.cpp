#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../src/DurationText.h"
#include "../src/MissionTable.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Xml.h"

namespace {

struct FakeLauncher : IPlayerLauncher {
    bool exists = true;
    std::vector<std::string> commandLines;
    std::vector<int> actions;

    bool PlayerExists(const std::string&) override { return exists; }
    void Launch(int action, const std::string&, const std::string& commandLine) override {
        actions.push_back(action);
        commandLines.push_back(commandLine);
    }
};

void AddSong(CNetSongList& list, const std::string& name, const std::string& artist) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName(name);
    song->SetArtist(artist);
    CNetResource* wma = new CNetResource;
    wma->SetRid("rid-" + name);
    wma->SetSign(Sign{7, 9});
    wma->SetFileSize(1234);
    song->SetWMA(wma);
    list.AddSongInfo(song);
}

}  // namespace

TEST(MissionTable, NumbersAdvanceOnlyWhenThePlayerWasStarted) {
    CMissionTable table(41);
    FakeLauncher launcher;
    CNetSongList list;
    AddSong(list, "a", "b");

    EXPECT_TRUE(table.StartMission(0, list, "p.exe", 1000, launcher));
    launcher.exists = false;
    EXPECT_FALSE(table.StartMission(2, list, "p.exe", 1000, launcher));
    EXPECT_EQ(42, table.NextNumber());  // the skipped start kept its number
    EXPECT_EQ(2u, table.Size());        // ... and its entry, for the sweep

    launcher.exists = true;
    EXPECT_TRUE(table.StartMission(4, list, "p.exe", 1000, launcher));
    EXPECT_EQ(43, table.NextNumber());
    EXPECT_EQ(2u, table.Size());  // the second request replaced the skipped one's entry
    ASSERT_EQ(2u, launcher.commandLines.size());
    EXPECT_EQ("/mdrun playsong|41", launcher.commandLines[0]);
    EXPECT_EQ("/mdrun download|42", launcher.commandLines[1]);

    std::string text;
    ASSERT_TRUE(table.Fetch(42, text));
    Xml::XmlNode doc;
    ASSERT_TRUE(doc.LoadStringA(text));
    EXPECT_EQ("mp3", doc.GetAttr("downtype"));
    EXPECT_FALSE(table.Fetch(42, text));  // fetched missions are gone
    EXPECT_TRUE(table.Fetch(41, text));
    EXPECT_EQ(0u, table.Size());
}

TEST(MissionTable, MissionTextNamesTheActionAndCarriesEverySongIntact) {
    struct Case {
        int action;
        const char* command;
        const char* name;
        const char* downtype;
    } cases[] = {
        {0, "/mdrun playsong|5", "playsong", nullptr}, {1, "/mdrun playmv|5", "playmv", nullptr},
        {2, "/mdrun playadd|5", "playadd", nullptr},   {3, "/mdrun download|5", "download", "wma"},
        {4, "/mdrun download|5", "download", "mp3"},
    };
    CNetSongList list;
    AddSong(list, "<b>Rock & \"Roll\"", "O'Neil & Sons");
    AddSong(list, "second", "");
    list.GetSongInfoVector().push_back(nullptr);  // a hole in the caller's list is skipped

    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        EXPECT_EQ(c.command, CMissionTable::CommandLine(c.action, 5));
        Xml::XmlNode doc;
        ASSERT_TRUE(doc.LoadStringA(CMissionTable::BuildMissionXml(c.action, list)));
        EXPECT_EQ("pl", doc.GetName());
        EXPECT_EQ(c.name, doc.GetAttr("action"));
        EXPECT_EQ(c.downtype != nullptr, doc.HasAttr("downtype"));
        if (c.downtype) {
            EXPECT_EQ(c.downtype, doc.GetAttr("downtype"));
        }
        ASSERT_EQ(2u, doc.ChildCount());
        std::vector<std::string> names;
        for (auto it = doc.ChildBegin(); it != doc.ChildEnd(); ++it) {
            EXPECT_EQ("so", it->GetName());
            CNetSongInfo song;
            ASSERT_TRUE(song.LoadFromXml(*it));
            names.push_back(song.GetName() + "/" + song.GetArtist());
            ASSERT_NE(nullptr, song.GetWMA());
            EXPECT_EQ("rid-" + song.GetName(), song.GetWMA()->GetRid());
        }
        EXPECT_EQ((std::vector<std::string>{"<b>Rock & \"Roll\"/O'Neil & Sons", "second/"}), names);
    }
    list.GetSongInfoVector().pop_back();
    EXPECT_EQ("", CMissionTable::CommandLine(5, 1));
}

TEST(MissionTable, SweepDropsOldMissionsAndReportsThemWithoutHoldingTheLock) {
    CMissionTable table(100);
    FakeLauncher launcher;
    CNetSongList list;
    AddSong(list, "a", "b");
    const uint32_t start = 0xFFFFF000u;  // the tick count wraps during the test
    table.StartMission(3, list, "p", start, launcher);
    table.StartMission(3, list, "p", start + 10000, launcher);

    std::vector<int> expired;
    auto collect = [&](int number) {
        expired.push_back(number);
        table.Size();  // the job manager may reach back; the table must not be locked here
    };
    table.Sweep(start + 60000, CMissionTable::kMissionMaxAgeMs, collect);
    EXPECT_TRUE(expired.empty());
    table.Sweep(start + 60001, CMissionTable::kMissionMaxAgeMs, collect);
    EXPECT_EQ(std::vector<int>{100}, expired);
    table.Sweep(start + 70001, CMissionTable::kMissionMaxAgeMs, collect);
    EXPECT_EQ((std::vector<int>{100, 101}), expired);
    std::string text;
    EXPECT_FALSE(table.Fetch(100, text));
    EXPECT_EQ(0u, table.Size());
}

TEST(MissionTable, RequestsAreDecimalTextTruncatedTowardZero) {
    struct Case {
        std::string text;
        bool ok;
        int number;
    } cases[] = {
        {"12", true, 12},
        {"12.9", true, 12},
        {"-3.7", true, -3},
        {std::string("77\0", 3), true, 77},
        {"  15 trailing", true, 15},
        {"junk", true, 0},
        {"", true, 0},
        {"1e20", false, 0},
        {"-1e20", false, 0},
        {"2147483647", true, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int number = -99;
        EXPECT_EQ(c.ok, CMissionTable::ParseRequest(c.text, number));
        if (c.ok) {
            EXPECT_EQ(c.number, number);
        }
    }
}

TEST(DurationText, ShowsOnlyTheUnitsFromTheLargestNonZeroOne) {
    EXPECT_EQ("1小时 1分 1秒", DurationText(3661));
    EXPECT_EQ(" 0秒", DurationText(0));
    EXPECT_EQ("59秒", DurationText(59));
    EXPECT_EQ(" 1分 0秒", DurationText(60));
    EXPECT_EQ("1天0小时 0分 0秒", DurationText(86400));
    EXPECT_EQ("1天1小时 1分 1秒", DurationText(90061));
    EXPECT_EQ("23小时59分59秒", DurationText(86399));
}
