#include "FrameRules.h"

#include "AlbumSearch.h"
#include "datadef/SongList.h"

namespace frameRules {

namespace {

bool IsCategory(int type) {
    return type == 7 || type == 9 || type == 14;
}

}  // namespace

int ListType(const CSongListBase* list) {
    const auto* net = dynamic_cast<const CNetSongList*>(list);
    return net ? static_cast<int>(net->GetListType()) : -1;
}

bool IsVideoList(int listType) {
    return (listType >= 10 && listType <= 13) || listType == 15;
}

bool HasExpandButton(int listType) {
    return listType == 0 || IsCategory(listType);
}

int ChildDepth(int listType, bool defaultShow, int depth) {
    if (IsCategory(listType)) return 1;
    if (defaultShow || depth < 0) return -1;
    return depth - 1;
}

int DefaultTreeImage(int listType, const std::string& showName) {
    if (listType == 7) return 0;
    if (listType == 9) return 2;
    if (listType == 14) return 3;
    if (showName == "最近播放") return listType == 13 ? 4 : 5;
    if (showName == "最近更新" || showName == "最新推荐") return 6;
    if (showName == "热门播放" || showName == "热门推荐") return 7;
    return 1;
}

bool IsPageList(int listType) {
    return listType == 0 || listType == 1 || IsCategory(listType);
}

std::string PageName(int listType) {
    switch (listType) {
    case 0:
    case 4: return "folder";
    case 1: return "doubleFolder";
    case 2: return "album";
    case 3: return "mv";
    case 7: return "index";
    case 9: return "videoindex";
    case 10: return "video";
    case 11: return "drama";
    case 12: return "searchres";
    case 13: return "videorecent";
    case 14: return "gameindex";
    case 15: return "game";
    default: return std::string();
    }
}

bool KeepAlbumSong(int listType, int parentType, const std::string& albumName, const std::string& singer,
                   const std::string& songAlbum, const std::string& songArtist) {
    if (listType != 5 || parentType != 2) return true;
    return albumsearch::IsAlbumMatch(songAlbum, songArtist, albumName, singer);
}

}  // namespace frameRules
