#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../src/JsonNodes.h"
#include "../src/JsonPages.h"
#include "catalogue/SearchTypes.h"
#include "datadef/Resource.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

std::unique_ptr<CNetSongList> Parse(const std::string& json, std::string& total, JsonPageInfo& info) {
    return std::unique_ptr<CNetSongList>(JsonPages::ParsePage(json, "http://h/list?pn=0", total, info));
}

CNetSongInfo* Song(const CSongListBase& list, size_t i) {
    return static_cast<CNetSongInfo*>(list.GetSongInfoVector().at(i));
}

const char kSong[] =
    R"({"artist":"A","id":"12","name":"N","pic":"p.jpg","wmasize":"100","mp3size":200,)"
    R"("param":"x;y;z;w1;1;2;m1;3;4;k1;5;6;1"})";

}  // namespace

TEST(JsonPages, SongPagesBuildResourcesAndSkipIncompleteItems) {
    std::string json = std::string(R"({"pn":"1","total":"130","return":"60","mvlist":[)") + kSong +
                       R"(,{"artist":"B","name":"M","param":"a;b;c;w;0;2;m;3;4;;5;6;0"})"
                       R"(,{"artist":"","name":"gone","param":"a;b;c;w;1;2;m;3;4;k;5;6;0"})"
                       R"(,{"artist":"C","name":"short","param":"a;b;c;w;1;2;m;3;4;k;5;6"}]})";
    std::string total = "untouched";
    JsonPageInfo info;
    auto list = Parse(json, total, info);
    ASSERT_TRUE(list);
    EXPECT_EQ(1, info.pn);
    EXPECT_EQ(130, info.total);
    EXPECT_EQ(60, info.ret);
    EXPECT_EQ("untouched", total);
    EXPECT_EQ(static_cast<uint32_t>(kListJsonSongs), list->GetListType());
    ASSERT_EQ(2u, list->GetSongInfoVector().size());
    ASSERT_EQ(1u, list->GetJson().size());
    EXPECT_EQ(json, list->GetJson()[0]);

    CNetSongInfo* song = Song(*list, 0);
    EXPECT_EQ("N", song->GetName());
    EXPECT_EQ("A", song->GetArtist());
    EXPECT_EQ(12u, song->GetId());
    EXPECT_EQ("p.jpg", song->GetImage());
    EXPECT_EQ(list.get(), song->GetParent());
    ASSERT_TRUE(song->GetWMA() && song->GetMP3() && song->GetMKV());
    EXPECT_EQ("w1", song->GetWMA()->GetRid());
    EXPECT_EQ(Sign(1, 2), song->GetWMA()->GetSign());
    EXPECT_EQ(100u, song->GetWMA()->GetFileSize());
    EXPECT_EQ(200u, song->GetMP3()->GetFileSize());
    EXPECT_EQ(Sign(3, 4), song->GetMP3()->GetSign());
    EXPECT_EQ("k1", song->GetMKV()->GetRid());
    EXPECT_EQ(1, song->GetMKV()->GetKalaOk());

    // A zero sign word or an empty rid means no resource; part 12 "0" is no karaoke.
    CNetSongInfo* second = Song(*list, 1);
    EXPECT_FALSE(second->GetWMA());
    EXPECT_TRUE(second->GetMP3());
    EXPECT_FALSE(second->GetMKV());
}

TEST(JsonPages, AlbumVideoGameAndRecentPages) {
    std::string total;
    JsonPageInfo info;
    auto albums = Parse(std::string(R"({"mvlist":[],"albumlist":[{"artist":"Singer","id":7,"name":"Alb","pic":"a.jpg",)"
                                    R"("lang":"zh","score":"9","musiclist":[)") +
                            kSong + "]}]}",
                        total, info);
    ASSERT_TRUE(albums);
    EXPECT_EQ(static_cast<uint32_t>(kListAlbum), albums->GetListType());
    ASSERT_EQ(1u, albums->GetChildrenVector().size());
    auto* album = static_cast<CNetSongList*>(albums->GetChildrenVector()[0]);
    EXPECT_EQ(5u, album->GetListType());
    EXPECT_EQ("Singer", album->GetSingerInfo().strArtist);
    EXPECT_EQ("Alb", album->GetName());
    EXPECT_EQ(7u, album->GetId());
    EXPECT_EQ("zh", album->GetLanguage());
    EXPECT_EQ("9", album->GetScore());
    EXPECT_EQ(1u, album->GetSongInfoVector().size());

    const std::string video =
        R"({"type":"%s","total":"75","list":[{"id":"3","name":"V","act":"Actor","pic":"v.jpg",)"
        R"("src":[{"url":"http://a","w":640,"h":"480","id":1},{"url":"","w":1,"h":1,"id":2},{"url":"http://b","w":1,"h":2,"id":"9"}]}]})";
    struct Case {
        const char* type;
        uint32_t listType;
        const char* total;
        const char* url;
    } cases[] = {{"video", kListVideo, "75", ""},
                 {"drama", kListDrama, "", ""},
                 {"searchres", kListVideoSearch, "75", "http://h/list?pn=0"},
                 {"videorecent", kListRecentVideos, "75", "http://h/list?pn=0"}};
    for (const Case& c : cases) {
        std::string text = video;
        text.replace(text.find("%s"), 2, c.type);
        total.clear();
        auto list = Parse(text, total, info);
        ASSERT_TRUE(list) << c.type;
        EXPECT_EQ(c.listType, list->GetListType()) << c.type;
        EXPECT_EQ(c.total, total) << c.type;
        EXPECT_EQ(c.url, list->GetUrl()) << c.type;
        ASSERT_EQ(1u, list->GetSongInfoVector().size());
        EXPECT_EQ("Actor", Song(*list, 0)->GetArtist());
        EXPECT_EQ(3u, Song(*list, 0)->GetId());
        EXPECT_EQ("http://a#w=640#h=480#id=1|http://b#w=1#h=2#id=9|", Song(*list, 0)->GetUrl());
    }

    auto games = Parse(R"({"type":"game","total":"5","list":[{"id":4,"name":"G","pic":"g.jpg","playlink":"http://g"}]})",
                       total = "", info);
    ASSERT_TRUE(games);
    EXPECT_EQ(static_cast<uint32_t>(kListGame), games->GetListType());
    EXPECT_EQ("", total);
    ASSERT_EQ(1u, games->GetSongInfoVector().size());
    EXPECT_EQ("http://g", Song(*games, 0)->GetUrl());

    EXPECT_FALSE(Parse("[1,2]", total, info));
    EXPECT_FALSE(Parse("{\"mvlist\":", total, info));
}

TEST(JsonNodes, VideoPageValidation) {
    const std::string item =
        R"({"name":"n","pic":"p","duration":"1","quality":"q","act":"a","dir":"d","introduce":"i")";
    struct Case {
        std::string json;
        bool valid;
    } cases[] = {
        {"{}", true},
        {R"({"list":[]})", true},
        {R"({"list":[)" + item + "}]}", true},
        {R"({"list":[)" + item + R"(,"src":[{"id":1,"url":"u","w":1,"h":2}]}]})", true},
        {R"({"list":[)" + item + R"(,"src":[{"id":1,"url":"u","w":1}]}]})", false},
        {R"({"list":[)" + item + R"(,"src":{}}]})", false},
        {R"({"list":[{"name":"n"}]})", false},
        {R"({"list":{}})", false},
        {R"({"list":[1]})", false},
        {"[]", false},
        {"null", false},
    };
    for (const Case& c : cases) {
        CJsonVideoPage page;
        ASSERT_TRUE(JsonText::Parse(c.json, page.Value(), nullptr, false)) << c.json;
        EXPECT_EQ(c.valid, page.Validate()) << c.json;
    }
}

TEST(JsonPages, FollowingPagesRunToThePageCountWithinTheCap) {
    const long long kMax = JsonPages::kMaxListPages;
    const long long kHuge = 9223372036854775807LL;
    const struct {
        long long pn, total, ret, first, last;
        bool cut;
    } cases[] = {
        {1, 130, 60, 2, 3, false},      // pages from 1: the page count is the last
        {0, 130, 60, 1, 3, false},      // pages from 0: one past the last, which the server refuses
        {3, 130, 60, 1, 0, false},      // nothing follows the last page
        {1, 0, 60, 1, 0, false},        // no total
        {1, 130, 0, 1, 0, false},       // no page size
        {-5, 120, 60, 0, 2, false},     // a negative page number starts at 0
        {1, kHuge, 1, 2, kMax, true},   // a lying total stops at the cap
        {kHuge, kHuge, 1, 1, 0, false}, // no overflow past the largest page number
        {1, 100, 1, 2, kMax, false},    // exactly the cap
        {1, 101, 1, 2, kMax, true},
    };
    for (const auto& c : cases) {
        JsonPageInfo info;
        info.pn = c.pn;
        info.total = c.total;
        info.ret = c.ret;
        const JsonPages::FollowingPages pages = JsonPages::Following(info);
        EXPECT_EQ(c.first, pages.first) << c.pn << " " << c.total << " " << c.ret;
        EXPECT_EQ(c.last, pages.last) << c.pn << " " << c.total << " " << c.ret;
        EXPECT_EQ(c.cut, pages.cut) << c.pn << " " << c.total << " " << c.ret;
    }
}
