#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "../src/RankingData.h"
#include "ReplyBlocks.h"
#include "catalogue/NetSongData.h"
#include "catalogue/SearchTypes.h"
#include "config/ConfigManager.h"
#include "datadef/SongListMgr.h"
#include "http/VxHttpRequestMgr.h"
#include "testing/AddressSpaceWin.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/DateTime.h"
#include "vxlib/Dir.h"
#include "vxlib/HandleWin.h"
#include "vxlib/SharedObjectsWin.h"
#include "vxlib/Xml.h"
#include "vxlib/Zip.h"

namespace {

const char kDeadServer[] = "http://127.0.0.1:1";

class CTreeCatcher : public INetSongDataObserver {
public:
    CTreeCatcher() { AfxGetMessageManager()->Register(kNetSongChannel, this, kObserverUiThread); }
    ~CTreeCatcher() override {
        AfxGetMessageManager()->Unregister(kNetSongChannel, this);
        delete root;
    }
    void OnTreeLoaded(CSongListBase* loaded) override {
        delete root;
        root = loaded;
        ++notices;
    }
    // Runs this thread's messages until the tree (or the notice of none) arrived or `ms` passed.
    bool Pump(DWORD ms) {
        DWORD start = GetTickCount();
        while (!root && notices == 0 && GetTickCount() - start < ms) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return root != nullptr;
    }
    CSongListBase* root = nullptr;
    int notices = 0;
};

std::string NetItem(uint32_t plainLength, const std::string& xml) {
    std::string packed;
    Memzip::Compress(xml.data(), xml.size(), packed);
    std::string item;
    for (uint32_t v : {plainLength, static_cast<uint32_t>(packed.size())}) {
        for (int i = 0; i < 4; ++i) item += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return item + packed;
}

class RankingDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir::GetVxPath(PATH_RANKING, m_dataDir));
        std::string work;
        ASSERT_TRUE(Dir::GetVxPath(PATH_USER_DATA, work));
        ASSERT_TRUE(AfxGetHttpRequestMgr()->Init(0, work.c_str()));
        ASSERT_TRUE(AfxGetFileCache()->Init(0, (work + "cache").c_str()));
        IVxHtchFileMgr* items = AfxGetHtchFileMgr();
        items->SetFileCache(AfxGetFileCache());
        items->SetRequestMgr(AfxGetHttpRequestMgr());
        items->CreateGroup("VX_NET_SONG", 0, 1, 100, 104857600, 1);
        AfxGetConfigManager()->SetString("Servers", "All", kDeadServer);
    }

    void WriteRoot() {
        std::string netGood = std::string(kDeadServer) + "/good.xml";
        std::string netBig = std::string(kDeadServer) + "/big.xml";
        Xml::XmlNode root("pl");
        Xml::XmlNode own = root.AppendChild("pl");
        own.SetAttr("n", "own");
        own.SetAttr("sn", kProductDisplayName);
        Xml::XmlNode good = root.AppendChild("pl");
        good.SetAttr("n", "good");
        good.SetAttr("nurl", netGood);
        Xml::XmlNode big = root.AppendChild("pl");
        big.SetAttr("n", "big");
        big.SetAttr("nurl", netBig);
        Xml::XmlNode videos = root.AppendChild("pl");
        videos.SetAttr("n", "videos");
        videos.SetAttrNum("t", kListVideoCategory);
        ASSERT_TRUE(root.SaveFile(m_dataDir + "root0920.pl"));

        // Served from the cache as the stale fallback, since the server cannot be reached.
        std::string xml = "<pl n=\"wrap\"><pl n=\"good\" sn=\"Good\"><so n=\"song\"/></pl></pl>";
        std::string goodItem = NetItem(static_cast<uint32_t>(xml.size()), xml);
        ASSERT_TRUE(AfxGetFileCache()->WriteItem("VX_NET_SONG", netGood.c_str(), goodItem.data(),
                                                 static_cast<int>(goodItem.size()), 0));
        std::string bigItem = NetItem(10485761, "<pl n=\"big\"/>");
        ASSERT_TRUE(AfxGetFileCache()->WriteItem("VX_NET_SONG", netBig.c_str(), bigItem.data(),
                                                 static_cast<int>(bigItem.size()), 0));
    }

    ScopedDataRoot m_root{"ranking"};
    std::string m_dataDir;
};

uint32_t LastUpdate() {
    uint32_t value = 12345;
    AfxGetConfigManager()->GetUInt32("BangDan", "LastUpdateTime", value, 0);
    return value;
}

}  // namespace

TEST_F(RankingDataTest, FreshDataLoadsWithNetListsAndRecentLists) {
    WriteRoot();
    AfxGetConfigManager()->SetUInt32("BangDan", "LastUpdateTime", static_cast<uint32_t>(Time::DateTime().GetSeconds()));
    CTreeCatcher catcher;
    CSongListMgr manager(nullptr);
    CHandle thread(CRankingData::StartThread(&manager));
    ASSERT_TRUE(thread.Valid());
    ASSERT_TRUE(catcher.Pump(20000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 20000));

    const auto& top = catcher.root->GetChildrenVector();
    ASSERT_EQ(3u, top.size());
    auto* own = static_cast<CNetSongList*>(top[0]);
    EXPECT_EQ(static_cast<uint32_t>(kListOwnCategory), own->GetListType());
    // The player's playlist file does not exist here: no recently played songs list.
    EXPECT_TRUE(own->GetChildrenVector().empty());

    EXPECT_EQ("good", top[1]->GetName());
    EXPECT_EQ("Good", top[1]->GetShowName());
    EXPECT_EQ(1u, top[1]->GetSongInfoVector().size());
    EXPECT_EQ(catcher.root, top[1]->GetParent());

    auto* videos = static_cast<CNetSongList*>(top[2]);
    EXPECT_EQ("videos", videos->GetName());
    ASSERT_EQ(1u, videos->GetChildrenVector().size());
    auto* recent = static_cast<CNetSongList*>(videos->GetChildrenVector()[0]);
    EXPECT_EQ(kRecentVideosListName, recent->GetName());
    EXPECT_EQ(49u, recent->GetId());
    EXPECT_EQ(static_cast<uint32_t>(kListRecentVideos), recent->GetListType());
    EXPECT_EQ(std::string(kDeadServer) + "/star/tags/vpan/video/videorecent.jpg", recent->GetImage());
}

TEST_F(RankingDataTest, RefreshByAnotherProcessIsAwaitedThenLoaded) {
    WriteRoot();
    AfxGetConfigManager()->SetUInt32("BangDan", "LastUpdateTime", 0);
    CHandle finish(SharedObjects::CreateSharedEvent(L"Global\\VixoMelodiskBangdanFinishEvent_20110427", false, false));
    ASSERT_TRUE(finish.Valid());

    CTreeCatcher catcher;
    CSongListMgr manager(nullptr);
    CHandle thread(CRankingData::StartThread(&manager));
    ASSERT_TRUE(thread.Valid());
    EXPECT_FALSE(catcher.Pump(500));  // waits for the other side's finish
    SetEvent(finish.Get());
    ASSERT_TRUE(catcher.Pump(20000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 20000));
    EXPECT_EQ(3u, catcher.root->GetChildrenVector().size());  // the oversized net list left out
    // Nothing was downloaded by this side.
    EXPECT_EQ(0u, LastUpdate());
    EXPECT_FALSE(Dir::IsExistFile(m_dataDir + "res"));
}

TEST_F(RankingDataTest, UnloadableTreeRemovesTheDataAfterFailedDownloads) {
    AfxGetConfigManager()->SetUInt32("BangDan", "LastUpdateTime", 0);
    std::string dataDir = m_dataDir;
    ASSERT_TRUE(Xml::XmlNode("junk").SaveFile(dataDir + "other.pl"));
    CTreeCatcher catcher;
    CSongListMgr manager(nullptr);
    CHandle thread(CRankingData::StartThread(&manager));
    ASSERT_TRUE(thread.Valid());
    // The thread ends by telling that no tree could be loaded (it waits for the notice).
    EXPECT_FALSE(catcher.Pump(60000));
    EXPECT_EQ(1, catcher.notices);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 20000));
    EXPECT_NE(0u, LastUpdate());
    EXPECT_FALSE(Dir::IsExistFile(dataDir + "other.pl"));
}

TEST_F(RankingDataTest, AnExceptionWhileLoadingStillEndsWithTheNoticeOfNoTree) {
    WriteRoot();
    // The good net list now announces 9 MB, a buffer that cannot be had while the address space is
    // nearly full.
    const std::string netGood = std::string(kDeadServer) + "/good.xml";
    const std::string huge = LittleEndian(9000000) + LittleEndian(9000000) + "abcd";
    ASSERT_TRUE(AfxGetFileCache()->WriteItem("VX_NET_SONG", netGood.c_str(), huge.data(), static_cast<int>(huge.size()), 0));
    AfxGetConfigManager()->SetUInt32("BangDan", "LastUpdateTime", static_cast<uint32_t>(Time::DateTime().GetSeconds()));
    CTreeCatcher catcher;
    CSongListMgr manager(nullptr);
    {
        CAddressSpaceSqueeze squeeze;
        ASSERT_TRUE(squeeze.Squeezed());
        CHandle thread(CRankingData::StartThread(&manager));
        ASSERT_TRUE(thread.Valid());
        catcher.Pump(30000);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 20000));
    }
    // Without the exception the tree would have loaded, leaving that one list out.
    EXPECT_EQ(1, catcher.notices) << "the thread ended without telling";
    EXPECT_EQ(nullptr, catcher.root);
}
