#include "AlbumSearch.h"

#include "UserActRecord.h"

#include "catalogue/SearchTypes.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/StringUtility.h"

namespace albumsearch {
namespace {

const uint32_t kAlbumList = 5;

std::string Lower(std::string text) {
    return StringUtility::Str2Lower(text);
}

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

}  // namespace

bool ContainsNoCase(const std::string& text, const std::string& part) {
    if (part.empty()) return true;
    const std::string haystack = Lower(text), needle = Lower(part);
    for (size_t i = 0; i + needle.size() <= haystack.size();) {
        if (haystack.compare(i, needle.size(), needle) == 0) return true;
        i += IsLeadByte(static_cast<unsigned char>(haystack[i])) ? 2 : 1;
    }
    return false;
}

bool IsAlbumMatch(const std::string& songAlbum, const std::string& songArtist, const std::string& album,
                  const std::string& singer) {
    return Lower(songAlbum) == Lower(album) && ContainsNoCase(songArtist, singer);
}

bool IsAlbumSong(const CSongInfoBase& song, const std::string& album, const std::string& singer) {
    return IsAlbumMatch(song.GetAlbum(), song.GetArtist(), album, singer);
}

std::string PlaySource(const std::string& album) {
    return UserActRecord::SearchPlaySource(kSearchAlbum, album);
}

std::unique_ptr<CNetSongList> BuildAlbumList(const CSongListBase& answer, const std::string& album,
                                             const std::string& singer) {
    std::unique_ptr<CNetSongList> list(new CNetSongList);
    list->SetListType(kAlbumList);
    list->SetName(album);
    list->SetShowName(album);
    list->GetSingerInfo().strArtist = singer;
    for (const CSongInfoBase* song : answer.GetSongInfoVector()) {
        if (song && IsAlbumSong(*song, album, singer)) list->AddSongInfo(song->Clone());
    }
    return list;
}

}  // namespace albumsearch
