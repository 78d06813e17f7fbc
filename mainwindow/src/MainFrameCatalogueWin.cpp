// The main frame's side of the catalogue: the tree, opening lists and searches, the history, and the
// catalogue's answers to the current request.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "FrameRules.h"
#include "MainFrameWin.h"
#include "UserActRecord.h"
#include "datadef/SongInfo.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/JsonText.h"
#include "vxlib/StringUtility.h"

namespace {

const char kLogFile[] = "MainFrame.txt";

CNetSongList* AsNetList(CSongListBase* list) {
    return dynamic_cast<CNetSongList*>(list);
}

using frameRules::ListType;

std::string IdText(uint32_t id) {
    return StringUtility::Format("%u", id);
}

// The request id of an answer of the catalogue, or -1 for a refusal: OpenListItem refuses with
// -1, a search that gets no thread with 0.
long AcceptedRequest(long id, const char* what) {
    if (id > 0) return id;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, what, "refused: %ld", id);
    return -1;
}

}  // namespace

// Images of the tree: the bitmap's defaults plus list icons loaded once, by lower-cased file name,
// and the status pane's copy of the first image.
struct CMainFrame::TreeImages {
    HIMAGELIST list = nullptr;
    HICON statusIcon = nullptr;
    std::map<std::string, int> icons;
    ~TreeImages() {
        if (statusIcon) ::DestroyIcon(statusIcon);
        if (list) ::ImageList_Destroy(list);
    }
};

CMainFrame::CMainFrame(CCommandLine& commandLine) : m_commandLine(commandLine) {}

CMainFrame::~CMainFrame() = default;

CSongListBase* CMainFrame::TreeItemList(HTREEITEM item) const {
    if (!item || !m_tree.IsWindow()) return nullptr;
    return reinterpret_cast<CSongListBase*>(m_tree.GetItemData(item));
}

HTREEITEM CMainFrame::FindTreeItem(const CSongListBase* list) const {
    if (!list || !m_tree.IsWindow()) return nullptr;
    // Walk the ancestors from the top so that only the items on the way are visited.
    std::vector<const CSongListBase*> chain;
    for (const CSongListBase* up = list; up && up != m_rootCopy.get(); up = up->GetParent()) chain.push_back(up);
    HTREEITEM item = m_tree.GetRootItem();
    HTREEITEM found = nullptr;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        found = nullptr;
        for (HTREEITEM i = item; i; i = m_tree.GetNextSiblingItem(i)) {
            if (TreeItemList(i) == *it) {
                found = i;
                break;
            }
        }
        if (!found) return nullptr;
        item = m_tree.GetChildItem(found);
    }
    return found;
}

CSongInfoBase* CMainFrame::FindResultSong(const std::string& id) const {
    auto it = m_songResults.find(id);
    return it == m_songResults.end() ? nullptr : it->second;
}

CSongListBase* CMainFrame::FindResultList(const std::string& id) const {
    auto it = m_listResults.find(id);
    return it == m_listResults.end() ? nullptr : it->second.get();
}

// ---- tree ------------------------------------------------------------------------------------

void CMainFrame::ResetTreeToLoading() {
    ReportView().DeleteAllRows();
    m_container.StopPage();
    if (m_statusBar.IsWindow()) m_statusBar.SetPaneText(1, frame::kTreeLoading);
    m_treeBuilt = false;
    m_updateUi.Enable(ID_NAV_UP, false);
    m_updateUi.Enable(ID_NAV_BACK, false);
    m_updateUi.Enable(ID_NAV_FORWARD, false);
    m_history.Clear();
    ClearResults();
    m_filledItems.clear();
    m_tree.DeleteAllItems();
    m_rootCopy.reset();
    HTREEITEM loading = m_tree.InsertItem(frame::kTreeLoading);
    m_tree.Expand(loading);
    m_container.ShowPage(frame::kPageLoading, false);
    m_container.ShowView(frame::kViewWeb);
}

void CMainFrame::OnNetSongDataCreated() {
    ResetTreeToLoading();
}

void CMainFrame::OnRankingTreeReady() {
    BuildTree();
}

void CMainFrame::RebuildTree() {
    BuildTree();
}

void CMainFrame::ToggleBuiltInTree() {
    m_builtInTree = !m_builtInTree;
    RebuildTree();
}

void CMainFrame::BuildTree() {
    if (!m_netSong) return;
    CSongListBase* root = nullptr;
    m_netSong->GetRootList(root);
    std::unique_ptr<CSongListBase> copy;
    if (root && !root->GetChildrenVector().empty()) {
        copy.reset(root->Clone());
    } else if (m_builtInTree) {
        copy.reset(BuildBuiltInRoot());
    }
    CancelCurrentRequest();
    SetBusy(false);
    ReportView().DeleteAllRows();
    m_history.Clear();
    ClearResults();
    m_filledItems.clear();
    m_tree.DeleteAllItems();
    m_rootCopy.reset();
    m_treeBuilt = true;

    if (!copy) {
        HTREEITEM failed = m_tree.InsertItem(frame::kTreeLoadFailed);
        m_tree.Expand(failed);
        m_statusBar.SetPaneText(1, frame::kTreeLoadFailed);
        m_container.ShowPage(frame::kPageError404, false);
        m_container.ShowView(frame::kViewWeb);
        return;
    }
    copy->SetShowName(kProductDisplayName);
    m_rootCopy = std::move(copy);
    m_statusBar.SetPaneText(1, frame::kLoadComplete);

    std::unique_ptr<TreeImages> images(new TreeImages);
    images->list = ::ImageList_LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TREE_IMAGES),
                                          frameRules::kTreeImageWidth, frameRules::kTreeSpareImages, RGB(255, 0, 255),
                                          IMAGE_BITMAP, LR_CREATEDIBSECTION);
    m_tree.SetImageList(images->list);
    if (images->list) {
        images->statusIcon = ::ImageList_GetIcon(images->list, 0, ILD_NORMAL);
        m_statusBar.Send(SB_SETICON, 2, reinterpret_cast<LPARAM>(images->statusIcon));
    }
    // The previous list and icon go only now that the tree and the status bar have let go of them.
    m_treeImages = std::move(images);
    InsertChildren(TVI_ROOT, m_rootCopy.get(), 1);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "BuildTree", "top lists %u, items %d",
                 static_cast<unsigned>(m_rootCopy->GetChildrenVector().size()), m_tree.GetCount());

    if (!m_pendingTreePath.empty()) {
        std::vector<uint32_t> path = m_pendingTreePath;
        OpenTreePath(path);
    } else if (!m_rootCopy->GetChildrenVector().empty()) {
        OpenListInFrame(m_rootCopy->GetChildrenVector().front(), frame::kOriginTreeBuilt, false);
    }
}

int CMainFrame::TreeImageFor(CSongListBase* list) {
    auto* net = AsNetList(list);
    if (net && !net->GetIcoFile().empty() && m_treeImages && m_treeImages->list) {
        std::string key = net->GetIcoFile();
        StringUtility::Str2Lower(key);
        auto it = m_treeImages->icons.find(key);
        if (it != m_treeImages->icons.end()) return it->second;
        std::string path = net->GetIcoFile();
        if (path.find(':') == std::string::npos) {
            std::string folder;
            Dir::GetVxPath(PATH_RANKING, folder);
            path = folder + path;
        }
        int index = -1;
        HICON icon = static_cast<HICON>(::LoadImageW(nullptr, Charset::String2WString(path).c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE));
        if (icon) {
            index = ::ImageList_AddIcon(m_treeImages->list, icon);
            ::DestroyIcon(icon);
        }
        m_treeImages->icons[key] = index;
        if (index >= 0) return index;
    }
    return frameRules::DefaultTreeImage(ListType(list), list->GetShowName());
}

void CMainFrame::InsertChildren(HTREEITEM item, CSongListBase* list, int depth) {
    if (!list || list->GetChildrenVector().empty() || depth == 0) return;
    for (CSongListBase* child : list->GetChildrenVector()) {
        const int type = ListType(child);
        const int image = TreeImageFor(child);
        HTREEITEM childItem = m_tree.InsertItem(child->GetShowName(), item, TVI_LAST, reinterpret_cast<LPARAM>(child),
                                                image, image, frameRules::HasExpandButton(type));
        if (type != 1 && !child->GetChildrenVector().empty()) {
            auto* net = AsNetList(child);
            InsertChildren(childItem, child, frameRules::ChildDepth(type, net && net->IsDefaultShow(), depth));
        }
    }
    auto* net = AsNetList(list);
    if (net && net->IsDefaultShow() && item != TVI_ROOT) {
        for (HTREEITEM up = item; up; up = m_tree.GetParentItem(up)) m_tree.Expand(up);
    }
}

void CMainFrame::OpenTreePath(const std::vector<uint32_t>& ids) {
    if (!m_netSong || !m_netSong->HasRankingTree() || !m_treeBuilt || !m_rootCopy) {
        m_pendingTreePath = ids;
        return;
    }
    size_t next = 0;
    HTREEITEM item = m_tree.GetRootItem();
    while (item && next < ids.size()) {
        auto* net = AsNetList(TreeItemList(item));
        if (net && net->GetId() == ids[next]) {
            if (next + 1 == ids.size()) {
                m_tree.SelectItem(item);
                m_tree.EnsureVisible(item);
                break;
            }
            m_tree.Expand(item, TVE_EXPAND);
            item = m_tree.GetChildItem(item);
            ++next;
        } else {
            m_tree.Expand(item, TVE_COLLAPSE);
            item = m_tree.GetNextSiblingItem(item);
        }
    }
    m_pendingTreePath.clear();
}

CSongListBase* CMainFrame::BuildBuiltInRoot() const {
    auto* root = new CNetSongList;
    root->SetName(kProductDisplayName);
    root->SetShowName(kProductDisplayName);
    auto add = [](CSongListBase* parent, const char* name, int type, uint32_t id, uint32_t count, bool shown) {
        auto* list = new CNetSongList;
        list->SetName(name);
        list->SetShowName(name);
        list->SetListType(type);
        list->SetId(id);
        list->SetCount(count);
        list->SetDefaultShow(shown);
        parent->AddChild(list);
        return list;
    };
    add(root, "最近播放的100首歌", kListRecentSongs, 9001, 100, false)->SetName(kRecentSongsListName);
    CSongListBase* singers = add(root, "歌手库", 0, 9002, 5005, true);
    const struct {
        const char* name;
        uint32_t count;
    } groups[] = {{"华语男歌手", 1460}, {"华语女歌手", 1320}, {"华语组合", 410},
                  {"日韩男歌手", 640},  {"日韩女歌手", 690},  {"其他", 485}};
    uint32_t id = 9010;
    for (const auto& g : groups) add(singers, g.name, 0, id++, g.count, false);
    return root;
}

// ---- opening ---------------------------------------------------------------------------------

void CMainFrame::ClearResults() {
    ReportView().DeleteAllRows();
    m_songResults.clear();
    m_listResults.clear();
    m_keptResultLists.clear();
    m_rows.clear();
}

void CMainFrame::ReleaseResultMaps(const CSongListBase* opening) {
    auto referenced = [&](const CSongListBase* list) {
        if (list == opening) return true;
        for (const HistoryEntry& e : m_history.BackEntries()) if (e.list == list) return true;
        for (const HistoryEntry& e : m_history.ForwardEntries()) if (e.list == list) return true;
        return false;
    };
    for (auto& kept : m_listResults) {
        if (referenced(kept.second.get())) m_keptResultLists.push_back(std::move(kept.second));
    }
    m_listResults.clear();
    m_songResults.clear();
    m_keptResultLists.erase(std::remove_if(m_keptResultLists.begin(), m_keptResultLists.end(),
                                           [&](const std::unique_ptr<CSongListBase>& list) { return !referenced(list.get()); }),
                            m_keptResultLists.end());
}

int CMainFrame::OpenListInFrame(CSongListBase* list, int origin, bool force) {
    if (!list || origin < 0 || origin > frame::kOriginRefresh || !m_netSong) return 0;
    const HistoryEntry* current = m_history.Current();
    if (!force && current && !current->isSearch && current->list == list) return 1;
    HTREEITEM item = origin == frame::kOriginTree ? nullptr : FindTreeItem(list);
    const int type = ListType(list);
    if (type == 8) {
        if (item) m_tree.SelectItem(item);
        if (list->GetChildrenVector().empty()) return 0;
        return OpenListInFrame(list->GetChildrenVector().front(), origin, force);
    }
    if (type > 5 && type != 6 && type != 7 && type != 9 && type != 10 && type != 11 && type != 13 && type != 14 &&
        type != 15)
        return 0;

    SetBusy(true);
    CancelCurrentRequest();
    ReleaseResultMaps(list);

    CSongListBase* parent = list->GetParent();
    auto* net = AsNetList(list);
    bool failed = false;
    if (type == 6 || (type == kListRecentSongs && ListType(parent) == kListAlbum)) {
        SearchParam param;
        param.nType = type == 6 ? kSearchArtist : kSearchAlbum;
        param.strKey = list->GetShowName();
        param.strKey2 = list->GetFullShowName("->");
        m_requestId = AcceptedRequest(m_netSong->Search(param), "Search");
        failed = m_requestId == -1;
    } else if (frameRules::IsPageList(type)) {
        ReportView().DeleteAllRows();
        m_rows.clear();
        m_container.ShowListPage(frameRules::PageName(type));
        SendListToPage(list);
        // Singers by letter get the letter bar to move between letters.
        const int view = type == kListOwnCategory || type == kListVideoCategory || type == 14 ? frame::kViewIndexPage
                         : type == 1 && ListType(parent) == 0                                 ? frame::kViewArtistWeb
                                                                                              : frame::kViewWeb;
        m_container.ShowView(view);
    } else {
        if (type != kListRecentSongs) {
            ReportView().DeleteAllRows();
            m_rows.clear();
            m_container.ShowPage(frame::kPageLoading, true);
            if (type == kListJsonSongs || (frameRules::IsVideoList(type) && type != kListVideoSearch))
                AddRows(list->GetSongInfoVector(), list, nullptr);
        }
        m_requestId =
            AcceptedRequest(net ? m_netSong->OpenListItem(net, frameRules::IsVideoList(type) ? 0 : -1) : -1, "OpenListItem");
        failed = m_requestId == -1;
    }

    if (origin != frame::kOriginRefresh) {
        HistoryEntry entry;
        entry.list = list;
        m_history.Push(entry, origin == frame::kOriginHistory);
    }
    SetBreadcrumb(list);
    m_updateUi.Enable(ID_NAV_UP, parent && parent != m_rootCopy.get());
    if (item && origin != frame::kOriginTree) m_tree.SelectItem(item);
    RefreshStatusText();
    if (m_requestId == -1) SetBusy(false);
    if (failed) ShowRequestError();
    return 1;
}

long CMainFrame::OpenSearchInFrame(const SearchParam& param, int origin) {
    if (!m_netSong) return -1;
    SetBusy(true);
    CancelCurrentRequest();
    ReportView().DeleteAllRows();
    m_rows.clear();
    ReleaseResultMaps(nullptr);
    SearchParam request = param;
    if (request.strKey2.empty()) request.strKey2 = UserActRecord::SearchPlaySource(request.nType, request.strKey);
    m_requestId = AcceptedRequest(m_netSong->Search(request), "Search");
    m_requestIsProxy = request.nType == kSearchKeyword || request.nType == kSearchRandom;
    if (origin != frame::kOriginRefresh) {
        HistoryEntry entry;
        entry.isSearch = true;
        entry.param = param;
        m_history.Push(entry, origin == frame::kOriginHistory);
    }
    m_container.SetNavigationText(frame::kBreadcrumbPrefix + std::string(SearchKindName(param.nType)) + " \"" +
                                  param.strKey + "\"");
    m_updateUi.Enable(ID_NAV_UP, false);
    if (m_requestId == -1) {
        SetBusy(false);
        ShowRequestError();
    }
    return m_requestId;
}

int CMainFrame::ReopenEntry(const HistoryEntry& entry, int origin) {
    if (entry.isSearch) return OpenSearchInFrame(entry.param, origin) != -1 ? 1 : 0;
    return OpenListInFrame(entry.list, origin, true);
}

void CMainFrame::GoBack() {
    GoBackSteps(1);
}

void CMainFrame::GoBackSteps(size_t steps) {
    const CNavigationHistory saved = m_history;
    HistoryEntry target;
    if (!m_history.TakeBackSteps(steps, target)) return;
    if (!ReopenEntry(target, frame::kOriginHistory)) m_history = saved;
}

void CMainFrame::GoForward() {
    const CNavigationHistory saved = m_history;
    HistoryEntry next;
    if (!m_history.TakeForward(next)) return;
    if (!ReopenEntry(next, frame::kOriginHistory)) m_history = saved;
}

void CMainFrame::GoUp() {
    const HistoryEntry* current = m_history.Current();
    if (!current || current->isSearch || !current->list) return;
    CSongListBase* parent = current->list->GetParent();
    if (parent && ListType(parent) == 8) parent = parent->GetParent();
    if (!parent || parent == m_rootCopy.get()) return;
    OpenListInFrame(parent, frame::kOriginUp, false);
}

void CMainFrame::Reload() {
    const int view = m_container.CurrentView();
    if (m_videoAnswer && (view == frame::kViewSearchVideo || view == frame::kViewSearchOnlyVideo)) {
        // The reloaded page starts empty and asks again with its ready call.
        m_container.ShowPage(m_container.CurrentPage(), true);
        SendAnswerToPage(m_videoAnswerList.get());
        return;
    }
    const HistoryEntry* current = m_history.Current();
    if (!current) return;
    const HistoryEntry entry = *current;
    if (entry.isSearch)
        OpenSearchInFrame(entry.param, frame::kOriginRefresh);
    else
        OpenListInFrame(entry.list, frame::kOriginRefresh, true);
}

void CMainFrame::SetBreadcrumb(CSongListBase* list) {
    std::string path;
    for (CSongListBase* up = list; up && up != m_rootCopy.get(); up = up->GetParent())
        path = up->GetShowName() + (path.empty() ? "" : " > " + path);
    m_container.SetNavigationText(frame::kBreadcrumbPrefix + path);
}

void CMainFrame::CancelCurrentRequest() {
    if (m_requestId != -1 && m_netSong) {
        // The proxy's numbers are no cookies of the catalogue: its halves go with every request.
        if (m_requestIsProxy)
            m_netSong->CancleAllSearch();
        else
            m_netSong->CancleSearch(m_requestId);
    }
    m_requestId = -1;
    m_requestIsProxy = false;
}

void CMainFrame::ShowRequestError() {
    m_requestId = -1;
    SetBusy(false);
    ReportView().DeleteAllRows();
    m_rows.clear();
    m_container.ShowPage(m_networkAlive == 0 ? frame::kPageErrorFail : frame::kPageError404, true);
    m_container.ShowView(frame::kViewWeb);
}

// ---- answers ---------------------------------------------------------------------------------

void CMainFrame::OnSearchStarted(long cookie, const SearchParam* param) {
    if (!IsCurrentRequest(cookie, false) || !param) return;
    ShowRequestStarted(*param);
}

void CMainFrame::ShowRequestStarted(const SearchParam& param) {
    const int kind = param.nType;
    if (kind > kSearchVideo || kind == kSearchTips) return;
    SetBusy(true);
    switch (kind) {
    case kSearchKeyword:
    case kSearchAlbum:
    case kSearchLyrics:
    case kSearchRandom:
    case kSearchArtist:
        m_tree.SelectItem(nullptr);
        [[fallthrough]];
    case kSearchLocalList:
        ReportView().DeleteAllRows();
        m_rows.clear();
        m_container.ShowPage(frame::kPageLoading, false);
        m_container.ShowView(frame::kViewWeb);
        break;
    case kSearchWebList:
        m_container.ShowPage(frame::kPageLoading, false);
        m_container.ShowView(frame::kViewWeb);
        break;
    case kSearchVideo:
        m_container.ShowPage(frame::kPageLoading, false);
        break;
    default:
        break;
    }
    ReleaseResultMaps(nullptr);
    RefreshStatusText();
}

void CMainFrame::OnSearchCancelled(long cookie) {
    OnAlbumSearchEnded(cookie);
    if (IsCurrentRequest(cookie, false)) m_requestId = -1;
    SetBusy(m_requestId != -1);
}

void CMainFrame::OnSearchPage(long cookie, SearchResult* result) {
    if (OnAlbumSearchPage(cookie, result)) return;
    if (!IsCurrentRequest(cookie, false) || !result) return;
    if (ShowNoResult(*result)) return;
    const int kind = result->param.nType;
    CNetSongList* page = result->pPageList;
    switch (kind) {
    case kSearchKeyword:
    case kSearchAlbum:
    case kSearchLyrics:
    case kSearchLocalList:
    case kSearchRandom:
    case kSearchArtist:
        ShowSongs(*result);
        break;
    case kSearchWebList: {
        m_albumAnswer.reset(new SearchResult(*result));
        m_albumAnswer->pPageList = nullptr;
        m_albumAnswerList.reset(page ? page->Clone() : nullptr);
        if (m_albumAnswerList) {
            for (CSongListBase* child : m_albumAnswerList->GetChildrenVector()) {
                if (auto* net = AsNetList(child)) m_listResults[IdText(net->GetId())].reset(child->Clone());
            }
        }
        m_container.ShowPage(frame::kPageAlbum, true);
        m_container.ShowView(frame::kViewWeb);
        SendAnswerToPage(m_albumAnswerList.get());
        break;
    }
    case kSearchVideo: {
        m_videoAnswer.reset(new SearchResult(*result));
        m_videoAnswer->pPageList = nullptr;
        m_videoAnswerList.reset(page ? page->Clone() : nullptr);
        const int view = m_container.CurrentView();
        if (view == frame::kViewSearchVideo || view == frame::kViewSearchOnlyVideo) {
            m_container.ShowPage(frame::kPageAlbum, true);
            SendAnswerToPage(m_videoAnswerList.get());
        }
        break;
    }
    default:
        break;
    }
    RefreshStatusText();
}

bool CMainFrame::ShowNoResult(const SearchResult& result) {
    const bool noSongs = !result.pPageList || result.pPageList->GetSongInfoVector().empty();
    if (result.param.nType != kSearchKeyword || !noSongs || result.strHitMode != "nores") return false;
    m_container.ShowPage(frame::kPageNoResult, false);
    m_container.ShowView(frame::kViewWeb);
    m_container.CallPageScript("SetSearchNoResultParam", std::vector<std::string>{result.param.strKey, result.strSuggestion});
    return true;
}

void CMainFrame::SendAnswerToPage(CSongListBase* answer) {
    CNetSongList* net = AsNetList(answer);
    if (!net) return;
    const std::string kind = frameRules::PageName(ListType(net));
    const std::string image = Charset::StringToUTF8(net->GetBaseImageUrl());
    for (const std::string& json : net->GetJson())
        m_container.CallPageScriptUtf8("_addItems", std::vector<std::string>{json, kind, image});
}

void CMainFrame::OpenLetterList(char letter) {
    const HistoryEntry* current = m_history.Current();
    CSongListBase* shown = current && !current->isSearch ? current->list : nullptr;
    CSongListBase* category = shown ? shown->GetParent() : nullptr;
    if (!category || ListType(shown) != 1) return;
    for (CSongListBase* sibling : category->GetChildrenVector()) {
        if (sibling != shown && sibling->GetShowName() == std::string(1, letter)) {
            OpenListInFrame(sibling, frame::kOriginUserAction, false);
            return;
        }
    }
}

void CMainFrame::SendListToPage(CSongListBase* list) {
    // The page shows the list's children the way it shows an answer's items; its ids resolve
    // through the current list (ResolvePageIds).
    Json::Value page(Json::objectValue);
    page["type"] = frameRules::PageName(ListType(list));
    Json::Value& items = page["list"] = Json::Value(Json::arrayValue);
    std::string base;
    for (CSongListBase* up = list; up && base.empty(); up = up->GetParent()) {
        if (CNetSongList* net = AsNetList(up)) base = net->GetBaseImageUrl();
    }
    for (CSongListBase* child : list->GetChildrenVector()) {
        CNetSongList* net = AsNetList(child);
        if (!net) continue;
        Json::Value item(Json::objectValue);
        item["id"] = IdText(net->GetId());
        item["name"] = child->GetShowName();
        if (!net->GetImage().empty()) item["pic"] = net->GetImage();
        items.append(item);
    }
    m_container.CallPageScript("_addItems",
                               std::vector<std::string>{JsonText::Write(page, false, true), page["type"].asString(), base});
}

void CMainFrame::AddRows(const std::vector<CSongInfoBase*>& songs, CSongListBase* parent, const std::string* source) {
    std::vector<CSongInfoBase*> added;
    for (CSongInfoBase* song : songs) {
        std::unique_ptr<CSongInfoBase> clone(song->Clone());
        clone->SetParent(parent);
        if (source) clone->SetPlaySource(*source);
        added.push_back(clone.get());
        m_rows.push_back(std::move(clone));
    }
    ReportView().AddSongs(added);
}

void CMainFrame::ShowSongs(const SearchResult& result) {
    if (!AddAnswerRows(result)) return;
    m_container.ShowView(frame::kViewList);
    if (result.param.nType != kSearchLocalList)
        m_container.SetNavigationText(StringUtility::Format(frame::kStatusFound, ReportView().GetRowCount()));
}

bool CMainFrame::AddAnswerRows(const SearchResult& result) {
    CNetSongList* page = result.pPageList;
    if (!page) return false;
    const HistoryEntry* current = m_history.Current();
    CSongListBase* shown = current && !current->isSearch ? current->list : nullptr;
    const bool search = result.param.nType != kSearchLocalList;
    std::string source = result.param.strKey2;
    if (source.empty() && search) source = UserActRecord::SearchPlaySource(result.param.nType, result.param.strKey);
    const std::string singer = AsNetList(shown) ? AsNetList(shown)->GetSingerInfo().strArtist : std::string();
    std::vector<CSongInfoBase*> kept;
    for (CSongInfoBase* song : page->GetSongInfoVector()) {
        if (!shown || frameRules::KeepAlbumSong(ListType(shown), ListType(shown->GetParent()), shown->GetShowName(),
                                                singer, song->GetAlbum(), song->GetArtist()))
            kept.push_back(song);
    }
    const size_t first = m_rows.size();
    AddRows(kept, shown, &source);
    for (size_t i = first; i < m_rows.size(); ++i) {
        if (auto* net = dynamic_cast<CNetSongInfo*>(m_rows[i].get())) m_songResults[IdText(net->GetId())] = net;
    }
    return true;
}

void CMainFrame::OnSearchFinished(long cookie) {
    OnAlbumSearchEnded(cookie);
    if (!IsCurrentRequest(cookie, false)) return;
    m_requestId = -1;
    SetBusy(false);
    RefreshStatusText();
}

void CMainFrame::OnSearchFailed(long cookie) {
    OnAlbumSearchEnded(cookie);
    if (!IsCurrentRequest(cookie, false)) return;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OnSearchFailed", "cookie %ld", cookie);
    ShowRequestError();
}
