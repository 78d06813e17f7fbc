#pragma once
#include <atomic>

#include "catalogue/NetSongData.h"
#include "catalogue/SearchProxyObserver.h"

class CSearchSong;

// A keyword search as a music half and a video half through CSearchSong; reports the pair on
// kSearchProxyChannel. Listens to the facade's public messages on its thread.
class CSearchProxy : public INetSongDataObserver {
public:
    explicit CSearchProxy(CSearchSong* engine);
    ~CSearchProxy() override;
    long Search(const SearchParam& param);  // the proxy's request number, 0 on failure

    void OnSearchStarted(long cookie, const SearchParam* param) override;
    void OnSearchCancelled(long cookie) override;
    void OnSearchPage(long cookie, SearchResult* result) override;
    void OnSearchFinished(long cookie) override;
    void OnSearchFailed(long cookie) override;

private:
    struct Half {
        long cookie = 0;
        bool done = false;    // finished
        bool failed = false;
        SearchResult result;  // its page list is the half's own list
        CNetSongList* list = nullptr;
    };
    Half* HalfOf(long cookie);
    void Reset(Half& half);
    void EndIfBothEnded();

    CSearchSong* m_pEngine;
    Half m_music;
    Half m_video;
    SearchParam m_param;
    long m_lRequestNo = 0;
    std::atomic<long> m_lCounter{0};
    bool m_bRegistered = false;
};
