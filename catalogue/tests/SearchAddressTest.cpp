#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../src/SearchAddress.h"
#include "datadef/SongList.h"

namespace {

SearchAddress::Servers TestServers() {
    SearchAddress::Servers servers;
    servers.search = "http://s";
    servers.tip = "http://t/t.s?c=pdeck&w=";
    servers.videoSearch = "http://v";
    servers.version = "2.1";
    return servers;
}

SearchParam Param(int kind, const std::string& key, int page = 0) {
    SearchParam param;
    param.nType = kind;
    param.strKey = key;
    param.nPage = page;
    return param;
}

CNetSongList* List(const std::string& name, const std::string& url, CNetSongList* parent = nullptr) {
    auto* list = new CNetSongList;
    list->SetName(name);
    list->SetUrl(url);
    if (parent) parent->AddChild(list);
    return list;
}

}  // namespace

TEST(RequestAddress, KindsBuildTheirAddresses) {
    const auto servers = TestServers();
    const std::string tail = "&pn=0&rn=1000&ft=music&newsearch=1&result=zip&cluster=0&ver=2.1&primitive=0";
    EXPECT_EQ("http://s/r.s?client=kt&all=a%20b%26c" + tail, SearchAddress::Build(Param(0, "a b&c"), servers));
    EXPECT_EQ("http://s/r.s?client=kt&album=x" + tail, SearchAddress::Build(Param(1, "x"), servers));
    EXPECT_EQ("http://s/r.s?client=kt&lrccontent=x" + tail, SearchAddress::Build(Param(2, "x"), servers));
    EXPECT_EQ("http://s/r.s?client=kt&artist=x" + tail, SearchAddress::Build(Param(7, "x"), servers));
    EXPECT_EQ("http://s/r.s?client=kt&all=quorlin_rand" + tail, SearchAddress::Build(Param(5, ""), servers));
    EXPECT_EQ("http://t/t.s?c=pdeck&w=%C4%E3", SearchAddress::Build(Param(6, "你"), servers));
    EXPECT_EQ("http://h/x.qrb", SearchAddress::Build(Param(3, "http://h/x.qrb"), servers));
    EXPECT_EQ("http://h/x_p0.js", SearchAddress::Build(Param(4, "http://h/x_p0.js"), servers));
    // The video search sends its key as UTF-8; "&" stays inside the value.
    EXPECT_EQ("http://v/vdisk.web?t=search&rn=60&ft=tv&client=kt&all=%E4%BD%A0%26b&pn=3",
              SearchAddress::Build(Param(8, "你&b", 3), servers));
}

TEST(RequestAddress, KeysAreCutToTheirFirstHundredBytes) {
    const auto servers = TestServers();
    const std::string key = std::string(100, 'k') + std::string(50, 'Q');
    const std::string address = SearchAddress::Build(Param(0, key), servers);
    EXPECT_NE(std::string::npos, address.find("all=" + std::string(100, 'k') + "&pn=0"));
    EXPECT_EQ(std::string::npos, address.find('Q'));
    EXPECT_EQ(servers.tip + std::string(100, 'k'), SearchAddress::Build(Param(6, key), servers));
    const std::string video = SearchAddress::Build(Param(8, key), servers);
    EXPECT_NE(std::string::npos, video.find("all=" + std::string(100, 'k') + "&pn=0"));
    // Kinds that carry an address keep it whole.
    EXPECT_EQ(key, SearchAddress::Build(Param(4, key), servers));
}

TEST(OpenedList, AddressKindAndImageComeFromTheListAndItsAncestors) {
    std::unique_ptr<CNetSongList> root(List("root", ""));
    root->SetBaseUrl("http://h/charts");
    root->SetBaseImageUrl("http://h/img/");
    CNetSongList* group = List("group", "", root.get());
    group->SetBaseUrl("sub");
    CNetSongList* chart = List("chart", "top.QRB", group);
    SearchParam param;
    EXPECT_EQ(kSearchLocalList, SearchAddress::ListRequest(chart, 2, param));
    EXPECT_EQ("http://h/charts/sub/top.QRB", param.strKey);
    EXPECT_EQ("http://h/img/", param.strImgUrl);
    EXPECT_EQ(2, param.nPage);

    chart->SetBaseImageUrl("http://own/");
    chart->SetUrl("http://other/list_p0.JS");
    EXPECT_EQ(kSearchWebList, SearchAddress::ListRequest(chart, -1, param));
    EXPECT_EQ("http://other/list_p0.JS", param.strKey);
    EXPECT_EQ("http://own/", param.strImgUrl);

    CNetSongList* text = List("text", "notes.txt", group);
    EXPECT_EQ(-1, SearchAddress::ListRequest(text, 0, param));
    CNetSongList* tiny = List("tiny", "qrb", nullptr);
    EXPECT_EQ(-1, SearchAddress::ListRequest(tiny, 0, param));
    delete tiny;
    EXPECT_EQ(-1, SearchAddress::ListRequest(nullptr, 0, param));

    CNetSongList* recent = List(kRecentSongsListName, "", root.get());
    EXPECT_EQ(kSearchLocalList, SearchAddress::ListRequest(recent, 0, param));
    EXPECT_EQ(kRecentSongsListName, param.strKey);
}

TEST(OpenedList, VideoListsCompleteTheirAddressOnce) {
    std::unique_ptr<CNetSongList> root(List("videos", ""));
    root->SetBaseUrl("http://h/vdisk.web?t=list&ft=tv/");
    CNetSongList* drama = List("连续剧 & more", "", root.get());
    drama->SetListType(kListDrama);
    SearchParam param;
    EXPECT_EQ(kSearchWebList, SearchAddress::ListRequest(drama, 0, param));
    EXPECT_EQ("http://h/vdisk.web?t=list&ft=tv&tag=%E8%BF%9E%E7%BB%AD%E5%89%A7%20%26%20more&pn=0&rn=60",
              param.strKey);
    EXPECT_EQ(param.strKey, drama->GetUrl());
    SearchParam again;
    SearchAddress::ListRequest(drama, 0, again);
    EXPECT_EQ(param.strKey, again.strKey);

    CNetSongList* recent = List(kRecentVideosListName, "http://h/x?t=1&pn=3&rn=60", root.get());
    recent->SetListType(kListRecentVideos);
    EXPECT_EQ(kSearchWebList, SearchAddress::ListRequest(recent, 0, param));
    EXPECT_EQ(kRecentVideosListName, param.strKey);
    EXPECT_EQ(3, param.nPage);

    EXPECT_EQ(7, SearchAddress::PageFromUrl("http://h/x?pn=7&rn=60"));
    EXPECT_EQ(0, SearchAddress::PageFromUrl("http://h/x?rn=60"));
    EXPECT_EQ(12, SearchAddress::PageFromUrl("http://h/x?pn=5&a=1&pn=12"));
}
