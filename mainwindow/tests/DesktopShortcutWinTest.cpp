#include "DesktopShortcutWin.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "PlayShortcutFile.h"
#include "ShortcutReaderWin.h"
#include "datadef/SongInfo.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Charset.h"
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

TEST(DesktopShortcutWin, AFileThatCannotBeReadIsNeverOverwrittenAndItsIdsStayTaken) {
    ScopedDataRoot root("mw-shortcut-bad");
    CoInitialize(nullptr);
    std::string desktop, data;
    ASSERT_TRUE(Dir::GetVxPath(PATH_DESKTOP, desktop));
    ASSERT_TRUE(Dir::GetVxPath(PATH_SHORTCUT_DATA, data));
    const std::string path = data + CPlayShortcutFile::kFileName;
    CNetSongInfo song;
    song.SetName("Song");
    song.SetArtist("Artist");
    song.SetId(5);
    SongVector songs{&song};

    // Held open by another program without sharing: nothing is written, no shortcut is made.
    const std::string held = "<pl si=\"160\"></pl>";
    ASSERT_TRUE(Dir::WriteWholeFile(path, held));
    HANDLE lock = CreateFileW(Charset::String2WString(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_EQ(0, DesktopShortcut::CreateSongShortcuts(songs));
    CloseHandle(lock);
    std::string text;
    ASSERT_TRUE(Dir::ReadWholeFile(path, text));
    EXPECT_EQ(held, text);
    EXPECT_FALSE(Dir::IsExistFile(desktop + "\\Song-Artist.lnk"));

    // Damaged twice: each copy is kept aside as it was and the new ids start above all it shows.
    const std::string damaged[] = {"<pl si=\"140\"><so n=\"x\" id=\"130\"", "<pl si=\"150\"><so"};
    const char* names[] = {".unreadable", ".unreadable2"};
    const char* arguments[] = {"/playico 140", "/playico 150"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Dir::WriteWholeFile(path, damaged[i]));
        ASSERT_EQ(1, DesktopShortcut::CreateSongShortcuts(songs)) << i;
        ShortcutFields fields;
        ASSERT_TRUE(ReadShortcut(desktop + "\\Song-Artist.lnk", fields));
        EXPECT_EQ(arguments[i], fields.arguments);
        ASSERT_TRUE(Dir::ReadWholeFile(path + names[i], text)) << names[i];
        EXPECT_EQ(damaged[i], text);
        EXPECT_FALSE(Dir::IsExistFile(path + ".tmp"));
        CPlayShortcutFile file;
        ASSERT_TRUE(file.Load(path));
        EXPECT_EQ(1u, file.Root().ChildCount());
    }
    ASSERT_TRUE(Dir::ReadWholeFile(path + names[0], text));
    EXPECT_EQ(damaged[0], text) << "an earlier copy is never replaced";
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
