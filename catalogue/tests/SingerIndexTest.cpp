#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../src/SingerIndex.h"
#include "TempDir.h"
#include "vxlib/Xml.h"

namespace {

std::string SingerXml(const std::string& name, const std::string& init, const std::string& dis, const std::string& sex,
                      int id) {
    return "<pl id=\"" + std::to_string(id) + "\" n=\"" + name + "\" t=\"2\" img=\"" + name + ".jpg\" sex=\"" + sex +
           "\" dis=\"" + dis + "\" rank=\"9\" init=\"" + init + "\" c=\"12\" />";
}

Xml::XmlNode LoadList(const std::string& path) {
    Xml::XmlNode node;
    EXPECT_TRUE(node.LoadFile(path)) << path;
    return node;
}

std::vector<std::string> Names(const Xml::XmlNode& list) {
    std::vector<std::string> names;
    for (auto it = list.ChildBegin(); it != list.ChildEnd(); ++it) names.push_back(it->GetAttr("n"));
    return names;
}

void WriteSingers(const std::string& dir, const std::string& body) {
    Xml::XmlNode doc;
    ASSERT_TRUE(doc.LoadStringA("<pl>" + body + "</pl>"));
    ASSERT_TRUE(doc.SaveFile(dir + "singer.pl"));
}

}  // namespace

TEST(SingerIndex, PlacesSingersByInitialAndDistrictWithExactXml) {
    CTempDir dir("singers");
    WriteSingers(dir.Path(), SingerXml("Bob", "b", "港台", "男", 1) + SingerXml("Three", "3", "大陆", "女", 2) +
                                 SingerXml("Nobody", "", "火星", "男", 3) + SingerXml("Zed", "Z", "欧美", "组合", 4));
    std::vector<std::string> written;
    ASSERT_TRUE(SingerIndex::Build(dir.Path(), written));
    EXPECT_EQ(13u * 29u, written.size());
    EXPECT_NE(written.end(), std::find(written.begin(), written.end(), "all_temp.pl"));
    EXPECT_NE(written.end(), std::find(written.begin(), written.end(), "gangtainan.pl"));

    EXPECT_EQ((std::vector<std::string>{"Bob"}), Names(LoadList(dir.Path() + "gangtainan_b.pl")));
    EXPECT_EQ((std::vector<std::string>{"Bob"}), Names(LoadList(dir.Path() + "all_b.pl")));
    EXPECT_EQ((std::vector<std::string>{"Three", "Nobody"}), Names(LoadList(dir.Path() + "all_other.pl")));
    EXPECT_EQ((std::vector<std::string>{"Three"}), Names(LoadList(dir.Path() + "dalunv_other.pl")));
    EXPECT_EQ((std::vector<std::string>{"Zed"}), Names(LoadList(dir.Path() + "oumeizuhe_z.pl")));
    EXPECT_EQ((std::vector<std::string>{"Bob", "Three", "Nobody", "Zed"}), Names(LoadList(dir.Path() + "all_temp.pl")));
    EXPECT_EQ((std::vector<std::string>{"Bob"}), Names(LoadList(dir.Path() + "gangtainan_hot.pl")));
    EXPECT_TRUE(Names(LoadList(dir.Path() + "gangtainv_b.pl")).empty());

    EXPECT_EQ("<pl t=\"1\" n=\"gangtainan_b\" sn=\"B\">" + SingerXml("Bob", "b", "港台", "男", 1) + "</pl>",
              LoadList(dir.Path() + "gangtainan_b.pl").ToString());
    EXPECT_EQ("<pl t=\"1\" n=\"all_other\" sn=\"#\">" + SingerXml("Three", "3", "大陆", "女", 2) +
                  SingerXml("Nobody", "", "火星", "男", 3) + "</pl>",
              LoadList(dir.Path() + "all_other.pl").ToString());
    const std::string popularHead = "<pl t=\"1\" n=\"all_temp\" sn=\"热门\">";
    EXPECT_EQ(popularHead, LoadList(dir.Path() + "all_temp.pl").ToString().substr(0, popularHead.size()));

    Xml::XmlNode index = LoadList(dir.Path() + "rihanzuhe.pl");
    EXPECT_EQ(28u, index.ChildCount());
    std::string text = index.ToString();
    EXPECT_EQ(0u, text.find("<pl><pl id=\"3000\" n=\"rihanzuhe_hot\" t=\"1\" sn=\"热门\" ref=\"local\" />"
                            "<pl id=\"3001\" n=\"rihanzuhe_a\" t=\"1\" sn=\"A\" ref=\"local\" />"))
        << text;
    EXPECT_NE(std::string::npos, text.find("<pl id=\"3026\" n=\"rihanzuhe_z\" t=\"1\" sn=\"Z\" ref=\"local\" />"
                                           "<pl id=\"3027\" n=\"rihanzuhe_other\" t=\"1\" sn=\"#\" ref=\"local\" /></pl>"))
        << text;
}

TEST(SingerIndex, PopularListsStopAt500AndMissingInputGivesEmptyLists) {
    CTempDir dir("popular");
    std::string body;
    for (int i = 0; i < 501; ++i) body += SingerXml("s" + std::to_string(i), "a", "日韩", "女", i);
    WriteSingers(dir.Path(), body);
    std::vector<std::string> written;
    ASSERT_TRUE(SingerIndex::Build(dir.Path(), written));
    std::vector<std::string> popular = Names(LoadList(dir.Path() + "rihannv_hot.pl"));
    ASSERT_EQ(500u, popular.size());
    EXPECT_EQ("s499", popular.back());
    EXPECT_EQ(500u, Names(LoadList(dir.Path() + "all_temp.pl")).size());
    EXPECT_EQ(501u, Names(LoadList(dir.Path() + "rihannv_a.pl")).size());

    CTempDir empty("nosingers");
    written.clear();
    EXPECT_TRUE(SingerIndex::Build(empty.Path(), written));
    EXPECT_EQ(0u, LoadList(empty.Path() + "all_a.pl").ChildCount());
}
