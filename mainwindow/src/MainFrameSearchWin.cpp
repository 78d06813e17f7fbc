// The main frame's side of the keyword searches: the search proxy's answers spread over the
// container's result views, and the summary the container asks for when it enters one of them.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "MainFrameWin.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "vxlib/StringUtility.h"

namespace {

const char kLogFile[] = "MainFrame.txt";

size_t SongCount(const SearchResult* result) {
    return result && result->pPageList ? result->pPageList->GetSongInfoVector().size() : 0;
}

}  // namespace

void CMainFrame::OnProxyStarted(long requestNo, const SearchParam* param) {
    if (!IsCurrentRequest(requestNo, true) || !param) return;
    m_videoAnswer.reset();
    m_videoAnswerList.reset();
    ShowRequestStarted(*param);
}

void CMainFrame::OnProxyNoResult(long requestNo, SearchResult* music, SearchResult*) {
    if (!IsCurrentRequest(requestNo, true) || !music) return;
    // Music that came with a "nores" mode is shown by the finished answer that follows.
    ShowNoResult(*music);
}

void CMainFrame::OnProxyFinished(long requestNo, SearchResult* music, SearchResult* video) {
    if (!IsCurrentRequest(requestNo, true)) return;
    if (video) {
        m_videoAnswer.reset(new SearchResult(*video));
        m_videoAnswer->pPageList = nullptr;
        m_videoAnswerList.reset(video->pPageList ? video->pPageList->Clone() : nullptr);
    }
    const bool songs = SongCount(music) > 0;
    const bool videos = SongCount(video) > 0;
    if (songs) AddAnswerRows(*music);
    if (songs && videos) {
        // The preview page asks for its videos when the container enters view 4 (the summary).
        m_container.ShowPage(frame::kPageSearchPreview, true);
        m_container.ShowView(frame::kViewSearchAll);
    } else if (songs) {
        m_container.SetNavigationText(StringUtility::Format(frame::kStatusFound, ReportView().GetRowCount()));
        m_container.ShowView(frame::kViewList2);
    } else if (videos) {
        // Written to the video bar of view 8: the status pane is refreshed below and would lose it.
        std::string count = m_videoAnswer->strTotal;
        if (count.empty()) count = std::to_string(SongCount(video));
        m_container.SetVideoSummary(StringUtility::Format(frame::kVideosOnlyFound, count.c_str()));
        m_container.ShowPage(frame::kPageAlbum, true);
        m_container.ShowView(frame::kViewSearchOnlyVideo);
        SendAnswerToPage(m_videoAnswerList.get());
    }
    m_requestId = -1;
    m_requestIsProxy = false;
    SetBusy(false);
    RefreshStatusText();
}

void CMainFrame::OnProxyCancelled(long requestNo) {
    if (IsCurrentRequest(requestNo, true)) {
        m_requestId = -1;
        m_requestIsProxy = false;
    }
    SetBusy(m_requestId != -1);
}

void CMainFrame::OnProxyFailed(long requestNo) {
    if (!IsCurrentRequest(requestNo, true)) return;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OnProxyFailed", "request %ld", requestNo);
    ShowRequestError();
}

int CMainFrame::VideoAnswerCount() const {
    if (!m_videoAnswer) return 0;
    const int held = m_videoAnswerList ? static_cast<int>(m_videoAnswerList->GetSongInfoVector().size()) : 0;
    return std::max(held, std::atoi(m_videoAnswer->strTotal.c_str()));
}

LRESULT CMainFrame::OnSearchSummary(frame::SearchSummary* summary) {
    if (!summary) return 0;
    summary->songs = ReportView().GetRowCount();
    summary->videos = VideoAnswerCount();
    if (summary->enteredAnew && (summary->view == frame::kViewSearchAll || summary->view == frame::kViewSearchVideo)) {
        // The preview row under the songs, or every video with its pages.
        m_container.ShowPage(summary->view == frame::kViewSearchAll ? frame::kPageSearchPreview : frame::kPageAlbum, false);
        SendAnswerToPage(m_videoAnswerList.get());
    }
    return 1;
}
