#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../src/JsonNodes.h"
#include "../src/RecentVideos.h"
#include "TempDir.h"

namespace {

std::string Item(int id, const std::string& name, const std::string& extra = "") {
    return R"({"id":")" + std::to_string(id) + R"(","name":")" + name +
           R"(","pic":"p","duration":"1","quality":"q","act":"a","dir":"d","introduce":"i",)"
           R"("src":[{"id":1,"url":"http://v","w":1,"h":2}])" +
           extra + "}";
}

std::string PageOf(const std::vector<std::string>& items) {
    std::string text = R"({"type":"video","list":[)";
    for (size_t i = 0; i < items.size(); ++i) text += (i ? "," : "") + items[i];
    return text + "]}";
}

Json::Value ReadPage(CRecentVideos& store, int n) {
    std::string json;
    EXPECT_TRUE(store.ReadPage(n, json)) << n;
    Json::Value page;
    EXPECT_TRUE(JsonText::Parse(json, page, nullptr, false));
    return page;
}

std::vector<std::string> Names(const Json::Value& page) {
    std::vector<std::string> names;
    for (const Json::Value& item : page["list"]) names.push_back(item["name"].asString());
    return names;
}

}  // namespace

TEST(RecentVideos, AddKeepsOneCopyNewestFirstAndMarksDramas) {
    CTempDir dir("recent1");
    CRecentVideos store;
    store.Setup(dir.Path());

    Json::Value empty = ReadPage(store, 0);
    EXPECT_EQ(0u, empty["list"].size());
    EXPECT_EQ(0, empty["total"].asInt());
    EXPECT_EQ("videorecent", empty["type"].asString());

    std::string page = PageOf({Item(1, "one"), Item(2, "two", R"(,"total":"30","freshto":"12","channel":"tv")")});
    EXPECT_EQ(1, store.Add(page, 1));
    EXPECT_EQ(1, store.Add(page, 2));
    EXPECT_EQ(1, store.Add(page, 1));
    EXPECT_EQ(0, store.Add(page, 3));
    EXPECT_EQ(0, store.Add("{\"list\":[{\"id\":1}]}", 1));

    Json::Value first = ReadPage(store, 0);
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), Names(first));
    EXPECT_EQ(2, first["total"].asInt());
    EXPECT_EQ(2, first["return"].asInt());
    EXPECT_EQ(1, first["ptotal"].asInt());
    EXPECT_EQ("video", first["list"][0]["type"].asString());
    EXPECT_EQ("", first["list"][0]["channel"].asString());
    EXPECT_EQ("drama", first["list"][1]["type"].asString());
    EXPECT_EQ("tv", first["list"][1]["channel"].asString());
    std::string json;
    EXPECT_FALSE(store.ReadPage(1, json));

    // A second store over the same folder sees the same items from the index and page files.
    CRecentVideos reopened;
    reopened.Setup(dir.Path());
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), Names(ReadPage(reopened, 0)));
    EXPECT_EQ(264u, std::filesystem::file_size(dir.Fs() / "VxVRPmap.dat"));

    EXPECT_EQ(1, store.Clear());
    EXPECT_EQ(0u, ReadPage(store, 0)["list"].size());
    EXPECT_FALSE(std::filesystem::exists(dir.Fs() / "videoRP0.dat"));
}

TEST(RecentVideos, SixtyFirstVideoStartsASecondPageFile) {
    CTempDir dir("recent2");
    CRecentVideos store;
    store.Setup(dir.Path());
    for (int i = 0; i < 61; ++i) ASSERT_EQ(1, store.Add(PageOf({Item(i, "v" + std::to_string(i))}), i));
    EXPECT_TRUE(std::filesystem::exists(dir.Fs() / "videoRP1.dat"));
    EXPECT_EQ(2u * 264u, std::filesystem::file_size(dir.Fs() / "VxVRPmap.dat"));

    Json::Value first = ReadPage(store, 0);
    std::vector<std::string> names = Names(first);
    ASSERT_EQ(60u, names.size());
    EXPECT_EQ("v60", names.front());
    EXPECT_EQ("v1", names.back());
    EXPECT_EQ(2, first["ptotal"].asInt());
    EXPECT_EQ(61, first["total"].asInt());
    EXPECT_EQ((std::vector<std::string>{"v0"}), Names(ReadPage(store, 1)));

    // Re-adding an old video moves it out of the full first page into the open one.
    ASSERT_EQ(1, store.Add(PageOf({Item(5, "v5")}), 5));
    EXPECT_EQ("v5", Names(ReadPage(store, 0)).front());
    EXPECT_EQ(61, ReadPage(store, 0)["total"].asInt());

    // A missing page file (the second, holding v60 and v5) is dropped on setup.
    std::filesystem::remove(dir.Fs() / "videoRP1.dat");
    CRecentVideos reopened;
    reopened.Setup(dir.Path());
    Json::Value page = ReadPage(reopened, 0);
    EXPECT_EQ(59, page["total"].asInt());
    EXPECT_EQ("v59", Names(page).front());
}
