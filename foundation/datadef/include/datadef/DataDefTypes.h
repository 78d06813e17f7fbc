#pragma once
#include <cstdint>
#include <string>
#include "datadef/VxDataDefApi.h"

// Identifies one file of a resource: two 32-bit words handed out by the servers.
struct Sign {
    uint32_t a = 0;
    uint32_t b = 0;
    Sign() = default;
    Sign(uint32_t first, uint32_t second) : a(first), b(second) {}
    bool IsEmpty() const { return a == 0 && b == 0; }
    bool operator==(const Sign& other) const { return a == other.a && b == other.b; }
    bool operator!=(const Sign& other) const { return !(*this == other); }
};

// Values of CNetResource::SetFormat.
enum ResourceFormat : uint32_t {
    kFormatUnknown = 0,
    kFormatWma = 1,
    kFormatMp3 = 2,
    kFormatApe = 3,
    kFormatMkv = 4,
    kFormatWmv = 5,
};

// The singer of a singer list, or the artist of an album list. Texts as the data carries them.
struct ONE_SINGER_INFO {
    std::string strArtist;
    std::string strSex;
    std::string strDistrict;
    std::string strRank;
    std::string strInit;   // initial letter of the name, picks the letter list
    std::string strCount;
};

// The player's flat song record: what a search reply record carries and what user-action records
// report. Listening uses the music resource (WMA, "musicrid" with sign nSig1/nSig2) or the MP3
// resource; watching uses the MKV resource, or the music video rid strMvRid when the MKV resource
// is missing ("MKV_0" or a zero sign word).
struct VXDATADEF_API SONG_INFO {
    std::string strName;
    std::string strArtist;
    std::string strAlbum;
    std::string strTag;
    int nType = 0;              // 1 when the song has a music video (MKV or WMV), else 0
    std::string strFormat;      // "wma" or "mp3": the resource that listening uses; empty: none
    uint32_t nDuration = 0;     // seconds, 0 when unknown

    std::string strMusicRid;    // WMA resource
    uint32_t nSig1 = 0;
    uint32_t nSig2 = 0;
    uint32_t nFileSize = 0;
    uint32_t nHdSig1 = 0;
    uint32_t nHdSig2 = 0;

    std::string strMp3Rid;
    uint32_t nMp3Sig1 = 0;
    uint32_t nMp3Sig2 = 0;
    uint32_t nMp3Size = 0;
    uint32_t nMp3Bitrate = 0;

    std::string strMkvRid;
    uint32_t nMkvSig1 = 0;
    uint32_t nMkvSig2 = 0;
    bool bHasEcho = false;
    std::string strMvRid;
    std::string strMvProvider;

    uint32_t nScore = 0;
    uint32_t nBitrate = 0;
    uint32_t nPlayCount = 0;
    uint32_t nReleaseTime = 0;
    bool bHasRing = false;
    bool bIsNew = false;
    bool bIsRecommend = false;

    std::string strMusicInfoPage;
    std::string strArtistInfoPage;
    std::string strAlbumPage;
    std::string strActivityPage;
    std::string strTiebaPage;
    std::string strPartLyric;
    std::string strPicRid;

    bool operator==(const SONG_INFO& other) const;
    bool operator!=(const SONG_INFO& other) const { return !(*this == other); }
};
