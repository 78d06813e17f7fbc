#include "ActionMenus.h"

#include <gtest/gtest.h>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "resource.h"

namespace {

std::vector<std::string> Texts(const MenuModel& menu) {
    std::vector<std::string> texts;
    for (const MenuItem& item : menu) texts.push_back(item.IsSeparator() ? "-" : item.text);
    return texts;
}

const std::vector<sendto::DriveItem> kDrives = {{'C', "本地磁盘(C:\\)"}, {'E', "CD驱动器(E:\\)"}};

}  // namespace

TEST(ActionMenus, SingleSongMenuOffersQuotedSearchesAndSendTo) {
    CNetSongInfo song;
    song.SetArtist("Tom & Jerry");
    song.SetAlbum("Hits");
    const MenuModel menu = actionmenus::SongMenu({&song}, kDrives);
    EXPECT_EQ(std::vector<std::string>({"播放", "添加到播放列表", "下载歌曲", "-", "搜索专辑 \"Hits\"",
                                        "搜索歌手 \"Tom && Jerry\"", "-", "发送到"}),
              Texts(menu));
    EXPECT_EQ(unsigned(ID_SONG_PLAY), menu[0].id);
    EXPECT_EQ(unsigned(ID_SONG_ADD), menu[1].id);
    EXPECT_EQ(unsigned(ID_SONG_DOWNLOAD), menu[2].id);
    EXPECT_EQ(unsigned(ID_SEARCH_ALBUM), menu[4].id);
    EXPECT_EQ(unsigned(ID_SEARCH_ARTIST), menu[5].id);
    const MenuItem& sendTo = menu.back();
    EXPECT_EQ(std::vector<std::string>({"复制到", "本地磁盘(C:\\)", "CD驱动器(E:\\)"}), Texts(sendTo.sub));
    EXPECT_EQ(unsigned(ID_EDIT_COPYTO), sendTo.sub[0].id);
    EXPECT_EQ(0x9073u, sendTo.sub[1].id);
    EXPECT_EQ(0x9075u, sendTo.sub[2].id);
    for (const MenuItem& item : menu) EXPECT_FALSE(item.grayed) << item.text;
    EXPECT_EQ(&sendTo.sub[2], actionmenus::FindCommand(menu, 0x9075));
    EXPECT_EQ(nullptr, actionmenus::FindCommand(menu, ID_SONG_PLAY_MV));

    // Without album name the album search has nothing to look for.
    song.SetAlbum("");
    EXPECT_TRUE(actionmenus::FindCommand(actionmenus::SongMenu({&song}, kDrives), ID_SEARCH_ALBUM)->grayed);
}

TEST(ActionMenus, MusicVideoListPlaysVideosWhenOneSongHasTheVideo) {
    CNetSongList mvList;
    mvList.SetListType(3);
    CNetSongInfo* a = new CNetSongInfo;
    CNetSongInfo* b = new CNetSongInfo;
    mvList.AddSongInfo(a);
    mvList.AddSongInfo(b);
    MenuModel menu = actionmenus::SongMenu({a, b}, {});
    EXPECT_EQ(std::vector<std::string>({"播放", "添加到播放列表", "下载歌曲", "-", "发送到"}), Texts(menu));
    EXPECT_EQ(unsigned(ID_SONG_PLAY_MV), menu[0].id);
    EXPECT_TRUE(menu[0].grayed);
    b->SetMKV(new CNetResource);
    menu = actionmenus::SongMenu({a, b}, {});
    EXPECT_FALSE(menu[0].grayed);
    // Only the first song's list decides.
    CNetSongInfo plain;
    EXPECT_EQ(unsigned(ID_SONG_PLAY), actionmenus::SongMenu({&plain, b}, {})[0].id);
}

TEST(ActionMenus, ListMenuFollowsTreeItemAndSongs) {
    MenuModel menu = actionmenus::ListMenu(actionmenus::kNoTreeItem, false, kDrives);
    EXPECT_EQ(std::vector<std::string>({"打开", "-", "下载歌曲", "发送到", "-", "创建桌面快捷方式"}), Texts(menu));
    EXPECT_EQ(unsigned(ID_LIST_OPEN), menu[0].id);
    EXPECT_EQ(unsigned(ID_DESKTOP_SHORTCUT), menu.back().id);
    EXPECT_TRUE(menu[2].grayed);
    EXPECT_TRUE(actionmenus::FindCommand(menu, ID_EDIT_COPYTO)->grayed);
    EXPECT_TRUE(actionmenus::FindCommand(menu, 0x9073)->grayed);

    menu = actionmenus::ListMenu(actionmenus::kCollapsed, true, kDrives);
    EXPECT_EQ("展开", menu[1].text);
    EXPECT_EQ(unsigned(ID_TREE_TOGGLE), menu[1].id);
    EXPECT_FALSE(menu[1].grayed);
    EXPECT_FALSE(actionmenus::FindCommand(menu, ID_SONG_DOWNLOAD)->grayed);
    EXPECT_FALSE(actionmenus::FindCommand(menu, ID_EDIT_COPYTO)->grayed);
    EXPECT_EQ("折叠", actionmenus::ListMenu(actionmenus::kExpanded, true, kDrives)[1].text);
    EXPECT_TRUE(actionmenus::ListMenu(actionmenus::kNoChildren, true, kDrives)[1].grayed);
}

TEST(ActionMenus, AmpersandsShowAsTheyAre) {
    EXPECT_EQ("A&&B&&&&", actionmenus::EscapeMnemonic("A&B&&"));
    EXPECT_EQ("摇滚&&民谣", actionmenus::EscapeMnemonic("摇滚&民谣"));
}
