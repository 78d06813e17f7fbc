#pragma once
#include <memory>
#include <string>

class CSongInfoBase;
class CSongListBase;
class CNetSongList;

// Finding an album by name and singer through an album search: which songs of the answer belong
// to it. Texts are GBK; case is ignored for ASCII letters only and a match never starts inside a
// double-byte character. Pure functions; any thread.
namespace albumsearch {

// The album equals `album` and the artist contains `singer` (an empty singer matches any).
bool IsAlbumMatch(const std::string& songAlbum, const std::string& songArtist, const std::string& album,
                  const std::string& singer);
bool IsAlbumSong(const CSongInfoBase& song, const std::string& album, const std::string& singer);
// The play source given to the search: display name, "搜索", "专辑" and the album, joined by "->".
std::string PlaySource(const std::string& album);
// A new album list (type 5, show name `album`, singer `singer`) holding clones of the answer's
// matching songs.
std::unique_ptr<CNetSongList> BuildAlbumList(const CSongListBase& answer, const std::string& album,
                                             const std::string& singer);
// GBK-aware, ASCII case ignored.
bool ContainsNoCase(const std::string& text, const std::string& part);

}  // namespace albumsearch
