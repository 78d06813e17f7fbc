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

TEST(PlayShortcutFile, DamagedOrForeignTextLeavesAnEmptyDocumentNumberedAboveItsIds) {
    const struct {
        const char* body;
        int next;
    } cases[] = {
        {"<pl si=\"140\"><so id=\"100\"", 140},                   // cut short
        {"<pl si=\"120\">\r\n\t<so n=\"a\" id='130' pt=\"song\"/>\r\n<so", 131},  // an entry above `si`
        {"<pl si=\"99999999999\"><so id=\"x7\"/><sol id=\"500\"/>", 100},     // nothing that is an id
        {"<other si=\"140\"/>", 100},                                  // not a play file
        {"", 100},
    };
    for (const auto& c : cases) {
        CPlayShortcutFile file;
        EXPECT_FALSE(file.LoadText(c.body)) << c.body;
        EXPECT_EQ("pl", file.Root().GetName()) << c.body;
        EXPECT_EQ(0u, file.Root().ChildCount()) << c.body;
        CNetSongInfo a, b;
        MakeSong(a, "A", 1);
        MakeSong(b, "B", 2);
        EXPECT_EQ(c.next, file.AddSong(a, false)) << c.body;
        EXPECT_EQ(c.next + 1, file.AddSong(b, false)) << c.body;
    }
    // A readable file whose `si` lags behind an entry's id still gives new ids above it.
    CPlayShortcutFile lagging;
    ASSERT_TRUE(lagging.LoadText("<pl si=\"100\"><so n=\"old\" id=\"105\" pt=\"song\"/></pl>"));
    CNetSongInfo c;
    MakeSong(c, "C", 3);
    EXPECT_EQ(106, lagging.AddSong(c, false));
}

}  // namespace
