#include "ActionMenusWin.h"

#include <gtest/gtest.h>

#include "datadef/SongInfo.h"
#include "resource.h"

namespace {

// Leaves the chooser as it found it, whatever the test does.
struct ChooserScope {
    explicit ChooserScope(std::function<UINT(HMENU)> chooser) { CContextMenu::s_menuChooser = std::move(chooser); }
    ~ChooserScope() { CContextMenu::s_menuChooser = nullptr; }
};

void ExpectSame(const MenuModel& expected, const MenuModel& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].IsSeparator(), actual[i].IsSeparator()) << i;
        EXPECT_EQ(expected[i].text, actual[i].text) << i;
        EXPECT_EQ(expected[i].grayed, actual[i].grayed) << expected[i].text;
        if (expected[i].sub.empty()) {
            EXPECT_EQ(expected[i].id, actual[i].id) << expected[i].text;
        }
        ExpectSame(expected[i].sub, actual[i].sub);
    }
}

}  // namespace

TEST(ActionMenusWin, PopupMenuCarriesTheModelsTextsIdsAndGreying) {
    CNetSongInfo song;
    song.SetArtist("歌手 & 乐队");
    song.SetAlbum("专辑");
    const std::vector<sendto::DriveItem> drives = {{'C', "本地磁盘(C:\\)"}, {'Z', "网络驱动器(Z:\\)"}};
    const MenuModel songMenu = actionmenus::SongMenu({&song}, drives);
    HMENU menu = CContextMenu::Build(songMenu);
    ASSERT_TRUE(menu != nullptr);
    ExpectSame(songMenu, CContextMenu::Read(menu));
    ::DestroyMenu(menu);

    const MenuModel listMenu = actionmenus::ListMenu(actionmenus::kExpanded, false, drives);
    menu = CContextMenu::Build(listMenu);
    ASSERT_TRUE(menu != nullptr);
    const MenuModel read = CContextMenu::Read(menu);
    ExpectSame(listMenu, read);
    EXPECT_TRUE(read[3].grayed);  // "下载歌曲" without songs
    ::DestroyMenu(menu);
}

TEST(ActionMenusWin, ChooserSeesTheMenuAndItsAnswerIsTheCommand) {
    const MenuModel model = actionmenus::ListMenu(actionmenus::kCollapsed, true, {{'D', "CD驱动器(D:\\)"}});
    MenuModel seen;
    {
        ChooserScope scope([&seen](HMENU menu) {
            seen = CContextMenu::Read(menu);
            return static_cast<UINT>(0x9074);
        });
        EXPECT_EQ(0x9074u, CContextMenu::Track(nullptr, model, 10, 10));
    }
    ExpectSame(model, seen);
    {
        ChooserScope scope([](HMENU) { return 0u; });
        EXPECT_EQ(0u, CContextMenu::Track(nullptr, model, 10, 10));
    }
}

TEST(ActionMenusWin, PresentDrivesLeaveOutAAndNameTheSystemDrive) {
    const std::vector<sendto::DriveItem> drives = CContextMenu::PresentDrives();
    bool sawC = false;
    for (const sendto::DriveItem& drive : drives) {
        EXPECT_NE('A', drive.letter);
        if (drive.letter == 'C') {
            sawC = true;
            EXPECT_EQ("本地磁盘(C:\\)", drive.text);
        }
    }
    EXPECT_TRUE(sawC);
}
