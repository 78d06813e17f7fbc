#include "FolderActionImplWin.h"

#include <commctrl.h>

#include <set>
#include <utility>

#include "ActionMenusWin.h"
#include "FrameRules.h"
#include "MainFrameWin.h"
#include "SendToItems.h"
#include "VideoEntries.h"
#include "bridge/VxMdInterface.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"

namespace {

const char kLogFile[] = "folder_action.log";
const char kMenuSearchSource[] = "Menu";
const uint32_t kPassThroughList = 8;

using frameRules::IsVideoList;
using frameRules::ListType;

std::string IdText(const CSongInfoBase* song) {
    const CNetSongInfo* net = dynamic_cast<const CNetSongInfo*>(song);
    return net && net->GetId() ? std::to_string(net->GetId()) : std::string();
}

std::string IdText(const CSongListBase* list) {
    const CNetSongList* net = dynamic_cast<const CNetSongList*>(list);
    return net && net->GetId() ? std::to_string(net->GetId()) : std::string();
}

template <class V, class P>
bool Holds(const V& items, const P* item) {
    for (const auto* at : items) {
        if (at == item) return true;
    }
    return false;
}

std::string EntryName(const HistoryEntry& entry) {
    if (entry.isSearch) return entry.param.strKey;
    return entry.list ? entry.list->GetShowName() : std::string();
}

// The menu-bar texts of the history jumps, nearest last.
const char* const kJumpTexts[] = {"跳转到3", "跳转到2", "跳转到1", "跳转到当前"};

}  // namespace

// What a context menu was opened on, kept by value: the frame may free its clones while the
// menu's modal loop runs (an answer or a reload arriving), so pointers are checked against what
// the frame still holds before a command uses them.
template <class T>
struct CFolderActionImpl<T>::Capture {
    std::vector<std::pair<CSongInfoBase*, std::string>> songs;
    std::vector<std::pair<CSongListBase*, std::string>> lists;
    HTREEITEM treeItem = nullptr;

    Capture(const SongVector& s, const ListVector& l, HTREEITEM item) : treeItem(item) {
        for (CSongInfoBase* song : s) songs.emplace_back(song, IdText(song));
        for (CSongListBase* list : l) lists.emplace_back(list, IdText(list));
    }
};

template <class T>
CFolderActionImpl<T>::~CFolderActionImpl() = default;

template <class T>
IUserAction* CFolderActionImpl<T>::UserAction() {
    return Frame();
}

template <class T>
uint32_t CFolderActionImpl<T>::OpenSearch(const SearchParam& request, int action, int) {
    const long cookie = Frame()->OpenSearchInFrame(request, action);
    return cookie < 0 ? 0 : static_cast<uint32_t>(cookie);
}

template <class T>
int CFolderActionImpl<T>::OpenList(CSongListBase* list, int origin, bool force) {
    return Frame()->OpenListInFrame(list, origin, force);
}

template <class T>
int CFolderActionImpl<T>::SongContextMenu(int x, int y, const SongVector* songs) {
    SongVector valid;
    if (songs) {
        for (CSongInfoBase* song : *songs) {
            if (song) valid.push_back(song);
        }
    }
    if (valid.empty()) return 0;
    ClearMenuSelection();
    m_menuSongs = valid;
    if (valid.size() == 1) {
        m_menuArtist = valid.front()->GetArtist();
        m_menuAlbum = valid.front()->GetAlbum();
    }
    const Capture capture(m_menuSongs, m_menuLists, nullptr);
    return RunContextMenu(actionmenus::SongMenu(valid, CContextMenu::PresentDrives()), x, y, capture);
}

template <class T>
int CFolderActionImpl<T>::ListContextMenu(int x, int y, const ListVector* lists, HTREEITEM item) {
    ListVector valid;
    if (lists) {
        for (CSongListBase* list : *lists) {
            if (list) valid.push_back(list);
        }
    }
    if (valid.empty() && item) {
        if (CSongListBase* list = Frame()->TreeItemList(item)) valid.push_back(list);
    }
    if (valid.empty()) return 0;
    actionmenus::TreeItemState state = actionmenus::kNoTreeItem;
    if (item) {
        TVITEMW tv = {};
        tv.mask = TVIF_HANDLE | TVIF_STATE | TVIF_CHILDREN;
        tv.hItem = item;
        tv.stateMask = TVIS_EXPANDED;
        Frame()->Tree().GetItem(tv);
        if (tv.state & TVIS_EXPANDED)
            state = actionmenus::kExpanded;
        else if (tv.cChildren == 0 && !Frame()->Tree().GetChildItem(item))
            state = actionmenus::kNoChildren;
        else
            state = actionmenus::kCollapsed;
    }
    ClearMenuSelection();
    m_menuLists = valid;
    m_menuTreeItem = item;
    const bool hasSongs = !SongsOfLists(valid).empty();
    const Capture capture(m_menuSongs, m_menuLists, item);
    return RunContextMenu(actionmenus::ListMenu(state, hasSongs, CContextMenu::PresentDrives()), x, y, capture);
}

template <class T>
int CFolderActionImpl<T>::RunContextMenu(const MenuModel& model, int x, int y, const Capture& capture) {
    m_menuActive = true;
    const UINT command = CContextMenu::Track(Frame()->GetHwnd(), model, x, y);
    if (command) {
        DropStaleSelection(capture);
        OnFolderCommand(static_cast<int>(command));
    }
    ClearMenuSelection();
    return 1;
}

template <class T>
void CFolderActionImpl<T>::DropStaleSelection(const Capture& capture) {
    T* owner = Frame();
    const HistoryEntry* current = owner->History().Current();
    const CSongListBase* shown = current && !current->isSearch ? current->list : nullptr;
    const CSongListBase* videos = owner->LastVideoList();

    // Tree items and their lists, walked without touching the captured pointers.
    std::set<HTREEITEM> items;
    std::set<const CSongListBase*> treeLists;
    std::vector<HTREEITEM> pending(1, owner->Tree().GetRootItem());
    while (!pending.empty()) {
        HTREEITEM at = pending.back();
        pending.pop_back();
        for (; at; at = owner->Tree().GetNextSiblingItem(at)) {
            items.insert(at);
            treeLists.insert(owner->TreeItemList(at));
            pending.push_back(owner->Tree().GetChildItem(at));
        }
    }

    std::set<const CSongInfoBase*> rows;
    CVxMdReportView& view = owner->ReportView();
    for (int i = 0, n = view.GetRowCount(); i < n; ++i) rows.insert(view.GetSong(i));

    m_menuSongs.clear();
    for (const auto& song : capture.songs) {
        const bool alive = (!song.second.empty() && owner->FindResultSong(song.second) == song.first) ||
                           rows.count(song.first) || (shown && Holds(shown->GetSongInfoVector(), song.first)) ||
                           (videos && Holds(videos->GetSongInfoVector(), song.first));
        if (alive) m_menuSongs.push_back(song.first);
    }
    m_menuLists.clear();
    for (const auto& list : capture.lists) {
        const bool alive = (!list.second.empty() && owner->FindResultList(list.second) == list.first) ||
                           treeLists.count(list.first) || list.first == shown || list.first == videos ||
                           (shown && Holds(shown->GetChildrenVector(), list.first)) ||
                           (videos && Holds(videos->GetChildrenVector(), list.first));
        if (alive) m_menuLists.push_back(list.first);
    }
    m_menuTreeItem = capture.treeItem && items.count(capture.treeItem) ? capture.treeItem : nullptr;
    if (m_menuSongs.size() != capture.songs.size()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "ContextMenu", "%d of %d songs gone while the menu was open",
                     static_cast<int>(capture.songs.size() - m_menuSongs.size()), static_cast<int>(capture.songs.size()));
        m_menuArtist.clear();
        m_menuAlbum.clear();
    }
}

template <class T>
void CFolderActionImpl<T>::ClearMenuSelection() {
    m_menuActive = false;
    m_menuSongs.clear();
    m_menuLists.clear();
    m_menuTreeItem = nullptr;
    m_menuArtist.clear();
    m_menuAlbum.clear();
}

template <class T>
SongVector CFolderActionImpl<T>::SongsOfLists(const ListVector& lists) {
    SongVector songs;
    const HistoryEntry* current = Frame()->History().Current();
    CVxMdReportView& view = Frame()->ReportView();
    for (CSongListBase* list : lists) {
        if (!list) continue;
        if (current && !current->isSearch && current->list == list && view.GetRowCount() > 0) {
            for (int i = 0, n = view.GetRowCount(); i < n; ++i) {
                if (CSongInfoBase* song = view.GetSong(i)) songs.push_back(song);
            }
            continue;
        }
        for (CSongInfoBase* song : list->GetSongInfoVector()) {
            if (song) songs.push_back(song);
        }
    }
    return songs;
}

template <class T>
SongVector CFolderActionImpl<T>::SelectedSongs() {
    if (m_menuActive) return m_menuSongs.empty() ? SongsOfLists(m_menuLists) : m_menuSongs;
    const int view = Frame()->Container().CurrentView();
    if (CVxMdContainer::ViewHasList(view)) {
        SongVector rows = Frame()->ReportView().GetSelectedSongs();
        if (!rows.empty()) return rows;
    }
    SongVector songs;
    if (CVxMdContainer::ViewHasWeb(view)) {
        for (const std::string& id : m_pageSongIds) {
            if (CSongInfoBase* song = Frame()->FindResultSong(id)) songs.push_back(song);
        }
        if (songs.empty()) songs = SongsOfLists(SelectedLists());
    }
    return songs;
}

template <class T>
ListVector CFolderActionImpl<T>::SelectedLists() {
    if (m_menuActive) return m_menuLists;
    ListVector lists;
    if (CVxMdContainer::ViewHasWeb(Frame()->Container().CurrentView())) {
        for (const std::string& id : m_pageListIds) {
            if (CSongListBase* list = Frame()->FindResultList(id)) lists.push_back(list);
        }
    }
    return lists;
}

template <class T>
int CFolderActionImpl<T>::ResolvePageIds(const std::vector<uint32_t>& ids, ListVector* lists, SongVector* songs) {
    T* owner = Frame();
    const HistoryEntry* current = owner->History().Current();
    const CSongListBase* places[2] = {current && !current->isSearch ? current->list : nullptr, owner->LastVideoList()};
    int found = 0;
    for (uint32_t id : ids) {
        const std::string text = std::to_string(id);
        CSongListBase* list = owner->FindResultList(text);
        CSongInfoBase* song = list ? nullptr : owner->FindResultSong(text);
        for (const CSongListBase* place : places) {
            if (list || song || !place) continue;
            for (CSongListBase* child : place->GetChildrenVector()) {
                if (!list && IdText(child) == text) list = child;
            }
            for (CSongInfoBase* item : place->GetSongInfoVector()) {
                if (!list && !song && IdText(item) == text) song = item;
            }
        }
        if (list && lists) {
            lists->push_back(list);
            ++found;
        } else if (song && songs) {
            songs->push_back(song);
            ++found;
        }
    }
    return found;
}

template <class T>
int CFolderActionImpl<T>::Refresh(const SearchParam* request) {
    if (!request) {
        Frame()->Reload();
        return 1;
    }
    return Frame()->OpenSearchInFrame(*request, frame::kOriginRefresh) < 0 ? 0 : 1;
}

template <class T>
int CFolderActionImpl<T>::JumpToPage(int page) {
    T* owner = Frame();
    const HistoryEntry* current = owner->History().Current();
    if (!current) return 0;
    const int view = owner->Container().CurrentView();
    if (current->isSearch && (current->param.nType == kSearchKeyword || current->param.nType == kSearchRandom) &&
        (view == frame::kViewSearchVideo || view == frame::kViewSearchOnlyVideo)) {
        int stored = owner->LastVideoAnswer() ? owner->LastVideoAnswer()->param.nPage : current->param.nPage;
        if (stored < 0) stored = 0;
        SearchParam video;
        video.nType = kSearchVideo;
        video.strKey = current->param.strKey;
        video.strKey2 = current->param.strKey2;
        video.nPage = page < 0 ? stored : page;
        return owner->OpenSearchInFrame(video, frame::kOriginRefresh) < 0 ? 0 : 1;
    }
    CNetSongList* list = current->isSearch ? nullptr : dynamic_cast<CNetSongList*>(current->list);
    if (!list || !IsVideoList(static_cast<int>(list->GetListType()))) return 0;
    // A list never opened has no address yet; the catalogue then completes it at page 0.
    if (page >= 0 && !list->GetUrl().empty()) list->SetUrl(videoentries::WithPage(list->GetUrl(), page));
    return owner->OpenListInFrame(list, frame::kOriginRefresh, true);
}

template <class T>
int CFolderActionImpl<T>::PlaySelection() {
    if (!CVxMdContainer::ViewHasList(Frame()->Container().CurrentView())) return 0;
    const SongVector songs = Frame()->ReportView().GetSelectedSongs();
    if (songs.empty()) return 0;
    return UserAction()->Listen(&songs);
}

template <class T>
bool CFolderActionImpl<T>::OnFolderCommand(int id) {
    T* owner = Frame();
    switch (id) {
    case ID_BUILTIN_TREE:
        owner->ToggleBuiltInTree();
        return true;
    case ID_SONG_ADD: {
        const SongVector songs = SelectedSongs();
        if (!songs.empty()) UserAction()->AddToPlayerList(&songs);
        return true;
    }
    case ID_SONG_DOWNLOAD: {
        const SongVector songs = SelectedSongs();
        if (!songs.empty()) UserAction()->Download(&songs, kDownloadKindDownload);
        return true;
    }
    case ID_SONG_PLAY: {
        const SongVector songs = SelectedSongs();
        if (!songs.empty()) UserAction()->Listen(&songs);
        return true;
    }
    case ID_SONG_PLAY_MV: {
        const SongVector songs = SelectedSongs();
        if (!songs.empty()) UserAction()->WatchMusicVideo(&songs);
        return true;
    }
    case ID_SEARCH_ARTIST:
    case ID_SEARCH_ALBUM: {
        std::string key = id == ID_SEARCH_ARTIST ? m_menuArtist : m_menuAlbum;
        if (!m_menuActive) {
            const SongVector songs = SelectedSongs();
            if (songs.size() == 1) key = id == ID_SEARCH_ARTIST ? songs.front()->GetArtist() : songs.front()->GetAlbum();
        }
        SearchFromMenu(id == ID_SEARCH_ARTIST ? kSearchArtist : kSearchAlbum, key);
        return true;
    }
    case ID_TREE_TOGGLE: {
        HTREEITEM item = m_menuActive ? m_menuTreeItem : owner->Tree().GetSelectedItem();
        if (item) owner->Tree().Expand(item, TVE_TOGGLE);
        return true;
    }
    case ID_LIST_OPEN: {
        const ListVector lists = SelectedLists();
        if (!lists.empty()) owner->OpenListInFrame(lists.front(), frame::kOriginCommand, false);
        return true;
    }
    case ID_HISTORY_JUMP3:
    case ID_HISTORY_JUMP2:
    case ID_HISTORY_JUMP1:
    case ID_HISTORY_JUMP0:
        JumpBack(id);
        return true;
    case ID_VIEW_REFRESH:
        owner->Reload();
        return true;
    case ID_DESKTOP_SHORTCUT:
        CreateDesktopShortcut();
        return true;
    case ID_EDIT_COPYTO: {
        const SongVector songs = SelectedSongs();
        if (!songs.empty()) UserAction()->Download(&songs, kDownloadKindCopy);
        return true;
    }
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_INVERT: {
        const int view = owner->Container().CurrentView();
        if (CVxMdContainer::ViewHasList(view)) {
            if (id == ID_EDIT_SELECT_ALL)
                owner->ReportView().SelectAll();
            else
                owner->ReportView().InvertSelection();
        } else if (CVxMdContainer::ViewHasWeb(view)) {
            owner->Container().CallPageScript(id == ID_EDIT_SELECT_ALL ? "SelectItemsAll" : "SelectItemsShift", std::vector<std::string>{""});
        }
        return true;
    }
    default: {
        char letter = 0;
        if (!sendto::DriveOfCommand(static_cast<unsigned>(id), letter)) return false;
        CopyToDrive(letter);
        return true;
    }
    }
}

template <class T>
void CFolderActionImpl<T>::SearchFromMenu(int kind, const std::string& key) {
    if (key.empty()) return;
    SearchParam param;
    param.nType = kind;
    param.strKey = key;
    param.strKey2 = kMenuSearchSource;
    OpenSearch(param, frame::kOriginCommand, 0);
}

// "跳转到当前" reopens the current entry; "跳转到1" to "跳转到3" go that many entries back.
template <class T>
void CFolderActionImpl<T>::JumpBack(int id) {
    const size_t steps = static_cast<size_t>(ID_HISTORY_JUMP0 - id);
    if (steps == 0)
        Frame()->Reload();
    else if (Frame()->History().BackEntries().size() > steps)
        Frame()->GoBackSteps(steps);
}

template <class T>
void CFolderActionImpl<T>::CopyToDrive(char letter) {
    const SongVector songs = SelectedSongs();
    if (songs.empty()) return;
    const std::string root = sendto::DriveRoot(letter);
    UserAction()->CopyToFolder(&songs, root.c_str());
}

template <class T>
void CFolderActionImpl<T>::CreateDesktopShortcut() {
    const SongVector songs = m_menuActive ? m_menuSongs : SelectedSongs();
    const ListVector lists = SelectedLists();
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "OnFolderCreateShortCut", "[%d, %d]", static_cast<int>(songs.size()),
                 static_cast<int>(lists.size()));
    if (!songs.empty())
        UserAction()->CreateSongShortcuts(&songs);
    else if (!lists.empty())
        UserAction()->CreateListShortcuts(&lists);
}

template <class T>
void CFolderActionImpl<T>::UpdateFolderMenu(HMENU popup) {
    if (!popup) return;
    T* owner = Frame();
    auto enable = [popup](UINT id, bool enabled) {
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    CNavigationHistory& history = owner->History();
    const HistoryEntry* current = history.Current();
    const CSongListBase* up = current && !current->isSearch && current->list ? current->list->GetParent() : nullptr;
    if (up && ListType(up) == static_cast<int>(kPassThroughList)) up = up->GetParent();
    enable(ID_VIEW_REFRESH, !owner->RequestOutstanding());
    enable(ID_NAV_BACK, history.CanGoBack());
    enable(ID_NAV_FORWARD, history.CanGoForward());
    // The catalogue root (the topmost list) is not a place of its own.
    enable(ID_NAV_UP, up && up->GetParent());
    if (::GetMenuState(popup, ID_EDIT_COPYTO, MF_BYCOMMAND) != static_cast<UINT>(-1))
        enable(ID_EDIT_COPYTO, !SelectedSongs().empty());

    const auto& back = history.BackEntries();
    for (UINT id = ID_HISTORY_JUMP3; id <= ID_HISTORY_JUMP0; ++id) {
        if (::GetMenuState(popup, id, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
        const size_t steps = ID_HISTORY_JUMP0 - id;
        const bool exists = steps < back.size();
        std::string text = exists ? actionmenus::EscapeMnemonic(EntryName(back[back.size() - 1 - steps])) : "";
        if (text.empty()) text = kJumpTexts[id - ID_HISTORY_JUMP3];
        const std::wstring wide = Charset::String2WString(text);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(wide.c_str());
        ::SetMenuItemInfoW(popup, id, FALSE, &info);
        enable(id, exists);
    }
}

template class CFolderActionImpl<CMainFrame>;
