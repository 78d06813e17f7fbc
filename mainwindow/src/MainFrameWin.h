#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CommandBarWin.h"
#include "ContainerWin.h"
#include "FolderActionImplWin.h"
#include "FrameConstants.h"
#include "NavigationHistory.h"
#include "SearchInputWin.h"
#include "SplitterWin.h"
#include "TrayIconWin.h"
#include "UserActionImplWin.h"
#include "catalogue/NetSongData.h"
#include "catalogue/SearchProxyObserver.h"
#include "ui/FrameControls.h"
#include "ui/MessageLoop.h"
#include "ui/UpdateUi.h"
#include "ui/WindowBase.h"

class IVxMdInterface;
class CCommandLine;

// The program's one top-level window: menu bar, navigation toolbar and search band in a rebar,
// the catalogue tree and the content container in a splitter, the status bar and the tray icon.
// Turns choices in the tree, the history, forwarded "/go" paths and user actions into catalogue
// requests, shows the answers of the current request only, and runs the program's timers.
// User-interface thread only; created and destroyed by the program's entry.
class CMainFrame : public ui::CWindowBase,
                   public ui::CMessageFilter,
                   public ui::CIdleHandler,
                   public INetSongDataObserver,
                   public CFolderActionImpl<CMainFrame>,
                   public CUserActionImpl<CMainFrame>,
                   public ISearchProxyObserver {
public:
    // `commandLine` is the program's, replaced by forwarded command lines; it outlives the frame.
    explicit CMainFrame(CCommandLine& commandLine);
    ~CMainFrame() override;

    // Null on failure.
    HWND CreateFrame();

    // The window handle of the first instance, shared by every copy of the executable.
    static HWND SharedMainWindow();

    // --- for the action implementations -----------------------------------------------------
    INetSongData* NetSong() const { return m_netSong; }
    IVxMdInterface* Bridge() const;
    CVxMdContainer& Container() { return m_container; }
    CVxMdReportView& ReportView() { return m_container.ReportView(); }
    const ui::CTreeViewCtrl& Tree() const { return m_tree; }
    CNavigationHistory& History() { return m_history; }
    ui::CUpdateUi& UpdateUi() { return m_updateUi; }
    bool RequestOutstanding() const { return m_requestId != -1; }
    // The list a tree item shows (its item data), else null.
    CSongListBase* TreeItemList(HTREEITEM item) const;
    HTREEITEM FindTreeItem(const CSongListBase* list) const;

    // Opening a list with origin 0..7 (frame::Origin); the navigation rules of the frame.
    int OpenListInFrame(CSongListBase* list, int origin, bool force);
    // Runs a catalogue search and shows its answers; pushes a search entry unless `origin` is 7.
    // Returns the request's cookie (-1 refused, shown as the error page).
    long OpenSearchInFrame(const SearchParam& param, int origin);
    // Back, forward, up and the back drop-down's jumps (steps 1..4).
    void GoBack();
    void GoForward();
    void GoUp();
    void GoBackSteps(size_t steps);
    // The refresh command: a video answer shown in view 6 or 8 reloads its page, otherwise the
    // current history entry is opened again with origin 7.
    void Reload();

    // Status bar: " %d 个对象" or, with `selected` > 0, "选中 %d 个对象".
    void ShowSelectedCount(int selected);
    void RefreshStatusText();
    // The last video answer (kind 8), null when none.
    const SearchResult* LastVideoAnswer() const { return m_videoAnswer.get(); }
    // A song or sub-list of the current answer by the decimal text of its id, else null.
    CSongInfoBase* FindResultSong(const std::string& id) const;
    CSongListBase* FindResultList(const std::string& id) const;
    CSongListBase* LastVideoList() const { return m_videoAnswerList.get(); }
    // Builds the tree again as if the catalogue had just loaded it (the built-in tree command).
    void RebuildTree();
    void ToggleBuiltInTree();

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;
    void OnClose() override;
    void OnFinalMessage() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnSetFocus(HWND previous) override;
    void OnTimer(UINT_PTR id) override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnInitMenuPopup(HMENU popup, int index, bool windowMenu) override;

    // ui::CMessageFilter / ui::CIdleHandler
    bool PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;

    // INetSongDataObserver
    void OnNetSongDataCreated() override;
    void OnRankingTreeReady() override;
    void OnSearchStarted(long cookie, const SearchParam* param) override;
    void OnSearchCancelled(long cookie) override;
    void OnSearchPage(long cookie, SearchResult* result) override;
    void OnSearchFinished(long cookie) override;
    void OnSearchFailed(long cookie) override;

    // ISearchProxyObserver: the keyword searches (kinds 0 and 5), MainFrameSearchWin.cpp.
    void OnProxyStarted(long requestNo, const SearchParam* param) override;
    void OnProxyNoResult(long requestNo, SearchResult* music, SearchResult* video) override;
    void OnProxyFinished(long requestNo, SearchResult* music, SearchResult* video) override;
    void OnProxyCancelled(long requestNo) override;
    void OnProxyFailed(long requestNo) override;

private:
    struct TreeImages;
    void CreateBars();
    void CreateStatusBar();
    void PlaceWindow();
    void LayoutFrame();
    LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
    void OnForwardedCommandLine();
    void BringToFront();
    void OnTrayCallback(LPARAM event);
    void OnTrayClickTimer();
    void OnNetworkWatch();
    void SetBusy(bool busy);

    // Tree
    void BuildTree();
    void InsertChildren(HTREEITEM item, CSongListBase* list, int depth);
    int TreeImageFor(CSongListBase* list);
    void OpenTreePath(const std::vector<uint32_t>& ids);
    void ResetTreeToLoading();
    CSongListBase* BuildBuiltInRoot() const;

    // Requests and answers. Keyword searches are numbered by the search proxy, other requests by
    // the catalogue's cookies: the two counters overlap, so an answer counts only on its own channel.
    bool IsCurrentRequest(long id, bool proxy) const { return id != -1 && id == m_requestId && proxy == m_requestIsProxy; }
    void CancelCurrentRequest();
    void ShowRequestStarted(const SearchParam& param);
    // "noResult.html" for a keyword answer without songs whose hit mode is "nores"; false otherwise.
    bool ShowNoResult(const SearchResult& result);
    // The answer's songs as rows (clones in m_rows and the song map); false without a page list.
    bool AddAnswerRows(const SearchResult& result);
    LRESULT OnSearchSummary(frame::SearchSummary* summary);
    // The stored video answer's count: its total when given, else the videos it holds.
    int VideoAnswerCount() const;
    void ClearResults();
    // Empties both result maps; sub-lists the history (or `opening`) still points to are kept.
    void ReleaseResultMaps(const CSongListBase* opening);
    void ShowSongs(const SearchResult& result);
    // Clones the songs into the rows and shows them; `source` (null: kept) is their play source.
    void AddRows(const std::vector<CSongInfoBase*>& songs, CSongListBase* parent, const std::string* source);
    void ShowRequestError();
    // "_addItems" for every JSON page text of an album or video answer list, in order.
    void SendAnswerToPage(CSongListBase* answer);
    // The letter bar: the list of singers under `letter` beside the letter list shown.
    void OpenLetterList(char letter);
    // A page list's children as one "_addItems" page.
    void SendListToPage(CSongListBase* list);
    void SetBreadcrumb(CSongListBase* list);
    int ReopenEntry(const HistoryEntry& entry, int origin);

    CCommandLine& m_commandLine;
    INetSongData* m_netSong = nullptr;
    ui::CMessageLoop* m_loop = nullptr;
    ui::CUpdateUi m_updateUi;
    HACCEL m_accelerators = nullptr;

    CCommandBar m_commandBar;
    ui::CToolBarCtrl m_toolBar;
    ui::CReBarCtrl m_reBar;
    CSearchInput m_searchInput;
    ui::CStatusBarCtrl m_statusBar;
    CSplitterWindowEx m_splitter;
    ui::CTreeViewCtrl m_tree;
    CVxMdContainer m_container;
    CTrayIcon m_trayIcon;
    bool m_useTrayIcon = false;
    bool m_trayMenuPending = false;
    bool m_trayDoubleClick = false;

    HCURSOR m_busyCursor = nullptr;
    bool m_busy = false;
    long m_requestId = -1;
    bool m_requestIsProxy = false;  // m_requestId is a search proxy's request number
    std::unique_ptr<CSongListBase> m_rootCopy;
    bool m_treeBuilt = false;
    bool m_builtInTree = false;
    std::vector<uint32_t> m_pendingTreePath;
    std::unique_ptr<TreeImages> m_treeImages;
    std::vector<HTREEITEM> m_filledItems;  // items whose children were inserted on expansion

    CNavigationHistory m_history;
    // The songs of the current answer (the list's rows, in order) and its sub-lists: clones owned
    // by the frame, found by the decimal text of their id.
    std::vector<std::unique_ptr<CSongInfoBase>> m_rows;
    std::map<std::string, CSongInfoBase*> m_songResults;
    std::map<std::string, std::unique_ptr<CSongListBase>> m_listResults;
    // Sub-lists of earlier answers that history entries still show.
    std::vector<std::unique_ptr<CSongListBase>> m_keptResultLists;
    std::unique_ptr<SearchResult> m_albumAnswer, m_videoAnswer;
    std::unique_ptr<CSongListBase> m_albumAnswerList, m_videoAnswerList;

    int m_networkAlive = -1;  // -1 before the first watch
};
