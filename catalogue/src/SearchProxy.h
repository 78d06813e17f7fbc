#pragma once
#include "catalogue/NetSongData.h"

class CSearchSong;

// A keyword search as a music half and a video half through CSearchSong; reports the pair on
// kSearchProxyChannel.
class CSearchProxy : public INetSongDataObserver {
public:
    explicit CSearchProxy(CSearchSong* engine);
    ~CSearchProxy() override;
    long Search(const SearchParam& param);  // the proxy's request number, 0 on failure
};
