#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServerWin.h"
#include "TestDir.h"
#include "http/VxHttpRequestMgr.h"

namespace {

class ItemGroups : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AfxGetHttpRequestMgr()->Init(0, MakeTestDir("items").c_str()));
        ASSERT_TRUE(AfxGetFileCache()->Init(0, (MakeTestDir("items") + "\\cache").c_str()));
        mgr = AfxGetHtchFileMgr();
        ASSERT_TRUE(mgr->SetRequestMgr(AfxGetHttpRequestMgr()));
        ASSERT_TRUE(mgr->SetFileCache(AfxGetFileCache()));
        ASSERT_TRUE(mgr->CreateGroup("VX_TEST_DAY", 0, 86400, 1000, 104857600, 1));
    }

    // Opens and reads an item whole; false when opening or a read fails.
    bool ReadItem(const char* group, const std::string& address, std::string& body, int* handle, int part = 5000) {
        if (!mgr->OpenItem(group, address.c_str(), handle)) return false;
        std::vector<char> buf(static_cast<size_t>(part));
        for (;;) {
            int n = part;
            if (!mgr->ReadItem(*handle, buf.data(), &n)) return false;
            if (n <= 0) return true;
            body.append(buf.data(), static_cast<size_t>(n));
        }
    }

    IVxHtchFileMgr* mgr = nullptr;
};

}  // namespace

TEST_F(ItemGroups, SecondOpenComesFromTheCacheUntilClosedWithoutKeep) {
    std::string address = ServerUrl("/gen/bytes?size=200000&item=keep");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::string body;
        int handle = 0, local = -1, status = -1, bytes = -1;
        ASSERT_TRUE(ReadItem("VX_TEST_DAY", address, body, &handle));
        ASSERT_EQ(200000u, body.size());
        EXPECT_EQ(-1, FirstPatternMismatch(body.data(), body.size()));
        ASSERT_TRUE(mgr->GetItemStatus(handle, &local, &status, &bytes));
        EXPECT_EQ(round == 1 ? 1 : 0, local);
        EXPECT_EQ(round == 1 ? 0 : 200, status);
        EXPECT_EQ(200000, bytes);
        // Round 0 keeps the fetched copy, round 1 drops the cached one, round 2 fetches again.
        EXPECT_TRUE(mgr->CloseItem(handle, round == 0 ? 1 : 0));
        EXPECT_EQ(round == 0, AfxGetFileCache()->GetItemInfo("VX_TEST_DAY", address.c_str(), nullptr, nullptr) != 0);
        ASSERT_TRUE(mgr->GetLastStatus("VX_TEST_DAY", address.c_str(), &local, &status, &bytes));
        EXPECT_EQ(round == 1 ? 1 : 0, local);
    }
}

TEST_F(ItemGroups, ItemsCutShortOrNotReadWholeAreNotKept) {
    std::string cut = ServerUrl("/gen/bytes?size=200000&cut=50000");
    std::string body;
    int handle = 0;
    EXPECT_FALSE(ReadItem("VX_TEST_DAY", cut, body, &handle));
    EXPECT_LE(body.size(), 50000u);
    EXPECT_FALSE(mgr->CloseItem(handle, 1));   // keep asked, but nothing whole to keep
    EXPECT_FALSE(AfxGetFileCache()->GetItemInfo("VX_TEST_DAY", cut.c_str(), nullptr, nullptr));

    std::string half = ServerUrl("/gen/bytes?size=200000&item=half");
    ASSERT_TRUE(mgr->OpenItem("VX_TEST_DAY", half.c_str(), &handle));
    char buf[1000];
    int n = sizeof buf;
    ASSERT_TRUE(mgr->ReadItem(handle, buf, &n));
    EXPECT_FALSE(mgr->CloseItem(handle, 1));
    EXPECT_FALSE(AfxGetFileCache()->GetItemInfo("VX_TEST_DAY", half.c_str(), nullptr, nullptr));

    EXPECT_FALSE(mgr->OpenItem("VX_TEST_DAY", ServerUrl("/test/missing").c_str(), &handle));
    EXPECT_FALSE(mgr->OpenItem("NO_SUCH_GROUP", half.c_str(), &handle));
}

TEST_F(ItemGroups, AlwaysAskingGroupRetriesAndFallsBackToTheLastGoodCopy) {
    // Like the ranking lists' group: never fresh, three retries, stale copy when the server fails.
    ASSERT_TRUE(mgr->CreateGroup("VX_TEST_ASK", 3, 1, 100, 104857600, 1));
    const char* root = std::getenv("VX_TEST_SERVER_ROOT");
    ASSERT_NE(nullptr, root);
    std::string file = std::string(root) + "\\list.bin";
    std::string content = "list data served from a file";
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    std::string address = ServerUrl("/list.bin");

    for (int round = 0; round < 2; ++round) {
        std::string body;
        int handle = 0, local = -1, status = 0, bytes = 0;
        ASSERT_TRUE(ReadItem("VX_TEST_ASK", address, body, &handle));
        EXPECT_EQ(content, body);
        ASSERT_TRUE(mgr->GetItemStatus(handle, &local, &status, &bytes));
        EXPECT_EQ(0, local);   // fetched both times although a copy exists
        EXPECT_TRUE(mgr->CloseItem(handle, 1));
    }
    // A fetch that fails half-way stores nothing and leaves the last good copy.
    std::string cutReply = file + ".reply.json";
    f = std::fopen(cutReply.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fputs("{\"cut_after\": 5}", f);
    std::fclose(f);
    std::string cutBody;
    int cutHandle = 0;
    EXPECT_FALSE(ReadItem("VX_TEST_ASK", address, cutBody, &cutHandle));
    EXPECT_FALSE(mgr->CloseItem(cutHandle, 1));
    ASSERT_TRUE(DeleteFileA(cutReply.c_str()));
    EXPECT_TRUE(AfxGetFileCache()->GetItemInfo("VX_TEST_ASK", address.c_str(), nullptr, nullptr));

    size_t before = JournalLines().size();
    ASSERT_TRUE(DeleteFileA(file.c_str()));
    std::string body;
    int handle = 0, local = 0, status = 0, bytes = 0;
    ASSERT_TRUE(ReadItem("VX_TEST_ASK", address, body, &handle));
    EXPECT_EQ(content, body);
    ASSERT_TRUE(mgr->GetItemStatus(handle, &local, &status, &bytes));
    EXPECT_EQ(1, local);
    EXPECT_EQ(404, status);
    EXPECT_TRUE(mgr->CloseItem(handle, 1));
    EXPECT_EQ(before + 4, JournalLines().size());   // the first attempt and three retries
}

TEST_F(ItemGroups, GroupKeepsAtMostItsItemCount) {
    ASSERT_TRUE(mgr->CreateGroup("VX_TEST_TWO", 0, 86400, 2, 104857600, 1));
    std::vector<std::string> addresses;
    for (int i = 0; i < 3; ++i) {
        addresses.push_back(ServerUrl("/gen/bytes?size=1000&n=" + std::to_string(i)));
        std::string body;
        int handle = 0;
        ASSERT_TRUE(ReadItem("VX_TEST_TWO", addresses.back(), body, &handle));
        ASSERT_TRUE(mgr->CloseItem(handle, 1));
    }
    IVxFileCache* cache = AfxGetFileCache();
    EXPECT_FALSE(cache->GetItemInfo("VX_TEST_TWO", addresses[0].c_str(), nullptr, nullptr));
    EXPECT_TRUE(cache->GetItemInfo("VX_TEST_TWO", addresses[1].c_str(), nullptr, nullptr));
    EXPECT_TRUE(cache->GetItemInfo("VX_TEST_TWO", addresses[2].c_str(), nullptr, nullptr));
}
