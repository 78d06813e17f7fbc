#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "datadef/SongListMgr.h"

namespace {

int g_liveSongs = 0;
int g_liveLists = 0;

class CountedSong : public CNetSongInfo {
public:
    CountedSong() { ++g_liveSongs; }
    ~CountedSong() override { --g_liveSongs; }
    CSongInfoBase* CreateSongInfo() const override { return new CountedSong; }
};

class CountedList : public CNetSongList {
public:
    CountedList() { ++g_liveLists; }
    ~CountedList() override { --g_liveLists; }
    CSongInfoBase* CreateSongInfo() const override { return new CountedSong; }
    CSongListBase* CreateSongList() const override { return new CountedList; }
};

class CountingFactory : public ICreateFactory {
public:
    CSongInfoBase* CreateSongInfo() override { return new CountedSong; }
    CSongListBase* CreateSongList() override { return new CountedList; }
};

// "排行榜" (charts) with two charts, one of them holding a nested list; GBK names.
const char kTree[] =
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
    "<pl n=\"root\" sn=\"\">\n"
    "  <pl n=\"charts\" sn=\"\xC5\xC5\xD0\xD0\xB0\xF1\" id=\"1\" t=\"7\" burl=\"http://s.example/lists\" bimg=\"http://i.example/\">\n"
    "    <pl n=\"top\" sn=\"Top 10\" id=\"2\" url=\"top.qrb\" cnt=\"2\" show=\"1\" j0=\"{&quot;a&quot;: 1}\" j1=\"[]\">\n"
    "      <so n=\"A\" ar=\"x\"><res k=\"wma\" rid=\"W1\" s1=\"1\" s2=\"2\" sz=\"10\"/></so>\n"
    "      <so n=\"B\" ar=\"y\"/>\n"
    "    </pl>\n"
    "    <pl n=\"new\" sn=\"New\">\n"
    "      <pl n=\"deep\" sn=\"Deep\" nurl=\"http://n.example/deep.xml\"/>\n"
    "    </pl>\n"
    "  </pl>\n"
    "  <pl n=\"singers\" sn=\"Singers\" sex=\"\xC4\xD0\" dis=\"\xB8\xDB\xCC\xA8\" rank=\"1\" init=\"Z\" c=\"30\" img=\"s.jpg\"/>\n"
    "</pl>\n";

std::string TestFile(const std::string& name) {
    return std::string(VX_BINARY_DIR) + "/" + name;
}

bool WriteFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

CSongInfoBase* Song(const std::string& name, const std::string& artist, uint32_t size = 0, uint32_t plays = 0) {
    CountedSong* song = new CountedSong;
    song->SetName(name);
    song->SetArtist(artist);
    song->SetPlayCount(plays);
    if (size) {
        CNetResource* res = new CNetResource;
        res->SetRid("W" + name);
        res->SetSign(Sign(size, 1));
        res->SetFileSize(size);
        song->SetWMA(res);
    }
    return song;
}

std::string Names(const CSongListBase* list) {
    std::string out;
    for (const CSongInfoBase* song : list->GetSongInfoVector()) out += song->GetName() + ",";
    return out;
}

}  // namespace

TEST(SongListMgr, TreeFromTextIsFoundByNamePositionAndParent) {
    CountingFactory factory;
    {
        CSongListMgr mgr(&factory);
        CSongListBase* root = nullptr;
        ASSERT_NE(0, mgr.LoadSongListFromXmlString(kTree, root, "given"));
        ASSERT_NE(nullptr, root);
        EXPECT_EQ("root", root->GetName());   // the element's own name wins over `name`

        // Install the way the catalogue does: each child of the loaded root becomes top-level.
        std::vector<CSongListBase*> tops;
        tops.swap(root->GetChildrenVector());
        delete root;
        for (size_t i = 0; i < tops.size(); ++i) ASSERT_NE(0, mgr.AddSongList(nullptr, tops[i], static_cast<int>(i)));

        CSongListBase* found = nullptr;
        ASSERT_NE(0, mgr.GetSongList("", found));      // the manager's root
        EXPECT_EQ(2u, found->GetChildrenVector().size());
        ASSERT_NE(0, mgr.GetSongList("deep", found));
        CNetSongList* deep = dynamic_cast<CNetSongList*>(found);
        ASSERT_NE(nullptr, deep);
        EXPECT_EQ("http://n.example/deep.xml", deep->GetNetUrl());
        EXPECT_EQ("\xC5\xC5\xD0\xD0\xB0\xF1->New->Deep", deep->GetFullShowName());
        EXPECT_EQ("New", deep->GetParent()->GetShowName());

        CSongListBase* charts = nullptr;
        ASSERT_NE(0, mgr.GetSongList(nullptr, 0, charts));
        EXPECT_EQ("charts", charts->GetName());
        CNetSongList* netCharts = static_cast<CNetSongList*>(charts);
        EXPECT_EQ(7u, netCharts->GetListType());
        EXPECT_EQ("http://s.example/lists", netCharts->GetBaseUrl());
        EXPECT_EQ("http://i.example/", netCharts->GetBaseImageUrl());
        CSongListBase* top = nullptr;
        ASSERT_NE(0, mgr.GetSongList(charts, "top", top));
        EXPECT_EQ(0, mgr.GetSongList(nullptr, "top", found));   // not a direct child of the root
        EXPECT_EQ(0, mgr.GetSongList(charts, 2, found));
        EXPECT_EQ(0, mgr.GetSongList(charts, -1, found));
        ASSERT_NE(0, mgr.GetSongList(charts, 1, found));
        EXPECT_EQ("new", found->GetName());

        CNetSongList* netTop = static_cast<CNetSongList*>(top);
        EXPECT_EQ("top.qrb", netTop->GetUrl());
        EXPECT_EQ(2u, netTop->GetCount());
        EXPECT_TRUE(netTop->IsDefaultShow());
        EXPECT_EQ((std::vector<std::string>{"{\"a\": 1}", "[]"}), netTop->GetJson());
        EXPECT_EQ("A,B,", Names(top));
        EXPECT_EQ(top, top->GetSongInfoVector()[1]->GetParent());
        ASSERT_NE(nullptr, top->GetSongInfoVector()[0]->GetWMA());
        EXPECT_EQ(Sign(1, 2), top->GetSongInfoVector()[0]->GetWMA()->GetSign());

        CSongListBase* singers = nullptr;
        ASSERT_NE(0, mgr.GetSongList(nullptr, "singers", singers));
        const ONE_SINGER_INFO& singer = static_cast<CNetSongList*>(singers)->GetSingerInfo();
        EXPECT_EQ("\xB8\xDB\xCC\xA8", singer.strDistrict);
        EXPECT_EQ("Z", singer.strInit);
        EXPECT_EQ("30", singer.strCount);

        std::vector<CSongInfoBase*> picked;
        EXPECT_NE(0, mgr.GetSongInfos(top, {1, 0}, picked));
        ASSERT_EQ(2u, picked.size());
        EXPECT_EQ("B", picked[0]->GetName());
        EXPECT_EQ(0, mgr.GetSongInfos(top, {0, 2}, picked));
        EXPECT_EQ(2u, picked.size());

        // What one save writes, a second load reads back the same.
        Xml::XmlNode saved("pl");
        charts->SaveToXml(saved);
        CSongListBase* again = nullptr;
        ASSERT_NE(0, mgr.LoadSongListFromXmlString(saved.ToString(), again, ""));
        Xml::XmlNode savedAgain("pl");
        again->SaveToXml(savedAgain);
        EXPECT_EQ(saved.ToString(), savedAgain.ToString());
        delete again;

        for (const char* bad : {"", "<pl><pl></pl>", "<so/>", "<pl>"}) {
            CSongListBase* none = reinterpret_cast<CSongListBase*>(1);
            EXPECT_EQ(0, mgr.LoadSongListFromXmlString(bad, none, "x")) << bad;
            EXPECT_EQ(nullptr, none);
        }
        EXPECT_GT(g_liveLists, 0);
        EXPECT_GT(g_liveSongs, 0);
    }
    EXPECT_EQ(0, g_liveLists);
    EXPECT_EQ(0, g_liveSongs);
}

TEST(SongListMgr, FileLoadFollowsLocalReferencesAndFailsCleanly) {
    CountingFactory factory;
    {
        CSongListMgr mgr(&factory);
        ASSERT_TRUE(WriteFile(TestFile("dd_root.pl"),
                              "<pl><pl n=\"dd_cat\" sn=\"Cat\" ref=\"local\"/><pl n=\"dd_loop\" ref=\"local\"/></pl>"));
        // Written as by a generator without a declaration; "dd_loop" refers to itself.
        ASSERT_TRUE(WriteFile(TestFile("dd_cat.pl"), "<pl><pl n=\"dd_cat_a\" sn=\"A\" t=\"1\"><so n=\"s\"/></pl></pl>"));
        ASSERT_TRUE(WriteFile(TestFile("dd_loop.pl"), "<pl><pl n=\"dd_loop\" ref=\"local\"/></pl>"));
        CSongListBase* root = nullptr;
        ASSERT_NE(0, mgr.LoadSongListFromXmlFile(TestFile("dd_root.pl"), root));
        CSongListBase* letter = root->FindInTree("dd_cat_a");
        ASSERT_NE(nullptr, letter);
        EXPECT_EQ("Cat->A", letter->GetFullShowName());
        EXPECT_EQ(1u, letter->GetSongInfoVector().size());
        delete root;

        ASSERT_TRUE(WriteFile(TestFile("dd_bad.pl"), "<pl><pl n=\"x\"></so></pl>"));
        EXPECT_EQ(0, mgr.LoadSongListFromXmlFile(TestFile("dd_bad.pl"), root));
        EXPECT_EQ(nullptr, root);
        EXPECT_EQ(0, mgr.LoadSongListFromXmlFile(TestFile("dd_missing.pl"), root));
        std::remove(TestFile("dd_root.pl").c_str());
        std::remove(TestFile("dd_cat.pl").c_str());
        std::remove(TestFile("dd_loop.pl").c_str());
        std::remove(TestFile("dd_bad.pl").c_str());
    }
    EXPECT_EQ(0, g_liveLists);
    EXPECT_EQ(0, g_liveSongs);
}

TEST(SongListMgr, AssigningALoadedListOverATreeChildTakesItsContent) {
    CountingFactory factory;
    {
        CSongListMgr mgr(&factory);
        CSongListBase* child = new CountedList;
        child->SetName("deep");
        child->SetShowName("Old");
        child->AddSongInfo(Song("old", "o"));
        ASSERT_NE(0, mgr.AddSongList(nullptr, child, -1));
        CSongListBase* root = nullptr;
        ASSERT_NE(0, mgr.GetSongList("", root));

        CSongListBase* loaded = nullptr;
        ASSERT_NE(0, mgr.LoadSongListFromXmlString(kTree, loaded, ""));
        CSongListBase* source = loaded->FindInTree("charts");
        ASSERT_NE(nullptr, source);
        *child = *source;
        delete loaded;   // the child holds copies, not the loaded tree's objects

        EXPECT_EQ("charts", child->GetName());
        EXPECT_EQ(root, child->GetParent());
        EXPECT_EQ(7u, static_cast<CNetSongList*>(child)->GetListType());
        EXPECT_TRUE(child->GetSongInfoVector().empty());
        ASSERT_EQ(2u, child->GetChildrenVector().size());
        CSongListBase* top = child->GetChildrenVector()[0];
        EXPECT_EQ(child, top->GetParent());
        EXPECT_EQ(top, top->GetSongInfoVector()[0]->GetParent());
        EXPECT_EQ("\xC5\xC5\xD0\xD0\xB0\xF1->Top 10", top->GetFullShowName());

        // A list of our own subtree assigned over us; then a clone keeps the parent.
        *child = *child->GetChildrenVector()[0];
        EXPECT_EQ("top", child->GetName());
        EXPECT_EQ("A,B,", Names(child));
        std::unique_ptr<CSongListBase> clone(child->Clone());
        EXPECT_EQ(root, clone->GetParent());
        EXPECT_EQ("A,B,", Names(clone.get()));
        EXPECT_NE(child->GetSongInfoVector()[0], clone->GetSongInfoVector()[0]);
    }
    EXPECT_EQ(0, g_liveLists);
    EXPECT_EQ(0, g_liveSongs);
}

TEST(SongListMgr, DeleteRepeatAndSort) {
    CountingFactory factory;
    {
        CSongListMgr mgr(&factory);
        CSongListBase* list = new CountedList;
        mgr.AddSongList(nullptr, list, -1);
        ASSERT_NE(0, mgr.AddSongInfo(list, {Song("b", "x", 30, 5), Song("A", "y", 10, 7), Song("b", "x", 30, 1)}, -1));
        ASSERT_NE(0, mgr.AddSongInfo(list, {Song(" a ", "Y", 20, 2), Song("c", "z", 0, 9)}, 1));
        EXPECT_EQ("b, a ,c,A,b,", Names(list));

        int ascending = -1;
        ASSERT_NE(0, mgr.SortSongInfos(list, kSortByName, ascending));
        EXPECT_EQ(1, ascending);
        EXPECT_EQ(" a ,A,b,b,c,", Names(list));
        ASSERT_NE(0, mgr.SortSongInfos(list, kSortByName, ascending));   // toggles
        EXPECT_EQ(0, ascending);
        EXPECT_EQ("c,b,b,A, a ,", Names(list));
        ASSERT_NE(0, mgr.SortSongInfos(list, kSortByPlayCount | kSortDescending, ascending));
        EXPECT_EQ("c,A,b, a ,b,", Names(list));
        ASSERT_NE(0, mgr.SortSongInfos(list, kSortBySize | kSortAscending, ascending));
        EXPECT_EQ("c,A, a ,b,b,", Names(list));
        EXPECT_EQ(0, mgr.SortSongInfos(list, 99, ascending));
        EXPECT_EQ(0, mgr.SortSongInfos(nullptr, kSortByName, ascending));

        // Same identity: the two "b" by x are one song; " a " and "A" differ.
        ASSERT_NE(0, mgr.DeleteRepeat(list, nullptr, kRepeatSameSong));
        EXPECT_EQ("c,A, a ,b,", Names(list));
        // Loose: name and artist without case and spaces.
        ASSERT_NE(0, mgr.DeleteRepeat(list, nullptr, kRepeatNameArtist));
        EXPECT_EQ("c,A,b,", Names(list));
        // Against one song: a repeat of "c" added at the front goes, "c" itself stays.
        CSongInfoBase* c = list->GetSongInfoVector()[0];
        mgr.AddSongInfo(list, {Song("c", "z")}, 0);
        ASSERT_NE(0, mgr.DeleteRepeat(list, c, kRepeatSameSong));
        EXPECT_EQ("c,A,b,", Names(list));
        EXPECT_EQ(c, list->GetSongInfoVector()[0]);
        EXPECT_EQ(0, mgr.DeleteRepeat(nullptr, nullptr, 0));
        EXPECT_EQ(3, g_liveSongs);

        mgr.ClearAll();
        EXPECT_EQ(0, g_liveSongs);
        CSongListBase* none = nullptr;
        EXPECT_EQ(0, mgr.GetSongList("", none));
        mgr.AddSongList(nullptr, new CountedList, -1);   // left for the destructor
    }
    EXPECT_EQ(0, g_liveLists);
    EXPECT_EQ(0, g_liveSongs);
}
