#pragma once
#include <string>
#include <vector>

class CNetSongList;

// Request kinds of a SearchParam.
enum SearchKind {
    kSearchKeyword = 0,    // keyword, all fields (CSearchProxy, music and video halves)
    kSearchAlbum = 1,
    kSearchLyrics = 2,
    kSearchLocalList = 3,  // a local song-list file, or the recently played songs
    kSearchWebList = 4,    // a JSON list address
    kSearchRandom = 5,     // keyword search with the key emptied: random picks
    kSearchTips = 6,       // search tips for a typed text
    kSearchArtist = 7,
    kSearchVideo = 8,      // video search
};

// The product's own category in the ranking tree carries this display name.
inline constexpr char kProductDisplayName[] = "Vx音乐网盘";
// Names (lookup keys) of the lists of recently played songs and videos in the tree.
inline constexpr char kRecentSongsListName[] = "最近播放_歌曲";
inline constexpr char kRecentVideosListName[] = "最近播放_视频";

// The display name of a kind as play-source texts show it ("全部", "专辑", ...); empty when unknown.
inline const char* SearchKindName(int kind) {
    static const char* const kNames[] = {"全部", "专辑", "歌词", "QRB", "JSON", "随机", "TIPWORDS", "歌手", "视频"};
    if (kind < 0 || kind >= static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) return "";
    return kNames[kind];
}

// List types the catalogue sets on the lists it builds.
enum NetListType {
    kListAlbum = 2,
    kListJsonSongs = 3,
    kListRecentSongs = 5,   // also an album inside an album list
    kListOwnCategory = 7,   // the product's own category in the tree
    kListVideoCategory = 9,
    kListVideo = 10,
    kListDrama = 11,
    kListVideoSearch = 12,
    kListRecentVideos = 13,
    kListGame = 15,
};

// One request of the catalogue, copied by value.
struct SearchParam {
    int nType = kSearchKeyword;
    int nNum = 5;            // copied with the request, not used by the library
    std::string strKey;      // keyword, list address or list name
    std::string strKey2;     // play source given to every song the request yields
    std::string strImgUrl;   // image address of the opened list
    int nPage = -1;          // page number; 0 for keyword searches
};

// One search tip: the word and its two numbers, as text.
struct TipWord {
    std::string strWord;
    std::string strSNum;
    std::string strRNum;
};

// What a request yields. The request thread owns it and the page list; receivers of the page and
// finished messages read them during the call only (the thread waits for the send) and clone
// what they keep.
struct SearchResult {
    SearchParam param;        // its image url becomes the base image url of every page list
    // Texts of the reply records; the last value of a page wins.
    std::string strSig1, strSig2;
    std::string strHitAll, strHitSongName, strHitArtist, strHitAlbum, strHitLyrics;
    std::string strMShow, strHitMode, strTagSrc;
    std::string strArtistName, strAlbumName, strSuggestion;
    std::string strArtistPic;  // "PicServer" value followed by the record's value
    std::string strTotal;      // "total" of a JSON page of the video kinds, as text
    int nTipTotal = 0;         // "HitNum" of a tip reply
    std::vector<TipWord> tipWords;
    CNetSongList* pPageList = nullptr;  // the current page list
    int nPageIndex = 0;                 // index of the last parsed page (0 for the first)
};
