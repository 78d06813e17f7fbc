#include <gtest/gtest.h>

#include <algorithm>

#include "../src/JsonPages.h"
#include "FacadeWin.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Charset.h"
#include "vxlib/JsonText.h"

// The facade against the stand-in serving the demo catalogue, as the main window uses it.
namespace {

Json::Value Corpus() {
    const char* root = std::getenv("VX_TEST_SERVER_ROOT");
    Json::Value corpus;
    JsonText::Parse(ReadText(std::string(root ? root : ".") + "\\..\\corpus\\catalogue.json"), corpus);
    return corpus;
}

CNetSongList* FindByUrlEnd(CSongListBase* list, const std::string& tail) {
    auto* net = static_cast<CNetSongList*>(list);
    const std::string& url = net->GetUrl();
    if (url.size() >= tail.size() && url.compare(url.size() - tail.size(), tail.size(), tail) == 0) return net;
    for (CSongListBase* child : list->GetChildrenVector()) {
        if (CNetSongList* found = FindByUrlEnd(child, tail)) return found;
    }
    return nullptr;
}

CNetSongList* FindInTop(const std::string& tail) {
    std::vector<CSongListBase*> top;
    TestFacade::Get().facade->GetTopLists(top);
    for (CSongListBase* list : top) {
        if (CNetSongList* found = FindByUrlEnd(list, tail)) return found;
    }
    return nullptr;
}

int ShowingSongs() {
    std::vector<CSongInfoBase*> songs;
    TestFacade::Get().facade->GetShowingSongs(songs, 0);
    return static_cast<int>(songs.size());
}

int PageSongs(long cookie) {
    int n = 0;
    for (const auto& e : TestFacade::Get().recorder.events) {
        if (e.id == kMsgSearchPage && e.cookie == cookie) n += e.songs;
    }
    return n;
}

std::vector<int> ProxyIds(long requestNo) {
    std::vector<int> ids;
    for (const auto& e : TestFacade::Get().proxy.events) {
        if (e.cookie == requestNo) ids.push_back(e.id);
    }
    return ids;
}

const NetSongEvent* ProxyEvent(long requestNo, int id) {
    for (const auto& e : TestFacade::Get().proxy.events) {
        if (e.cookie == requestNo && e.id == id) return &e;
    }
    return nullptr;
}

// Scripted replies of the stand-in for this test program (read again when the file changes).
void SetRoutes(const std::string& json) {
    const char* routes = std::getenv("VX_SERVER_ROUTES");
    ASSERT_NE(nullptr, routes) << "the facade tests need a routes file of their own";
    std::ofstream(std::string("Z:") + routes, std::ios::trunc) << json;
}

long KeywordSearch(const std::string& key) {
    SearchParam param;
    param.strKey = key;
    param.strKey2 = "search";
    const long no = TestFacade::Get().facade->Search(param);
    EXPECT_GT(no, 0);
    EXPECT_TRUE(PumpUntil([&] { return ProxyEvent(no, kProxyFinished) || ProxyEvent(no, kProxyFailed); }));
    return no;
}

}  // namespace

TEST(EndToEnd, TreeArrivesAndChartsAndWebListsOpenIntoTheNowShowingList) {
    TestFacade& t = TestFacade::Get();
    ASSERT_FALSE(t.server.empty());
    ASSERT_TRUE(PumpUntil([&] { return t.recorder.Has(kMsgTreeReady, 0); }));
    EXPECT_EQ(1, t.facade->HasRankingTree());
    std::vector<CSongListBase*> top;
    ASSERT_EQ(1, t.facade->GetTopLists(top));
    ASSERT_FALSE(top.empty());

    CNetSongList* chart = FindInTop(".qrb");
    ASSERT_NE(nullptr, chart);
    const long cookie = t.facade->OpenListItem(chart, 0);
    ASSERT_GT(cookie, 0);
    ASSERT_TRUE(PumpUntil([&] {
        return t.recorder.Has(kMsgSearchFinished, cookie) || t.recorder.Has(kMsgSearchFailed, cookie);
    }));
    EXPECT_TRUE(t.recorder.Has(kMsgSearchStarted, cookie));
    EXPECT_GE(t.recorder.Count(kMsgSearchPage, cookie), 1);
    ASSERT_TRUE(t.recorder.Has(kMsgSearchFinished, cookie));
    EXPECT_GT(ShowingSongs(), 0);
    EXPECT_EQ(PageSongs(cookie), ShowingSongs());

    // A JSON list opened at page -1 fetches every page after the first.
    const Json::Value corpus = Corpus();
    const Json::Value* hot = JsonText::Member(*JsonText::Member(corpus, "weblists"), "hotmv");
    ASSERT_NE(nullptr, hot);
    const long items = static_cast<long>((*hot)["items"].size());
    const long pageSize = static_cast<long>(JsonText::GetInt64(*hot, "page_size"));
    CNetSongList* web = FindInTop("hotmv_p0.js");
    ASSERT_NE(nullptr, web);
    const long webCookie = t.facade->OpenListItem(web, -1);
    ASSERT_GT(webCookie, 0);
    ASSERT_TRUE(PumpUntil([&] {
        return t.recorder.Has(kMsgSearchFinished, webCookie) || t.recorder.Has(kMsgSearchFailed, webCookie);
    }));
    ASSERT_TRUE(t.recorder.Has(kMsgSearchFinished, webCookie));
    EXPECT_EQ((items + pageSize - 1) / pageSize, t.recorder.Count(kMsgSearchPage, webCookie));
    EXPECT_EQ(items, ShowingSongs());
}

TEST(EndToEnd, PagedJsonListsFetchTheirPagesUpToTheCountButNoMoreThanTheCap) {
    TestFacade& t = TestFacade::Get();
    const struct {
        int first;
        long long total;
        int per;
        long long pages;
        bool cut;
    } cases[] = {
        {1, 7, 3, 3, false},  // numbered from 1: the last page is the page count itself
        {0, 7, 3, 3, false},  // numbered from 0: the page after the last is refused
        {1, 1000000000, 1, JsonPages::kMaxListPages, true},  // a total no list has
    };
    for (const auto& c : cases) {
        const std::string name =
            std::to_string(c.first) + "-" + std::to_string(c.total) + "-" + std::to_string(c.per) + "_p" + std::to_string(c.first);
        SCOPED_TRACE(name);
        const size_t logBefore = ReadText(LogPath("NetSongLib.txt")).size();
        SearchParam param;
        param.nType = kSearchWebList;
        param.strKey = t.server + "/jsonpages/" + name + ".js";
        const long cookie = t.facade->Search(param);
        ASSERT_GT(cookie, 0);
        ASSERT_TRUE(PumpUntil([&] {
            return t.recorder.Has(kMsgSearchFinished, cookie) || t.recorder.Has(kMsgSearchFailed, cookie);
        }));
        EXPECT_TRUE(t.recorder.Has(kMsgSearchFinished, cookie));
        EXPECT_EQ(c.pages, t.recorder.Count(kMsgSearchPage, cookie));
        EXPECT_EQ(std::min<long long>(c.total, c.pages * c.per), ShowingSongs());
        const std::string log = ReadText(LogPath("NetSongLib.txt")).substr(logBefore);
        EXPECT_EQ(c.cut, log.find("[JsonList]") != std::string::npos && log.find("stopped after page") != std::string::npos)
            << log;
    }
}

TEST(EndToEnd, KeywordSearchesAnswerWithMusicAndVideosOrNoResult) {
    TestFacade& t = TestFacade::Get();
    const Json::Value corpus = Corpus();
    const Json::Value& videos = (*JsonText::Member(corpus, "videos"));
    ASSERT_GT(videos.size(), 0u);
    std::string act = Charset::UTF8ToString(JsonText::GetText(videos[0], "act"));
    act = act.substr(0, act.find(','));

    const long found = KeywordSearch(act);
    ASSERT_EQ((std::vector<int>{kProxyStarted, kProxyFinished}), ProxyIds(found));
    const NetSongEvent* answer = ProxyEvent(found, kProxyFinished);
    EXPECT_GT(answer->songs, 0);
    EXPECT_GT(answer->videos, 0);
    SearchParam last;
    t.facade->GetLastSearchParam(last);
    EXPECT_EQ(act, last.strKey);

    const long none = KeywordSearch("qqzzxx");
    EXPECT_EQ((std::vector<int>{kProxyStarted, kProxyNoResult, kProxyFinished}), ProxyIds(none));
    EXPECT_EQ(0, ProxyEvent(none, kProxyFinished)->videos);

    // The videos cannot be had: the music that arrived is the answer.
    const std::string song = Charset::UTF8ToString(JsonText::GetText((*JsonText::Member(corpus, "songs"))[1], "name"));
    SetRoutes(R"({"routes": {"/vdisk.web": {"status": 500, "body": "down"}}})");
    const long musicOnly = KeywordSearch(song);
    SetRoutes(R"({"routes": {}})");
    ASSERT_EQ((std::vector<int>{kProxyStarted, kProxyFinished}), ProxyIds(musicOnly));
    EXPECT_GT(ProxyEvent(musicOnly, kProxyFinished)->songs, 0);
    EXPECT_EQ(0, ProxyEvent(musicOnly, kProxyFinished)->videos);
    const std::string log = ReadText(LogPath("NetSongLib.txt"));
    EXPECT_NE(std::string::npos, log.find("videos of request " + std::to_string(musicOnly) + " failed")) << log;

    std::vector<SearchParam> history;
    t.facade->GetSearchHistory(10, history);
    ASSERT_GE(history.size(), 3u);
    EXPECT_EQ(song, history[0].strKey);
    EXPECT_EQ("qqzzxx", history[1].strKey);
    EXPECT_EQ(act, history[2].strKey);
}

TEST(EndToEnd, TipsOfATypedTextArriveAsTipWords) {
    TestFacade& t = TestFacade::Get();
    const Json::Value corpus = Corpus();
    const std::string name = Charset::UTF8ToString(JsonText::GetText((*JsonText::Member(corpus, "songs"))[0], "artist"));
    SearchParam param;
    param.nType = kSearchTips;
    param.strKey = name.substr(0, 2);
    const long cookie = t.facade->Search(param);
    ASSERT_GT(cookie, 0);
    ASSERT_TRUE(PumpUntil([&] {
        return t.recorder.Has(kMsgSearchFinished, cookie) || t.recorder.Has(kMsgSearchFailed, cookie);
    }));
    std::vector<TipWord> words;
    t.facade->GetTipWords(words);
    ASSERT_FALSE(words.empty());
    EXPECT_FALSE(words[0].strSNum.empty());
}
