#pragma once
#include <string>
#include <vector>

#include "catalogue/NetSongData.h"

class CSearchSong;
class CSearchProxy;

// The process's catalogue facade. Lives on the thread that first called GetNetSongData, which
// receives every message of the library; worker threads change its state only through messages
// 9 to 14, handled here.
class CNetSongData : public INetSongData, public INetSongDataObserver {
public:
    CNetSongData();
    ~CNetSongData() override;
    // Registers, creates the list item group, sends message 0 and starts the ranking thread. Kept
    // out of the constructor so that a handler of message 0 already finds the facade.
    void Start();

    CSongInfoBase* CreateSongInfo() override;
    CSongListBase* CreateSongList() override;
    int Search(SearchParam& param) override;
    void CancleSearch(long cookie) override;
    void CancleAllSearch() override;
    void GetSearchHistory(int count, std::vector<SearchParam>& out) override;
    int ClearSearchHistory() override;
    void GetTipWords(std::vector<TipWord>& out) override;
    int OpenListItem(CNetSongList* list, int page) override;
    int HasRankingTree() override;
    int GetRootList(CSongListBase*& root) override;
    int GetTopLists(std::vector<CSongListBase*>& out) override;
    int GetChildList(CSongListBase* parent, int index, CSongListBase*& out) override;
    int GetChildListByName(CSongListBase* parent, const std::string& name, CSongListBase*& out) override;
    void GetLastSearchParam(SearchParam& out) override;
    int GetShowingSongs(std::vector<CSongInfoBase*>& out, int onlyVideo) override;
    int GetSongInfos(const std::vector<int>& positions, std::vector<CSongInfoBase*>& out) override;
    int GetOneSearchSong(int position, CSongInfoBase*& out) override;
    int SortSongs(unsigned long sortKey) override;
    int DeleteRepeat(CSongListBase* list) override;
    int AddRecentVideo(const std::string& json, int videoId) override;
    int ClearRecentVideos() override;

    void OnTreeLoaded(CSongListBase* root) override;
    void OnThreadCreated(long cookie, SearchThreadInfo* info) override;
    void OnThreadPage(long cookie, SearchResult* result, int cancelled) override;
    void OnThreadFinished(long cookie, SearchResult* result, int cancelled) override;
    void OnThreadCancelled(long cookie) override;
    void OnThreadFailed(long cookie) override;

private:
    void NewShowingLists();

    CSongListMgr* m_pListMgr = nullptr;
    CSearchSong* m_pSearchSong = nullptr;
    CSearchProxy* m_pSearchProxy = nullptr;
    CNetSongList* m_pNowShowingList = nullptr;
    CNetSongList* m_pNowShowingBackup = nullptr;
    long m_lCurSearchCookie = 0;
    long m_lCurTipCookie = 0;
    std::vector<TipWord> m_vecTipWords;
    SearchParam m_lastParam;
    void* m_hRankingThread = nullptr;
    bool m_bRegistered = false;
};
