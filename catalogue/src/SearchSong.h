#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "catalogue/NetSongData.h"
#include "RecentVideos.h"
#include "SearchAddress.h"
#include "SearchHistory.h"

class CSongListMgr;
class CSearchSong;

// One running request, owned by the running-search list from its start to the end of its thread.
struct SearchThreadInfo {
    void* hThread = nullptr;          // the request thread (a HANDLE), closed by the thread itself
    std::string strUrl;               // request address
    long lCookie = 0;
    std::atomic<int> nCancelled{0};   // set by a cancel; the thread stops reporting once it is set
    SearchParam request;
    SearchResult result;
    std::string strPicServer;
    CSearchSong* pOwner = nullptr;
};

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

    // Whether a running request with that cookie has been cancelled (false once it has ended).
    static bool IsCancelled(long cookie);

    void OnThreadCreated(long cookie, SearchThreadInfo* info) override;

    static const char kGroup[];   // "VX_SEARCH_SONG"
    static const char kListGroup[];  // "VX_NET_SONG", where JSON list pages are fetched

private:
    friend struct SearchRun;
    void EnsureRegistered();

    CSongListMgr* m_pManager;
    CSearchHistory m_history;
    CRecentVideos m_recentVideos;
    SearchAddress::Servers m_servers;
    std::string m_strPicServer;
    std::string m_strProgramVersion;  // sent when the configuration holds no version
    bool m_bRegistered = false;
};
