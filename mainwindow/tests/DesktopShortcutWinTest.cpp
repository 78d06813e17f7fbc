#include "DesktopShortcutWin.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "PlayShortcutFile.h"
#include "ShortcutReaderWin.h"
#include "datadef/SongInfo.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"

namespace {

TEST(DesktopShortcutWin, SongShortcutPlaysItsShortcutIdAndReusesIt) {
    ScopedDataRoot root("mw-shortcut");
    CoInitialize(nullptr);
    CNetSongInfo song;
    song.SetName("Song");
    song.SetArtist("Artist");
    song.SetId(5);
    SongVector songs{&song};
    ASSERT_EQ(1, DesktopShortcut::CreateSongShortcuts(songs));
    ASSERT_EQ(1, DesktopShortcut::CreateSongShortcuts(songs));

    std::string desktop, program, data;
    ASSERT_TRUE(Dir::GetVxPath(PATH_DESKTOP, desktop));
    ASSERT_TRUE(Dir::GetVxPath(PATH_PROGRAM, program));
    ASSERT_TRUE(Dir::GetVxPath(PATH_SHORTCUT_DATA, data));
    ShortcutFields fields;
    ASSERT_TRUE(ReadShortcut(desktop + "\\Song-Artist.lnk", fields));
    EXPECT_EQ(0, lstrcmpiA((program + "VxMelodisk.exe").c_str(), fields.target.c_str())) << fields.target;
    EXPECT_EQ("/playico 100", fields.arguments);

    CPlayShortcutFile file;
    ASSERT_TRUE(file.Load(data + CPlayShortcutFile::kFileName));
    EXPECT_EQ(101, file.Root().GetAttrNum("si"));
    EXPECT_EQ(1u, file.Root().ChildCount());
    CoUninitialize();
}

TEST(DesktopShortcutWin, UnwritableDesktopFailsQuietly) {
    ShortcutSpec shortcut;
    shortcut.name = "bad<name>";
    shortcut.exe = "C:\\x.exe";
    EXPECT_FALSE(DesktopShortcut::Create(shortcut));
}

TEST(DesktopShortcutWin, SongNamesWindowsRefusesStillGiveAShortcutOnTheDesktop) {
    ScopedDataRoot root("mw-shortcut-names");
    CoInitialize(nullptr);
    CNetSongInfo song;
    song.SetName("AC/DC..\\x");
    song.SetArtist("Why? a<b> x:y");
    song.SetId(6);
    ASSERT_EQ(1, DesktopShortcut::CreateSongShortcuts(SongVector{&song}));
    std::string desktop;
    ASSERT_TRUE(Dir::GetVxPath(PATH_DESKTOP, desktop));
    ShortcutFields fields;
    EXPECT_TRUE(ReadShortcut(desktop + "\\AC_DC.._x-Why_ a_b_ x_y.lnk", fields));
    EXPECT_EQ("/playico 100", fields.arguments);
    CoUninitialize();
}

}  // namespace
