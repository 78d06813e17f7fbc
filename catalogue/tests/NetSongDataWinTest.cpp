#include <gtest/gtest.h>

#include "ReplyBlocks.h"

#include <memory>

#include "FacadeWin.h"
#include "testing/AddressSpaceWin.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Dir.h"
#include "vxlib/Charset.h"
#include "vxlib/Xml.h"
#include "vxlib/Zip.h"

namespace {

std::string Songs(int first, int count) {
    std::string page;
    for (int i = first; i < first + count; ++i) {
        page += "songname=song" + std::to_string(i) + "\nartist=singer\nnsig1=1\nnsig2=" + std::to_string(i + 1) +
                "\nmusicrid=MUSIC_" + std::to_string(i) + "\n\r\n\r\n";
    }
    return page;
}

// Reply files served by the stand-in below its root, removed again at the end.
class ServedFiles {
public:
    ServedFiles() {
        const char* root = std::getenv("VX_TEST_SERVER_ROOT");
        m_dir = std::string(root ? root : ".") + "\\catsearch-" + std::to_string(GetCurrentProcessId());
        Dir::MakeDir(m_dir);
    }
    ~ServedFiles() { Dir::DeleteDir(m_dir); }
    std::string Put(const std::string& name, const std::string& data) {
        std::ofstream(m_dir + "\\" + name, std::ios::binary) << data;
        return TestFacade::Get().server + "/catsearch-" + std::to_string(GetCurrentProcessId()) + "/" + name;
    }

private:
    std::string m_dir;
};

long Start(int kind, const std::string& key) {
    SearchParam param;
    param.nType = kind;
    param.strKey = key;
    return TestFacade::Get().facade->Search(param);
}

bool WaitEnd(long cookie) {
    auto& r = TestFacade::Get().recorder;
    return PumpUntil([&] { return r.Has(kMsgSearchFinished, cookie) || r.Has(kMsgSearchFailed, cookie); });
}

int ShowingCount() {
    std::vector<CSongInfoBase*> songs;
    TestFacade::Get().facade->GetShowingSongs(songs, 0);
    return static_cast<int>(songs.size());
}

std::string SearchRecord(const std::string& key) {
    std::string program;
    Dir::GetVxPath(PATH_PROGRAM, program);
    const std::string log = ReadText(program + "log\\act.log");
    const std::string head = "\tSEARCH\tKEY:" + key + "|";
    const size_t at = log.rfind(head);
    if (at == std::string::npos) return std::string();
    return log.substr(at + head.size(), log.find('\n', at) - at - head.size());
}

bool Cached(const std::string& address) {
    return AfxGetFileCache()->GetItemInfo("VX_SEARCH_SONG", address.c_str(), nullptr, nullptr) != 0;
}

}  // namespace

TEST(Facade, IsOneObjectThatAnnouncesItselfAndRefusesBadPositions) {
    TestFacade& t = TestFacade::Get();
    ASSERT_NE(nullptr, t.facade);
    EXPECT_EQ(t.facade, GetNetSongData());
    ASSERT_FALSE(t.recorder.events.empty());
    EXPECT_EQ(kMsgCreated, t.recorder.events[0].id);

    CSongInfoBase* song = nullptr;
    EXPECT_EQ(0, t.facade->GetOneSearchSong(-1, song));
    EXPECT_EQ(nullptr, song);
    EXPECT_EQ(0, t.facade->GetOneSearchSong(0, song));
    EXPECT_EQ(nullptr, song);
    const std::string log = ReadText(LogPath("netsongdata.txt"));
    EXPECT_NE(std::string::npos, log.find("pos err!ipos=-1,iSize=0"));

    std::unique_ptr<CNetSongList> text(new CNetSongList);
    text->SetUrl("http://h/notes.txt");
    EXPECT_EQ(-1, t.facade->OpenListItem(text.get(), 0));
}

TEST(Facade, HasNoRankingTreeBeforeItArrives) {
    EXPECT_EQ(0, TestFacade::Get().treeAtCreation);
}

TEST(Facade, OpensQrbListsAsBlockRepliesIntoTheNowShowingList) {
    TestFacade& t = TestFacade::Get();
    ServedFiles files;
    const std::string address = files.Put("chart.QRB", Block(Songs(0, 3)) + Block(Songs(3, 2)));
    std::unique_ptr<CNetSongList> chart(new CNetSongList);
    chart->SetUrl(address);
    chart->SetBaseImageUrl("http://img/");
    const long cookie = t.facade->OpenListItem(chart.get(), 0);
    ASSERT_GT(cookie, 0);
    SearchParam last;
    t.facade->GetLastSearchParam(last);
    EXPECT_EQ(kSearchLocalList, last.nType);
    EXPECT_EQ("http://img/", last.strImgUrl);
    ASSERT_TRUE(WaitEnd(cookie));
    EXPECT_TRUE(t.recorder.Has(kMsgSearchStarted, cookie));
    EXPECT_EQ(2, t.recorder.Count(kMsgSearchPage, cookie));
    EXPECT_TRUE(t.recorder.Has(kMsgSearchFinished, cookie));
    EXPECT_EQ(5, ShowingCount());
    CSongInfoBase* song = nullptr;
    ASSERT_EQ(1, t.facade->GetOneSearchSong(4, song));
    EXPECT_EQ("song4", song->GetName());
    EXPECT_TRUE(Cached(address));
    const std::string record = SearchRecord(address);
    const std::string size = std::to_string((Block(Songs(0, 3)) + Block(Songs(3, 2))).size());
    EXPECT_EQ(0u, record.find("ISGET:1|ISLOCAL:0|SEARCHSVR:1|SEARCHSVR_C:200|")) << record;
    EXPECT_NE(std::string::npos, record.find("|SEARCHSVR_D:" + size)) << record;
}

TEST(Facade, BrokenRepliesReportTheirPagesLogTheErrorAndLeaveNoCachedCopy) {
    TestFacade& t = TestFacade::Get();
    ServedFiles files;
    const std::string good = Block(Songs(0, 2));
    const std::string second = Block(Songs(2, 2));
    struct Case {
        const char* name;
        std::string data;
        const char* error;
        int pages;
    } cases[] = {
        {"cut.qrb", good + second.substr(0, 6), "ReadData Failed1", 1},
        {"large.qrb", good + LittleEndian(10485761) + LittleEndian(4) + "abcd", "ReadData large size!", 1},
        {"short.qrb", good + second.substr(0, second.size() - 5), "ReadData Failed2", 1},
        {"damaged.qrb", good + LittleEndian(50) + LittleEndian(4) + "abcd", "ReadData UnCompress err", 1},
        {"first.qrb", LittleEndian(50) + LittleEndian(4) + "abcd", "ReadData UnCompress err", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string address = files.Put(c.name, c.data);
        const size_t logBefore = ReadText(LogPath("NetSongLib.txt")).size();
        const long cookie = Start(kSearchLocalList, address);
        ASSERT_GT(cookie, 0);
        ASSERT_TRUE(WaitEnd(cookie));
        EXPECT_EQ(c.pages, t.recorder.Count(kMsgSearchPage, cookie));
        EXPECT_EQ(c.pages > 0, t.recorder.Has(kMsgSearchFinished, cookie));
        EXPECT_EQ(c.pages == 0, t.recorder.Has(kMsgSearchFailed, cookie));
        EXPECT_EQ(c.pages > 0 ? 2 : 0, ShowingCount());
        const std::string log = ReadText(LogPath("NetSongLib.txt")).substr(logBefore);
        EXPECT_NE(std::string::npos, log.find(std::string("[_SearchFromServer] ") + c.error)) << log;
        const std::string record = SearchRecord(address);
        EXPECT_NE(std::string::npos, record.find("|SEARCHSVR_D:-2")) << record;
        EXPECT_NE(std::string::npos, record.find(c.pages > 0 ? "ISGET:1|" : "ISGET:0|")) << record;
        EXPECT_FALSE(Cached(address));
    }
}

TEST(Facade, ARequestEndedByAnExceptionStillReportsItsFailure) {
    TestFacade& t = TestFacade::Get();
    ServedFiles files;
    // A block that announces 9 MB: its buffer cannot be had while the address space is nearly full.
    const std::string address = files.Put("huge.qrb", LittleEndian(9000000) + LittleEndian(9000000) + "abcd");
    const size_t logBefore = ReadText(LogPath("NetSongLib.txt")).size();
    // The next request's start frees the results shown before it, which would leave room for the
    // block: let a small request take their place first.
    const long small = Start(kSearchLocalList, files.Put("small.qrb", Block(Songs(0, 1))));
    ASSERT_GT(small, 0);
    ASSERT_TRUE(WaitEnd(small));
    long cookie = 0;
    {
        CAddressSpaceSqueeze squeeze;
        ASSERT_TRUE(squeeze.Squeezed());
        cookie = Start(kSearchLocalList, address);
        ASSERT_GT(cookie, 0);
        ASSERT_TRUE(WaitEnd(cookie)) << "the request's end never came";
    }
    EXPECT_TRUE(t.recorder.Has(kMsgSearchFailed, cookie));
    EXPECT_FALSE(t.recorder.Has(kMsgSearchFinished, cookie));
    const std::string log = ReadText(LogPath("NetSongLib.txt")).substr(logBefore);
    EXPECT_NE(std::string::npos, log.find("[SearchThread] exception, cookie " + std::to_string(cookie))) << log;
    EXPECT_FALSE(Cached(address));
}

TEST(Facade, CancelledRequestsNeverReachTheNowShowingList) {
    TestFacade& t = TestFacade::Get();
    ServedFiles files;
    const std::string many = files.Put("many.qrb", Block(Songs(0, 2)) + Block(Songs(2, 2)) + Block(Songs(4, 2)));
    const std::string other = files.Put("other.qrb", Block(Songs(10, 3)));

    // Cancelled before its start was seen: only "cancelled" is told.
    long cookie = Start(kSearchLocalList, many);
    t.facade->CancleSearch(cookie);
    EXPECT_TRUE(t.recorder.Has(kMsgSearchCancelled, cookie));
    PumpFor(500);
    EXPECT_FALSE(t.recorder.Has(kMsgSearchStarted, cookie));
    EXPECT_EQ(0, t.recorder.Count(kMsgSearchPage, cookie));
    EXPECT_FALSE(t.recorder.Has(kMsgSearchFinished, cookie));

    // Cancelled at its first page: later pages and the end never come.
    cookie = Start(kSearchLocalList, many);
    const long first = cookie;
    t.recorder.onPage = [&](long c) {
        if (c == first) t.facade->CancleSearch(c);
    };
    ASSERT_TRUE(PumpUntil([&] { return t.recorder.Has(kMsgSearchCancelled, first); }));
    PumpFor(500);
    t.recorder.onPage = nullptr;
    EXPECT_EQ(1, t.recorder.Count(kMsgSearchPage, first));
    EXPECT_FALSE(t.recorder.Has(kMsgSearchFinished, first));
    EXPECT_FALSE(t.recorder.Has(kMsgSearchFailed, first));

    // A new request at the first page of another: only the new one's songs are shown.
    const long older = Start(kSearchLocalList, many);
    long newer = 0;
    t.recorder.onPage = [&](long c) {
        if (c == older && !newer) newer = Start(kSearchLocalList, other);
    };
    ASSERT_TRUE(PumpUntil([&] { return newer && t.recorder.Has(kMsgSearchFinished, newer); }));
    t.recorder.onPage = nullptr;
    PumpFor(300);
    EXPECT_TRUE(t.recorder.Has(kMsgSearchCancelled, older));
    EXPECT_FALSE(t.recorder.Has(kMsgSearchFinished, older));
    EXPECT_EQ(3, ShowingCount());
    CSongInfoBase* song = nullptr;
    ASSERT_EQ(1, t.facade->GetOneSearchSong(0, song));
    EXPECT_EQ("song10", song->GetName());
}

TEST(Facade, RecentlyPlayedSongsComeFromThePlayersListOrTheLastCopy) {
    TestFacade& t = TestFacade::Get();
    std::string common;
    ASSERT_TRUE(Dir::GetVxPath(PATH_COMMON_APPDATA, common));
    const std::string dir = common + "\\vixo\\ModuleData\\ModPlayList";
    ASSERT_TRUE(Dir::MakeDir(dir));
    const std::string file = dir + "\\播放列表-列表组2-最近播放.pl";
    Xml::XmlNode list("pl");
    list.AppendChild("so").SetAttr("n", "最近一");
    list.AppendChild("so").SetAttr("ar", "nameless");
    list.AppendChild("so").SetAttr("n", "recent two");
    ASSERT_TRUE(list.SaveFile(file));

    std::unique_ptr<CNetSongList> recent(new CNetSongList);
    recent->SetName(kRecentSongsListName);
    long cookie = t.facade->OpenListItem(recent.get(), 0);
    ASSERT_GT(cookie, 0);
    ASSERT_TRUE(WaitEnd(cookie));
    EXPECT_TRUE(t.recorder.Has(kMsgSearchFinished, cookie));
    EXPECT_EQ(2, ShowingCount());

    DeleteFileW(Charset::String2WString(file).c_str());
    cookie = t.facade->OpenListItem(recent.get(), 0);
    ASSERT_TRUE(WaitEnd(cookie));
    ASSERT_EQ(2, ShowingCount());
    CSongInfoBase* song = nullptr;
    ASSERT_EQ(1, t.facade->GetOneSearchSong(0, song));
    EXPECT_EQ("最近一", song->GetName());
}
