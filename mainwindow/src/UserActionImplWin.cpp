#include "UserActionImplWin.h"

#include <shellapi.h>

#include <cstring>
#include <memory>

#include "AlbumSearch.h"
#include "DesktopShortcutWin.h"
#include "FrameRules.h"
#include "ListShortcut.h"
#include "MainFrameWin.h"
#include "UserActRecord.h"
#include "UserActRecordWin.h"
#include "VideoEntries.h"
#include "bridge/VxMdInterface.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"

namespace {

const char kLogFile[] = "user_action.log";
const char kShortcutLog[] = "shortcut.log";
const int kAlbumList = 5;
const int kMusicVideoList = 3;

using frameRules::ListType;

SongVector NonNull(const SongVector& songs) {
    SongVector out;
    for (CSongInfoBase* song : songs) {
        if (song) out.push_back(song);
    }
    return out;
}

bool IsWebAddress(const std::string& url) {
    return strncasecmp(url.c_str(), "http://", 7) == 0 || strncasecmp(url.c_str(), "https://", 8) == 0;
}

}  // namespace

template <class T>
CUserActionImpl<T>::~CUserActionImpl() = default;

template <class T>
bool CUserActionImpl<T>::IsUnderVideoKind(const CSongListBase* list) {
    for (; list; list = list->GetParent()) {
        if (frameRules::IsVideoList(ListType(list))) return true;
    }
    return false;
}

template <class T>
int CUserActionImpl<T>::SongDefault(CSongInfoBase* song, int source, const std::vector<int>* extra) {
    return ActOnSong(song, source, extra);
}

template <class T>
int CUserActionImpl<T>::OpenList(CSongListBase* list) {
    if (!list) return 0;
    return Frame()->OpenListInFrame(list, frame::kOriginUserAction, true);
}

template <class T>
int CUserActionImpl<T>::SongContextMenu(int x, int y, const SongVector* songs) {
    CFolderActionImpl<T>& folder = *Frame();
    SongVector selection = songs ? NonNull(*songs) : SongVector();
    if (selection.empty() && CVxMdContainer::ViewHasList(Frame()->Container().CurrentView()))
        selection = Frame()->ReportView().GetSelectedSongs();
    if (selection.empty()) {
        ListVector lists = folder.SelectedLists();
        return lists.empty() ? 0 : folder.ListContextMenu(x, y, &lists, nullptr);
    }
    for (CSongInfoBase* song : selection) {
        if (frameRules::IsVideoList(ListType(song->GetParent()))) return 0;
    }
    return folder.SongContextMenu(x, y, &selection);
}

template <class T>
int CUserActionImpl<T>::ListContextMenu(int x, int y, const ListVector* lists) {
    CFolderActionImpl<T>& folder = *Frame();
    return folder.ListContextMenu(x, y, lists, nullptr);
}

template <class T>
int CUserActionImpl<T>::TreeContextMenu(int x, int y, HTREEITEM item) {
    CSongListBase* list = item ? Frame()->TreeItemList(item) : nullptr;
    if (!list || IsUnderVideoKind(list)) return 0;
    CFolderActionImpl<T>& folder = *Frame();
    return folder.ListContextMenu(x, y, nullptr, item);
}

template <class T>
int CUserActionImpl<T>::SongsSelected(const SongVector* songs, int source) {
    const SongVector selection = songs ? NonNull(*songs) : SongVector();
    if (source == kSourcePage) {
        CFolderActionImpl<T>& folder = *Frame();
        folder.m_pageListIds.clear();
        folder.m_pageSongIds.clear();
        for (CSongInfoBase* song : selection) {
            if (const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(song))
                folder.m_pageSongIds.push_back(std::to_string(net->GetId()));
        }
    }
    Frame()->ShowSelectedCount(static_cast<int>(selection.size()));
    return 1;
}

template <class T>
int CUserActionImpl<T>::ListsSelected(const ListVector* lists, int source) {
    int count = 0;
    std::vector<std::string> ids;
    if (lists) {
        for (CSongListBase* list : *lists) {
            if (!list) continue;
            ++count;
            if (const CNetSongList* net = dynamic_cast<const CNetSongList*>(list)) ids.push_back(std::to_string(net->GetId()));
        }
    }
    if (source == kSourcePage) {
        CFolderActionImpl<T>& folder = *Frame();
        folder.m_pageSongIds.clear();
        folder.m_pageListIds = ids;
    }
    Frame()->ShowSelectedCount(count);
    return 1;
}

template <class T>
int CUserActionImpl<T>::PlayList(CSongListBase* list) {
    if (ListType(list) != kAlbumList) return 0;
    const SongVector songs = list->GetSongInfoVector();
    return Listen(&songs);
}

template <class T>
int CUserActionImpl<T>::ActOnSong(CSongInfoBase* song, int, const std::vector<int>* extra) {
    if (!song) return 0;
    SongVector one(1, song);
    const int type = ListType(song->GetParent());
    if (type == kMusicVideoList) return WatchMusicVideo(&one);
    if (type >= kListVideo && type <= kListRecentVideos)
        return PlayVideoItem(song, extra && !extra->empty() ? extra->front() : -1);
    if (type == kListGame) return OpenInBrowser(song);
    return Listen(&one);
}

template <class T>
int CUserActionImpl<T>::ActOnList(CSongListBase* list, int, const std::vector<int>*) {
    if (ListType(list) != kAlbumList) return 0;
    const std::string album = list->GetShowName().empty() ? list->GetName() : list->GetShowName();
    const std::string singer = static_cast<CNetSongList*>(list)->GetSingerInfo().strArtist;
    if (album.empty()) return 0;
    if (m_albumCookie != -1 && album == m_albumName && singer == m_albumSinger) return 1;
    INetSongData* data = Frame()->NetSong();
    if (!data) return 0;
    SearchParam param;
    param.nType = kSearchAlbum;
    param.strKey = album;
    param.strKey2 = albumsearch::PlaySource(album);
    const int cookie = data->Search(param);
    if (cookie <= 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ActOnList", "album search refused [%s]", album.c_str());
        return 0;
    }
    m_albumCookie = cookie;
    m_albumName = album;
    m_albumSinger = singer;
    return 1;
}

template <class T>
bool CUserActionImpl<T>::OnAlbumSearchPage(long cookie, SearchResult* result) {
    if (m_albumCookie == -1 || cookie != m_albumCookie) return false;
    m_albumCookie = -1;
    if (result && result->pPageList) {
        std::unique_ptr<CNetSongList> album = albumsearch::BuildAlbumList(*result->pPageList, m_albumName, m_albumSinger);
        const SongVector songs = album->GetSongInfoVector();
        if (songs.empty())
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "ActOnList", "no song of [%s] by [%s]", m_albumName.c_str(),
                         m_albumSinger.c_str());
        else
            Listen(&songs);
    }
    return true;
}

template <class T>
void CUserActionImpl<T>::OnAlbumSearchEnded(long cookie) {
    if (cookie == m_albumCookie) m_albumCookie = -1;
}

template <class T>
int CUserActionImpl<T>::Listen(const SongVector* songs) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->PlaySongs(&valid, kActionPlaySongs);
    UserActRecord::WritePlayMusic(valid, false);
    return 1;
}

template <class T>
int CUserActionImpl<T>::WatchMusicVideo(const SongVector* songs) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->PlaySongs(&valid, kActionPlayMv);
    UserActRecord::WritePlayMusic(valid, true);
    return 1;
}

template <class T>
int CUserActionImpl<T>::AddToPlayerList(const SongVector* songs) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->PlaySongs(&valid, kActionPlayAdd);
    return 1;
}

template <class T>
int CUserActionImpl<T>::Download(const SongVector* songs, int option) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    int quality = kActionAskQuality;
    std::string folder;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->DownloadSongs(&valid, &quality, &folder, option);
    UserActRecord::WriteDownMusic(valid, quality);
    return 1;
}

template <class T>
int CUserActionImpl<T>::PlayVideoItem(CSongInfoBase* song, int index) {
    CNetSongInfo* net = dynamic_cast<CNetSongInfo*>(song);
    if (!net) return 0;
    const std::string address = net->GetUrl();
    VxMdLog::LogUserActMsg(UserActRecord::kVideoStart, UserActRecord::VideoStartText(address, index).c_str());
    const std::vector<VideoEntry> entries = videoentries::Parse(address);
    const VideoEntry* entry = videoentries::Pick(entries, index);
    if (!entry) return 0;
    VxMdLog::LogUserActMsg(UserActRecord::kPlayVideo,
                           UserActRecord::PlayVideoText(UserActRecord::CurrentUserId(), *net, entry->id).c_str());
    MoviePlayInfo info;
    info.url = entry->url;
    info.title = net->GetName();
    info.icon = entry->Icon();
    info.width = entry->width;
    info.height = entry->height;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->PlayMovie(info);
    AddRecentVideo(*net);
    return 1;
}

template <class T>
void CUserActionImpl<T>::AddRecentVideo(CSongInfoBase& song) {
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(&song);
    const CNetSongList* parent = dynamic_cast<const CNetSongList*>(song.GetParent());
    INetSongData* data = Frame()->NetSong();
    if (!net || !parent || parent->GetJson().empty() || !data) return;
    const bool recentList = parent->GetListType() == kListRecentVideos;
    bool changed = false;
    // Each page of a list keeps its own text; the item is in one of them.
    for (const std::string& json : parent->GetJson()) {
        if (data->AddRecentVideo(json, static_cast<int>(net->GetId()))) {
            changed = true;
            break;
        }
    }
    // The reload frees the frame's songs, this one included: nothing may touch it afterwards.
    if (changed && recentList) Frame()->Reload();
}

template <class T>
int CUserActionImpl<T>::OpenInBrowser(CSongInfoBase* song) {
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(song);
    // Quoted, or an address with blanks reaches the browser as several; one with a quote is no address.
    std::string address;
    if (!net || !IsWebAddress(net->GetUrl()) || !StringUtility::QuoteArgument(net->GetUrl(), address)) return 0;
    HINSTANCE started = ::ShellExecuteA(nullptr, "open", "iexplore.exe", address.c_str(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OpenInBrowser", "ShellExecute %d, error %lu",
                     static_cast<int>(reinterpret_cast<INT_PTR>(started)), ::GetLastError());
    VxMdLog::LogUserActMsg(UserActRecord::kPlayGame,
                           UserActRecord::PlayGameText(UserActRecord::CurrentUserId(), *net).c_str());
    return 1;
}

template <class T>
int CUserActionImpl<T>::CreateSongShortcuts(const SongVector* songs) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    return DesktopShortcut::CreateSongShortcuts(valid) > 0 ? 1 : 0;
}

template <class T>
int CUserActionImpl<T>::CreateListShortcuts(const ListVector* lists) {
    if (!lists) return 0;
    std::string programDir, systemDir;
    if (!Dir::GetVxPath(PATH_PROGRAM, programDir) || !Dir::GetVxPath(PATH_SYSTEM, systemDir)) return 0;
    int created = 0;
    for (const CSongListBase* list : *lists) {
        if (!list) continue;
        const std::vector<uint32_t> ids = listshortcut::PathIds(*list);
        if (ids.empty()) {
            VxMdLog::Log(kShortcutLog, VxMdLog::LEVEL_WARNING, "CreateShorCut", "vecStrIds is empty");
            continue;
        }
        ShortcutSpec shortcut;
        shortcut.name = Dir::SafeFileName(list->GetShowName(), std::to_string(ids.back()));
        shortcut.exe = programDir + listshortcut::kAutoExe;
        shortcut.arguments = listshortcut::GoArguments(ids);
        shortcut.description = list->GetShowName();
        shortcut.icon = systemDir + "\\" + listshortcut::kShellIcons;
        shortcut.iconIndex = listshortcut::kShellIconIndex;
        if (DesktopShortcut::Create(shortcut)) ++created;
    }
    return created > 0 ? 1 : 0;
}

template <class T>
int CUserActionImpl<T>::CopyToFolder(const SongVector* songs, const char* folder) {
    if (!songs) return 0;
    const SongVector valid = NonNull(*songs);
    if (valid.empty()) return 1;
    if (!folder || !*folder || !Dir::IsDirectory(folder)) return 0;
    int quality = kActionAskQuality;
    std::string target = folder;
    if (IVxMdInterface* bridge = Frame()->Bridge()) bridge->DownloadSongs(&valid, &quality, &target, kDownloadKindSend);
    UserActRecord::WriteDownMusic(valid, quality);
    return 1;
}

template <class T>
int CUserActionImpl<T>::ClearVideoHistory() {
    INetSongData* data = Frame()->NetSong();
    if (!data) return 0;
    const int cleared = data->ClearRecentVideos();
    Frame()->Reload();
    return cleared ? 1 : 0;
}

template class CUserActionImpl<CMainFrame>;
