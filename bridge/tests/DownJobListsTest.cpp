#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "../src/DownJobLists.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "JobSongs.h"

namespace {

struct FakeDisk {
    std::set<std::string> files;
    std::set<std::string> readOnlyFolders;
    CDownJobLists::ExistsFn Exists() {
        return [this](const std::string& p) { return files.count(p) > 0; };
    }
    CDownJobLists::CopyFn Copy() {
        return [this](const std::string& from, const std::string& to) {
            if (!files.count(from) || files.count(to)) return false;
            for (const std::string& folder : readOnlyFolders)
                if (to.compare(0, folder.size(), folder) == 0) return false;
            files.insert(to);
            return true;
        };
    }
};

}  // namespace

TEST(DownJobLists, AddChoosesResourceNamesTargetAndClones) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000, 20, 3000);  // both
    AddSong(list, "c", "", 11, 1100);             // WMA only, no artist
    AddSong(list, "d", "e", 0, 0);                // no resource at all: nothing to ask for
    CDownJobLists mp3;
    mp3.Add(list, "C:\\Music\\", 7, 4);
    ASSERT_EQ(2u, mp3.Waiting().size());
    const DownJob& first = mp3.Waiting().front();
    EXPECT_EQ("C:\\Music\\a-b.mp3", first.target);
    EXPECT_EQ(Sign(20, 2), first.sign);
    EXPECT_EQ(3000, first.size);
    EXPECT_EQ(7, first.mission);
    EXPECT_NE(list.GetSongInfoVector()[0], first.song);
    EXPECT_EQ("a", first.song->GetName());
    EXPECT_EQ(nullptr, first.song->GetParent());
    const DownJob& second = mp3.Waiting().back();
    EXPECT_EQ("C:\\Music\\c-.wma", second.target);
    EXPECT_EQ(Sign(11, 1), second.sign);
    EXPECT_EQ(1100, second.size);

    CDownJobLists wma;
    wma.Add(list, "D:\\x.y\\", 8, 3);
    ASSERT_EQ(2u, wma.Waiting().size());
    EXPECT_EQ("D:\\x.y\\a-b.wma", wma.Waiting().front().target);
    EXPECT_EQ(1000, wma.Waiting().front().size);
}

TEST(DownJobLists, TransitionsThroughOneDownload) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 2000);
    AddSong(list, "e", "f", 12, 3000);
    CDownJobLists jobs;
    jobs.Add(list, "C:\\M\\", 5, 3);
    FakeDisk disk;
    disk.files = {"L1", "L2", "L3", "C:\\M\\a-b.wma"};
    disk.readOnlyFolders = {"C:\\M\\e-"};

    DownStartInfo start;
    // Another mission's or another sign's start moves nothing.
    EXPECT_FALSE(jobs.Start(6, Sign(10, 1), 900, "L1", start));
    EXPECT_FALSE(jobs.Start(5, Sign(10, 2), 900, "L1", start));
    ASSERT_TRUE(jobs.Start(5, Sign(10, 1), 1500, "L1", start));
    EXPECT_EQ("a-b.wma", start.name);
    EXPECT_EQ("C:\\M\\", start.folder);
    EXPECT_EQ(1u, start.index);
    EXPECT_EQ(3u, start.total);
    ASSERT_EQ(1u, jobs.Downing().size());
    EXPECT_EQ(1500, jobs.Downing().front().size);
    EXPECT_EQ("L1", jobs.Downing().front().localPath);

    // Finish of a waiting job does nothing to it; the downing one stays.
    DownStartInfo next;
    EXPECT_EQ(DownFinishOutcome::kStillDowning, jobs.Finish(5, Sign(11, 1), disk.Exists(), disk.Copy(), next));
    EXPECT_EQ(2u, jobs.Waiting().size());
    EXPECT_EQ(DownFinishOutcome::kStartNext, jobs.Finish(5, Sign(10, 1), disk.Exists(), disk.Copy(), next));
    ASSERT_EQ(1u, jobs.Finished().size());
    EXPECT_TRUE(disk.files.count("C:\\M\\a-b(1).wma"));
    // The song records the target, not the de-duplicated copy.
    EXPECT_EQ("C:\\M\\a-b.wma", jobs.Finished().front().song->GetLocalRes()->GetPath());
    EXPECT_EQ(1500, jobs.Finished().front().done);

    ASSERT_TRUE(jobs.Start(5, Sign(11, 1), 2000, "L2", start));
    EXPECT_EQ(2u, start.index);
    ASSERT_TRUE(jobs.Start(5, Sign(12, 1), 3000, "L3", start));
    EXPECT_EQ("c-d.wma", start.name);  // the first downing job
    EXPECT_EQ(DownFinishOutcome::kStillDowning, jobs.Finish(5, Sign(11, 1), disk.Exists(), disk.Copy(), next));
    // The folder cannot be written: that job fails, the download ends all the same.
    EXPECT_EQ(DownFinishOutcome::kSummary, jobs.Finish(5, Sign(12, 1), disk.Exists(), disk.Copy(), next));
    EXPECT_EQ(2u, jobs.Finished().size());
    ASSERT_EQ(1u, jobs.FailedJobs().size());
    EXPECT_EQ(nullptr, jobs.FailedJobs().front().song->GetLocalRes());

    std::unique_ptr<DownFinishSummary> summary = jobs.TakeSummary();
    EXPECT_EQ(3u, summary->total);
    EXPECT_EQ(2u, summary->finished);
    EXPECT_EQ(1u, summary->failed);
    EXPECT_EQ((std::vector<std::string>{"C:\\M\\a-b.wma", "C:\\M\\c-d.wma"}), summary->targets);
    ASSERT_EQ(2u, summary->finishedSongs->GetSongInfoVector().size());
    EXPECT_EQ("c", summary->finishedSongs->GetSongInfoVector()[1]->GetName());
    ASSERT_EQ(1u, summary->failedSongs->GetSongInfoVector().size());
    EXPECT_EQ("e", summary->failedSongs->GetSongInfoVector()[0]->GetName());
    EXPECT_FALSE(jobs.Busy());
    EXPECT_TRUE(jobs.Finished().empty() && jobs.FailedJobs().empty());

    // A new download counts from 1 again.
    jobs.Add(list, "C:\\M\\", 9, 3);
    ASSERT_TRUE(jobs.Start(9, Sign(11, 1), 10, "L2", start));
    EXPECT_EQ(1u, start.index);
    EXPECT_EQ(3u, start.total);
}

TEST(DownJobLists, FinishOfTheLastDowningStartsTheNextWaiting) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 2000);
    CDownJobLists jobs;
    jobs.Add(list, "C:\\M\\", 5, 3);
    FakeDisk disk;
    disk.files = {"L1"};
    DownStartInfo info;
    ASSERT_TRUE(jobs.Start(5, Sign(10, 1), 1000, "L1", info));
    EXPECT_EQ(DownFinishOutcome::kStartNext, jobs.Finish(5, Sign(10, 1), disk.Exists(), disk.Copy(), info));
    EXPECT_EQ("c-d.wma", info.name);
    EXPECT_EQ(2u, info.index);
    EXPECT_EQ(2u, info.total);
}

TEST(DownJobLists, EqualSignsOfOneMissionStartTogether) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "a2", "b", 10, 1000);
    AddSong(list, "x", "y", 10, 1000);
    CDownJobLists jobs;
    CNetSongList first;
    AddSong(first, "a", "b", 10, 1000);
    AddSong(first, "a2", "b", 10, 1000);
    CNetSongList other;
    AddSong(other, "x", "y", 10, 1000);
    jobs.Add(first, "C:\\", 1, 3);
    jobs.Add(other, "C:\\", 2, 3);
    DownStartInfo info;
    ASSERT_TRUE(jobs.Start(1, Sign(10, 1), 500, "L", info));
    EXPECT_EQ(2u, jobs.Downing().size());
    EXPECT_EQ(1u, jobs.Waiting().size());
    EXPECT_EQ(2, jobs.Waiting().front().mission);
}

TEST(DownJobLists, ByteCountsFollowHowJobsFailed) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 2000);
    AddSong(list, "e", "f", 12, 4000);
    CDownJobLists jobs;
    jobs.Add(list, "C:\\", 1, 3);
    DownStartInfo info;
    DownProgressInfo p;
    EXPECT_FALSE(jobs.Progress(1, Sign(10, 1), 50, 100, p));  // still waiting
    ASSERT_TRUE(jobs.Start(1, Sign(10, 1), 1000, "L", info));
    ASSERT_TRUE(jobs.Progress(1, Sign(10, 1), 50, 300, p));
    EXPECT_EQ(500u, p.done);
    EXPECT_EQ(7000u, p.total);  // the waiting jobs at their catalogue size
    EXPECT_EQ(300, p.speed);

    ASSERT_TRUE(jobs.Start(1, Sign(11, 1), 2000, "L", info));
    bool over = true;
    ASSERT_TRUE(jobs.Failed(1, Sign(11, 1), over));
    EXPECT_FALSE(over);
    EXPECT_EQ(0, jobs.FailedJobs().back().size);
    ASSERT_TRUE(jobs.Progress(1, Sign(10, 1), 100, 0, p));
    EXPECT_EQ(1000u, p.done);
    EXPECT_EQ(5000u, p.total);  // the failed file no longer counts

    // A time-out keeps the size in done and total.
    ASSERT_TRUE(jobs.MoveMissionToFailed(1, over));
    EXPECT_FALSE(over);  // one job still downs
    ASSERT_TRUE(jobs.Progress(1, Sign(10, 1), 10, 0, p));
    EXPECT_EQ(100u + 4000u, p.done);
    EXPECT_EQ(5000u, p.total);
    EXPECT_FALSE(jobs.MoveMissionToFailed(1, over));  // nothing left waiting

    // Large files: percent times size does not overflow.
    CNetSongList big;
    AddSong(big, "g", "h", 13, 40000000);
    jobs.Add(big, "C:\\", 2, 3);
    ASSERT_TRUE(jobs.Start(2, Sign(13, 1), 40000000, "L", info));
    ASSERT_TRUE(jobs.Progress(2, Sign(13, 1), 100, 0, p));
    EXPECT_EQ(40000000, jobs.Downing().back().done);
}

TEST(DownJobLists, ForceStopAndLossOfThePlayer) {
    CNetSongList list;
    AddSong(list, "a", "b", 10, 1000);
    AddSong(list, "c", "d", 11, 2000);
    CDownJobLists stopped;
    stopped.Add(list, "C:\\", 1, 3);
    DownStartInfo info;
    ASSERT_TRUE(stopped.Start(1, Sign(10, 1), 1000, "L", info));
    stopped.ForceStop();
    ASSERT_EQ(2u, stopped.FailedJobs().size());
    EXPECT_EQ(0, stopped.FailedJobs().front().size);    // was downing
    EXPECT_EQ(2000, stopped.FailedJobs().back().size);  // was waiting, kept
    EXPECT_FALSE(stopped.Busy());

    CDownJobLists lost;
    lost.Add(list, "C:\\", 1, 3);
    ASSERT_TRUE(lost.Start(1, Sign(10, 1), 1000, "L", info));
    lost.MoveAllToFailed();
    ASSERT_EQ(2u, lost.FailedJobs().size());
    EXPECT_EQ(1000, lost.FailedJobs().back().size);  // downing jobs come after the waiting ones
    EXPECT_EQ(2000, lost.FailedJobs().front().size);
    std::unique_ptr<DownFinishSummary> summary = lost.TakeSummary();
    EXPECT_EQ(2u, summary->failed);
    EXPECT_TRUE(summary->targets.empty());
}

TEST(DownJobLists, UniqueFileNames) {
    std::set<std::string> files;
    auto exists = [&files](const std::string& p) { return files.count(p) > 0; };
    EXPECT_EQ("C:\\Music\\a-b.mp3", MakeUniqueFileName("C:\\Music\\a-b.mp3", exists));
    files.insert("C:\\Music\\a-b.mp3");
    EXPECT_EQ("C:\\Music\\a-b(1).mp3", MakeUniqueFileName("C:\\Music\\a-b.mp3", exists));
    files.insert("C:\\Music\\a-b(1).mp3");
    EXPECT_EQ("C:\\Music\\a-b(2).mp3", MakeUniqueFileName("C:\\Music\\a-b.mp3", exists));
    for (int n = 2; n <= 99; ++n) files.insert("C:\\Music\\a-b(" + std::to_string(n) + ").mp3");
    EXPECT_EQ("C:\\Music\\a-b(99).mp3", MakeUniqueFileName("C:\\Music\\a-b.mp3", exists));

    files = {"C:\\v1.2\\x-y.wma", "C:\\v1.2\\noext"};
    EXPECT_EQ("C:\\v1.2\\x-y(1).wma", MakeUniqueFileName("C:\\v1.2\\x-y.wma", exists));
    EXPECT_EQ("C:\\v1(1).2\\noext", MakeUniqueFileName("C:\\v1.2\\noext", exists));  // last "." wherever it is
    files = {"noext"};
    EXPECT_EQ("noext(1)", MakeUniqueFileName("noext", exists));
}

TEST(DownJobLists, NumbersOfTheDownStateMessages) {
    struct Case {
        const char* text;
        long long value;
    } cases[] = {
        {"12", 12},       {"12.9", 12},     {"-3.7", -3},  {"abc", 0},   {"", 0},     {"12abc", 12},
        {"1e3", 1000},    {" 7", 7},        {"1e300", 0},  {"-1e300", 0}, {"nan", 0},  {".5", 0},
        {"4294967295", 4294967295LL},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ParseDownNumber(c.text)) << c.text;
    EXPECT_EQ(INT_MAX, ParseDownInt("3000000000"));
    EXPECT_EQ(INT_MIN, ParseDownInt("-3000000000"));
    EXPECT_EQ(4294967295u, ParseDownSignWord("4294967295"));
    EXPECT_EQ(123u, ParseDownSignWord("123.99"));
}

TEST(DownJobLists, SpeedIsAveragedOverTenReports) {
    CSpeedWindow window;
    EXPECT_EQ(100u, window.Add(1000));
    EXPECT_EQ(300u, window.Add(2000));
    for (int i = 0; i < 8; ++i) window.Add(1000);
    EXPECT_EQ(1100u, window.Add(1000));  // the 2000 is still inside
    EXPECT_EQ(1000u, window.Add(1000));  // now it has left
}
