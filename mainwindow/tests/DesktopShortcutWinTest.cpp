#include "DesktopShortcutWin.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "PlayShortcutFile.h"
#include "datadef/SongInfo.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Dir.h"

namespace {

struct LinkFields {
    std::string path, args;
};

bool ReadLink(const std::string& file, LinkFields& out) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* pf = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)));
    if (ok) {
        std::wstring wide(file.begin(), file.end());
        ok = SUCCEEDED(pf->Load(wide.c_str(), STGM_READ));
        char buf[MAX_PATH] = {};
        ok = ok && SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH));
        out.path = buf;
        char args[MAX_PATH] = {};
        ok = ok && SUCCEEDED(link->GetArguments(args, MAX_PATH));
        out.args = args;
        pf->Release();
    }
    link->Release();
    return ok;
}

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
    LinkFields fields;
    ASSERT_TRUE(ReadLink(desktop + "\\Song-Artist.lnk", fields));
    EXPECT_EQ(0, lstrcmpiA((program + "VxMelodisk.exe").c_str(), fields.path.c_str())) << fields.path;
    EXPECT_EQ("/playico 100", fields.args);

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

}  // namespace
