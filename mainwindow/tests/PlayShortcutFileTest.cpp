#include "PlayShortcutFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "datadef/SongInfo.h"

namespace {

std::string TempFile(const char* name) {
    return std::string(::testing::TempDir()) + name;
}

void MakeSong(CNetSongInfo& song, const char* name, uint32_t id) {
    song.SetName(name);
    song.SetArtist("Artist");
    song.SetId(id);
}

int CountSongs(const Xml::XmlNode& root) {
    int n = 0;
    for (auto it = root.ChildBegin(); it != root.ChildEnd(); ++it) n += it->GetName() == "so";
    return n;
}

TEST(PlayShortcutFile, NewFileStartsAtHundredAndSameSongKeepsItsId) {
    const std::string path = TempFile("ShortCutNew.pl");
    std::remove(path.c_str());
    CPlayShortcutFile file;
    EXPECT_FALSE(file.Load(path));
    CNetSongInfo a, b;
    MakeSong(a, "A", 11);
    MakeSong(b, "B", 12);
    EXPECT_EQ(100, file.AddSong(a, false));
    ASSERT_TRUE(file.Save(path));

    CPlayShortcutFile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(101, again.Root().GetAttrNum("si"));
    CNetSongInfo aCopy;
    MakeSong(aCopy, "A", 11);
    EXPECT_EQ(100, again.AddSong(aCopy, true));
    EXPECT_EQ(1, CountSongs(again.Root()));
    EXPECT_EQ(101, again.AddSong(b, true));
    EXPECT_EQ(102, again.Root().GetAttrNum("si"));
    EXPECT_EQ(2, CountSongs(again.Root()));
    EXPECT_EQ("song", again.Root().GetChild("so").GetAttr("pt"));
    std::remove(path.c_str());
}

TEST(PlayShortcutFile, SongsDifferingOnlyInIdGetTheirOwnEntries) {
    CPlayShortcutFile file;
    CNetSongInfo a, other;
    MakeSong(a, "A", 11);
    MakeSong(other, "A", 99);
    EXPECT_EQ(100, file.AddSong(a, false));
    EXPECT_EQ(101, file.AddSong(other, false));
}

TEST(PlayShortcutFile, CorruptOrForeignFileIsReplacedByEmptyDocument) {
    const char* bodies[] = {"<pl si=\"140\"><so id=\"100\"", "<other si=\"140\"/>"};
    for (const char* body : bodies) {
        const std::string path = TempFile("ShortCutBad.pl");
        std::ofstream(path, std::ios::binary) << body;
        CPlayShortcutFile file;
        EXPECT_FALSE(file.Load(path)) << body;
        EXPECT_EQ("pl", file.Root().GetName()) << body;
        EXPECT_EQ(0u, file.Root().ChildCount()) << body;
        CNetSongInfo a;
        MakeSong(a, "A", 1);
        EXPECT_EQ(100, file.AddSong(a, false)) << body;
        std::remove(path.c_str());
    }
}

}  // namespace
