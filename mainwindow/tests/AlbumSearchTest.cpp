#include "AlbumSearch.h"

#include <gtest/gtest.h>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

CNetSongInfo* Song(const char* name, const char* artist, const char* album) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName(name);
    song->SetArtist(artist);
    song->SetAlbum(album);
    return song;
}

}  // namespace

TEST(AlbumSearch, AlbumMatchesWholeNameAndSingerAnywhereIgnoringCase) {
    std::unique_ptr<CNetSongInfo> song(Song("s", "Jay Chou & Friends", "Fantasy"));
    EXPECT_TRUE(albumsearch::IsAlbumSong(*song, "FANTASY", "jay chou"));
    EXPECT_TRUE(albumsearch::IsAlbumSong(*song, "fantasy", "FRIENDS"));
    EXPECT_TRUE(albumsearch::IsAlbumSong(*song, "fantasy", ""));
    EXPECT_FALSE(albumsearch::IsAlbumSong(*song, "fantasy 2", "jay"));
    EXPECT_FALSE(albumsearch::IsAlbumSong(*song, "fant", "jay"));
    EXPECT_FALSE(albumsearch::IsAlbumSong(*song, "fantasy", "jolin"));
}

TEST(AlbumSearch, MatchNeverStartsInsideADoubleByteCharacter) {
    // 0x81 0x61 is one character whose second byte is the letter "a".
    EXPECT_FALSE(albumsearch::ContainsNoCase("\x81\x61", "a"));
    EXPECT_FALSE(albumsearch::ContainsNoCase("\x81\x61", "A"));
    EXPECT_TRUE(albumsearch::ContainsNoCase("\x81\x61" "A", "a"));
    EXPECT_TRUE(albumsearch::ContainsNoCase("周杰伦", "杰伦"));
    EXPECT_FALSE(albumsearch::ContainsNoCase("周杰", "杰伦"));
    // The trail byte of a double-byte character is not a letter to fold.
    std::unique_ptr<CNetSongInfo> song(Song("s", "x", "\x81\x61"));
    EXPECT_FALSE(albumsearch::IsAlbumSong(*song, "\x81\x41", ""));
}

TEST(AlbumSearch, AlbumListHoldsCopiesOfTheMatchingSongsOnly) {
    CNetSongList answer;
    answer.AddSongInfo(Song("one", "Singer A", "Album"));
    answer.AddSongInfo(Song("two", "Singer B", "Album"));
    answer.AddSongInfo(Song("three", "singer a", "ALBUM"));
    answer.AddSongInfo(Song("four", "Singer A", "Album (Live)"));
    std::unique_ptr<CNetSongList> album = albumsearch::BuildAlbumList(answer, "album", "Singer A");
    EXPECT_EQ(5u, album->GetListType());
    EXPECT_EQ("album", album->GetShowName());
    EXPECT_EQ("Singer A", album->GetSingerInfo().strArtist);
    ASSERT_EQ(2u, album->GetSongInfoVector().size());
    EXPECT_EQ("one", album->GetSongInfoVector()[0]->GetName());
    EXPECT_EQ("three", album->GetSongInfoVector()[1]->GetName());
    EXPECT_EQ(album.get(), album->GetSongInfoVector()[0]->GetParent());
    EXPECT_NE(answer.GetSongInfoVector()[0], album->GetSongInfoVector()[0]);
    EXPECT_EQ(4u, answer.GetSongInfoVector().size());

    EXPECT_EQ("Vx音乐网盘->搜索->专辑->Album", albumsearch::PlaySource("Album"));
}
