#pragma once
#include <string>
#include <vector>

#include "catalogue/NetSongData.h"

class CSongListMgr;

// Runs every request of the facade except keyword searches' pairing, one thread per request,
// and reports on kNetSongChannel (messages 10 to 14). Owns the search history and the recently
// played videos store. Created and called on the facade's thread.
class CSearchSong : public INetSongDataObserver {
public:
    explicit CSearchSong(CSongListMgr* manager);
    ~CSearchSong() override;

    long Search(const SearchParam& param);  // cookie, 0 when no thread could be made
    void CancleSearch(long cookie);
    void CancleAllSearch();
    void CancleSearchTipWords();
    void GetSearchHistory(int count, std::vector<SearchParam>& out);
    int ClearSearchHistory();
    int AddRecentVideo(const std::string& json, int videoId);
    int ClearRecentVideos();
};
