#pragma once
#include <cstdint>
#include <string>

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

// Songs for the job tests: "<name>" by "<artist>" with a WMA resource (sign wma,1) and optionally
// an MP3 (sign mp3,2), each with its catalogue size.
inline CNetResource* JobResource(uint32_t a, uint32_t b, uint32_t size) {
    CNetResource* res = new CNetResource;
    res->SetSign(Sign(a, b));
    res->SetFileSize(size);
    return res;
}

inline void AddSong(CNetSongList& list, const std::string& name, const std::string& artist, uint32_t wma,
                    uint32_t wmaSize, uint32_t mp3 = 0, uint32_t mp3Size = 0) {
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName(name);
    song->SetArtist(artist);
    if (wma) song->SetWMA(JobResource(wma, 1, wmaSize));
    if (mp3) song->SetMP3(JobResource(mp3, 2, mp3Size));
    list.AddSongInfo(song);
}
