#include "SearchProxy.h"

#include <strings.h>

#include "SearchSong.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"

namespace {

const char kLogFile[] = "NetSongLib.txt";

void SendProxy(int id, const VariantList& args) {
    if (IMessageManager* manager = AfxGetMessageManager()) manager->Send(kSearchProxyChannel, id, args);
}

}  // namespace

CSearchProxy::CSearchProxy(CSearchSong* engine) : m_pEngine(engine) {}

CSearchProxy::~CSearchProxy() {
    if (m_bRegistered) AfxGetMessageManager()->Unregister(kNetSongChannel, this);
    Reset(m_music);
    Reset(m_video);
}

void CSearchProxy::Reset(Half& half) {
    delete half.list;
    half = Half();
}

CSearchProxy::Half* CSearchProxy::HalfOf(long cookie) {
    if (cookie == 0) return nullptr;
    if (cookie == m_music.cookie) return &m_music;
    if (cookie == m_video.cookie) return &m_video;
    return nullptr;
}

long CSearchProxy::Search(const SearchParam& param) {
    if (!m_bRegistered) {
        m_bRegistered = AfxGetMessageManager()->Register(kNetSongChannel, this, kObserverUiThread) != 0;
    }
    Reset(m_music);
    Reset(m_video);
    m_param = param;
    m_lRequestNo = ++m_lCounter;
    for (Half* half : {&m_music, &m_video}) {
        half->list = new CNetSongList;
        half->result.param = param;
        half->result.pPageList = half->list;
    }
    SearchParam video = param;
    video.nType = kSearchVideo;
    m_video.result.param = video;
    m_music.cookie = m_pEngine->Search(param);
    m_video.cookie = m_pEngine->Search(video);
    if (!m_music.cookie) m_music.failed = true;
    if (!m_video.cookie) m_video.failed = true;
    if (!m_music.cookie && !m_video.cookie) return 0;
    return m_lRequestNo;
}

void CSearchProxy::OnSearchStarted(long cookie, const SearchParam* /*param*/) {
    if (cookie == 0 || cookie != m_music.cookie) return;
    SendProxy(kProxyStarted, {Variant::Long(m_lRequestNo), Variant::Object(m_param)});
}

void CSearchProxy::OnSearchPage(long cookie, SearchResult* result) {
    Half* half = HalfOf(cookie);
    if (!half || !result) return;
    try {
        half->result = *result;
        half->result.pPageList = half->list;
        CNetSongList* page = result->pPageList;
        if (!page) return;
        half->list->SetListType(page->GetListType());
        for (CSongInfoBase* song : page->GetSongInfoVector()) half->list->AddSongInfo(song->Clone(), -1);
        for (const std::string& json : page->GetJson()) half->list->GetJson().push_back(json);
        if (half == &m_video) half->list->SetUrl(page->GetUrl());
    } catch (...) {
        // The half's answer is incomplete: it ends as failed now, and its later messages are ignored.
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchProxy", "page of cookie %ld lost", cookie);
        OnSearchFailed(cookie);
    }
}

void CSearchProxy::EndIfBothEnded() {
    const bool musicEnded = m_music.done || m_music.failed;
    const bool videoEnded = m_video.done || m_video.failed;
    if (!musicEnded || !videoEnded) return;
    const long requestNo = m_lRequestNo;
    m_lRequestNo = 0;
    if (m_music.failed) {
        SendProxy(kProxyFailed, {Variant::Long(requestNo)});
        return;
    }
    // The music that arrived is shown without the videos.
    if (m_video.failed)
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "CSearchProxy", "videos of request %ld failed", requestNo);
    const VariantList results = {Variant::Long(requestNo), Variant::Pointer(&m_music.result),
                                 Variant::Pointer(&m_video.result)};
    if (m_video.list->GetSongInfoVector().empty() && m_music.result.param.nType == kSearchKeyword &&
        m_music.result.nPageIndex == 0 && strcasecmp(m_music.result.strHitMode.c_str(), "nores") == 0) {
        SendProxy(kProxyNoResult, results);
    }
    SendProxy(kProxyFinished, results);
}

void CSearchProxy::OnSearchFinished(long cookie) {
    Half* half = HalfOf(cookie);
    if (!half) return;
    half->done = true;
    half->cookie = 0;
    EndIfBothEnded();
}

void CSearchProxy::OnSearchFailed(long cookie) {
    Half* half = HalfOf(cookie);
    if (!half) return;
    half->failed = true;
    half->cookie = 0;
    EndIfBothEnded();
}

void CSearchProxy::OnSearchCancelled(long cookie) {
    if (!HalfOf(cookie)) return;
    const long requestNo = m_lRequestNo;
    m_music.cookie = 0;
    m_video.cookie = 0;
    m_lRequestNo = 0;
    SendProxy(kProxyCancelled, {Variant::Long(requestNo)});
}
