#include <windows.h>

#include "NetSongData.h"
#include "RankingData.h"
#include "SearchAddress.h"
#include "SearchProxy.h"
#include "SearchSong.h"
#include "datadef/SongListMgr.h"
#include "http/VxHttpRequestMgr.h"
#include "log/VxMdLog.h"
#include "vxlib/StringUtility.h"

namespace {

CNetSongData* g_pNetSongData = nullptr;

void SendPublic(int id, const VariantList& args) {
    if (IMessageManager* manager = AfxGetMessageManager()) manager->Send(kNetSongChannel, id, args);
}

}  // namespace

CNetSongData::CNetSongData() {
    m_pListMgr = new CSongListMgr(this);
    m_pSearchSong = new CSearchSong(m_pListMgr);
    m_pSearchProxy = new CSearchProxy(m_pSearchSong);
    NewShowingLists();
}

CNetSongData::~CNetSongData() {
    delete m_pSearchProxy;
    delete m_pSearchSong;
    if (m_bRegistered) AfxGetMessageManager()->Unregister(kNetSongChannel, this);
    delete m_pListMgr;
    delete m_pNowShowingList;
    delete m_pNowShowingBackup;
    if (m_hRankingThread) CloseHandle(static_cast<HANDLE>(m_hRankingThread));
}

void CNetSongData::Start() {
    m_bRegistered = AfxGetMessageManager()->Register(kNetSongChannel, this, kObserverUiThread) != 0;
    AfxGetHtchFileMgr()->CreateGroup(CSearchSong::kListGroup, 3, 1, 100, 104857600, 1);
    SendPublic(kMsgCreated, {});
    m_hRankingThread = CRankingData::StartThread(m_pListMgr);
}

void CNetSongData::NewShowingLists() {
    delete m_pNowShowingList;
    delete m_pNowShowingBackup;
    m_pNowShowingList = new CNetSongList;
    m_pNowShowingBackup = new CNetSongList;
}

CSongInfoBase* CNetSongData::CreateSongInfo() {
    return new CNetSongInfo;
}

CSongListBase* CNetSongData::CreateSongList() {
    return new CNetSongList;
}

int CNetSongData::Search(SearchParam& param) {
    if (param.nType == kSearchTips) {
        m_pSearchSong->CancleSearchTipWords();
        m_lCurTipCookie = 0;
    } else {
        CancleAllSearch();
        m_lastParam = param;
        if (param.nType == kSearchRandom) param.strKey.clear();
    }
    if (param.nType != kSearchKeyword && param.nType != kSearchRandom) return m_pSearchSong->Search(param);
    param.nPage = 0;
    return m_pSearchProxy->Search(param);
}

void CNetSongData::CancleSearch(long cookie) {
    VxMdLog::Log("NetSongLib.txt", VxMdLog::LEVEL_DEBUG, "CancleSearch", "lCookie:%ld", cookie);
    // Forgotten first, so that nothing of the cancelled request reaches the now-showing list.
    if (cookie == m_lCurSearchCookie) m_lCurSearchCookie = 0;
    if (cookie == m_lCurTipCookie) m_lCurTipCookie = 0;
    m_pSearchSong->CancleSearch(cookie);
}

void CNetSongData::CancleAllSearch() {
    m_lCurSearchCookie = 0;
    m_lCurTipCookie = 0;
    m_pSearchSong->CancleAllSearch();
}

void CNetSongData::GetSearchHistory(int count, std::vector<SearchParam>& out) {
    m_pSearchSong->GetSearchHistory(count, out);
}

int CNetSongData::ClearSearchHistory() {
    return m_pSearchSong->ClearSearchHistory();
}

void CNetSongData::GetTipWords(std::vector<TipWord>& out) {
    out = m_vecTipWords;
}

int CNetSongData::OpenListItem(CNetSongList* list, int page) {
    SearchParam param;
    if (SearchAddress::ListRequest(list, page, param) < 0) return -1;
    VxMdLog::LogUserActMsg("CLICK_ITEM", StringUtility::Format("URL:%s|ImgUrl:%s", param.strKey.c_str(),
                                                              param.strImgUrl.c_str()).c_str());
    return Search(param);
}

int CNetSongData::GetRootList(CSongListBase*& root) {
    return m_pListMgr->GetSongList(std::string(), root);
}

int CNetSongData::HasRankingTree() {
    CSongListBase* root = nullptr;
    return (GetRootList(root) && root && !root->GetChildrenVector().empty()) ? 1 : 0;
}

int CNetSongData::GetTopLists(std::vector<CSongListBase*>& out) {
    CSongListBase* root = nullptr;
    if (!GetRootList(root) || !root) return 0;
    out.insert(out.end(), root->GetChildrenVector().begin(), root->GetChildrenVector().end());
    return 1;
}

int CNetSongData::GetChildList(CSongListBase* parent, int index, CSongListBase*& out) {
    return m_pListMgr->GetSongList(parent, index, out);
}

int CNetSongData::GetChildListByName(CSongListBase* parent, const std::string& name, CSongListBase*& out) {
    return m_pListMgr->GetSongList(parent, name, out);
}

void CNetSongData::GetLastSearchParam(SearchParam& out) {
    out = m_lastParam;
}

int CNetSongData::GetShowingSongs(std::vector<CSongInfoBase*>& out, int onlyVideo) {
    if (!m_pNowShowingList) return 0;
    for (CSongInfoBase* song : m_pNowShowingList->GetSongInfoVector()) {
        if (!onlyVideo || song->GetWMV() || song->GetMKV()) out.push_back(song);
    }
    return 1;
}

int CNetSongData::GetSongInfos(const std::vector<int>& positions, std::vector<CSongInfoBase*>& out) {
    return m_pListMgr->GetSongInfos(m_pNowShowingList, positions, out);
}

int CNetSongData::GetOneSearchSong(int position, CSongInfoBase*& out) {
    if (!m_pNowShowingList) {
        VxMdLog::Log("netsongdata.txt", VxMdLog::LEVEL_FATAL, "GetOneSearchSong", "m_pNowShowingList：%d", 0);
        return 0;
    }
    const auto& songs = m_pNowShowingList->GetSongInfoVector();
    const int size = static_cast<int>(songs.size());
    if (position < 0 || position >= size) {
        VxMdLog::Log("netsongdata.txt", VxMdLog::LEVEL_FATAL, "GetOneSearchSong", "pos err!ipos=%d,iSize=%d",
                     position, size);
        return 0;
    }
    out = songs[static_cast<size_t>(position)];
    return 1;
}

int CNetSongData::SortSongs(unsigned long sortKey) {
    int ascending = 0;
    if (!m_pListMgr->SortSongInfos(m_pNowShowingList, sortKey, ascending)) return 0;
    SendPublic(kMsgSongsSorted, {Variant::ULong(sortKey), Variant::Int(ascending)});
    return 1;
}

int CNetSongData::DeleteRepeat(CSongListBase* list) {
    if (!m_pNowShowingList) return 0;
    if (list) {
        if (!m_pListMgr->DeleteRepeat(m_pNowShowingList, nullptr, kRepeatNameArtist)) return 0;
    } else {
        if (!m_pNowShowingBackup) return 0;
        *m_pNowShowingList = *m_pNowShowingBackup;
    }
    SendPublic(kMsgRepeatDeleted, {Variant::Pointer(list)});
    return 1;
}

int CNetSongData::AddRecentVideo(const std::string& json, int videoId) {
    return m_pSearchSong->AddRecentVideo(json, videoId);
}

int CNetSongData::ClearRecentVideos() {
    return m_pSearchSong->ClearRecentVideos();
}

void CNetSongData::OnTreeLoaded(CSongListBase* root) {
    if (m_hRankingThread) {
        CloseHandle(static_cast<HANDLE>(m_hRankingThread));
        m_hRankingThread = nullptr;
    }
    if (!root) {
        // Nothing could be loaded: the lists stay as they are and the program shows the failure.
        SendPublic(kMsgTreeReady, {});
        return;
    }
    m_pListMgr->ClearAll();
    auto& children = root->GetChildrenVector();
    for (size_t i = 0; i < children.size(); ++i) {
        m_pListMgr->AddSongList(nullptr, children[i], static_cast<int>(i));
    }
    children.clear();
    delete root;
    SendPublic(kMsgTreeReady, {});
}

void CNetSongData::OnThreadCreated(long cookie, SearchThreadInfo* info) {
    if (!info) return;
    // A request cancelled before its start reached us is not announced: its "cancelled" has gone out.
    if (info->nCancelled) return;
    const SearchParam param = info->request;
    if (param.nType == kSearchTips) {
        m_lCurTipCookie = cookie;
    } else {
        m_lCurSearchCookie = cookie;
        NewShowingLists();
    }
    SendPublic(kMsgSearchStarted, {Variant::Long(cookie), Variant::Object(param)});
}

void CNetSongData::OnThreadPage(long cookie, SearchResult* result, int cancelled) {
    if (cancelled || !result || CSearchSong::IsCancelled(cookie)) return;
    if (CNetSongList* page = result->pPageList) {
        page->SetBaseImageUrl(result->param.strImgUrl);
        if (cookie == m_lCurSearchCookie && m_pNowShowingList && m_pNowShowingBackup) {
            for (CSongInfoBase* song : page->GetSongInfoVector()) {
                m_pNowShowingList->AddSongInfo(song->Clone(), -1);
                m_pNowShowingBackup->AddSongInfo(song->Clone(), -1);
            }
            for (const std::string& json : page->GetJson()) {
                m_pNowShowingList->GetJson().push_back(json);
                m_pNowShowingBackup->GetJson().push_back(json);
            }
        }
    }
    SendPublic(kMsgSearchPage, {Variant::Long(cookie), Variant::Pointer(result)});
}

void CNetSongData::OnThreadFinished(long cookie, SearchResult* result, int cancelled) {
    if (cancelled || !result || CSearchSong::IsCancelled(cookie)) return;
    if (result->param.nType == kSearchTips && cookie == m_lCurTipCookie) m_vecTipWords = result->tipWords;
    SendPublic(kMsgSearchFinished, {Variant::Long(cookie)});
}

void CNetSongData::OnThreadCancelled(long cookie) {
    SendPublic(kMsgSearchCancelled, {Variant::Long(cookie)});
}

void CNetSongData::OnThreadFailed(long cookie) {
    if (CSearchSong::IsCancelled(cookie)) return;
    if (cookie == m_lCurSearchCookie) NewShowingLists();
    SendPublic(kMsgSearchFailed, {Variant::Long(cookie)});
}

extern "C" VXMDNETSONG_API INetSongData* GetNetSongData() {
    try {
        if (!g_pNetSongData) {
            g_pNetSongData = new CNetSongData;
            g_pNetSongData->Start();
        }
        return g_pNetSongData;
    } catch (...) {
        return nullptr;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit (reserved non-null) the other threads are gone and the message manager may be
    // torn down already: leave the facade to the system. A FreeLibrary destroys it.
    if (reason == DLL_PROCESS_DETACH && !reserved && g_pNetSongData) {
        delete g_pNetSongData;
        g_pNetSongData = nullptr;
    }
    return TRUE;
}
