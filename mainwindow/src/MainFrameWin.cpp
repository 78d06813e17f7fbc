#include "MainFrameWin.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "AboutDlgWin.h"
#include "CommandLine.h"
#include "bridge/VxMdInterface.h"
#include "config/ConfigManager.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "updatelib/SendInfoEveryDay.h"
#include "updatelib/Update.h"
#include "vxlib/Charset.h"
#include "vxlib/StringUtility.h"

namespace {

const char kLogFile[] = "MainFrame.txt";

// One value seen by every running copy of the executable: a second start addresses the first
// instance's window through it.
HWND g_sharedMainWindow __attribute__((section(".vxshr"), shared)) = nullptr;

// The stored rectangle when it fits the screen, else the centred default (both clamped).
RECT FitWindowRect(const RECT& stored, int screenWidth, int screenHeight) {
    const int width = stored.right - stored.left, height = stored.bottom - stored.top;
    if (width > 64 && height >= 50 && width <= screenWidth && height <= screenHeight) return stored;
    const int w = std::min(frame::kMinTrackWidth, screenWidth), h = std::min(frame::kMinTrackHeight, screenHeight);
    RECT r;
    r.left = (screenWidth - w) / 2;
    r.top = (screenHeight - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

// IsNetworkAlive is looked up at run time: not every system has the library.
int QueryNetworkAlive() {
    typedef BOOL(WINAPI * IsNetworkAliveFn)(LPDWORD);
    static HMODULE library = ::LoadLibraryW(L"sensapi.dll");
    static IsNetworkAliveFn isNetworkAlive =
        library ? reinterpret_cast<IsNetworkAliveFn>(::GetProcAddress(library, "IsNetworkAlive")) : nullptr;
    if (!isNetworkAlive) return 1;
    DWORD flags = 0;
    return isNetworkAlive(&flags) ? 1 : 0;
}

}  // namespace

HWND CMainFrame::SharedMainWindow() {
    return g_sharedMainWindow;
}

IVxMdInterface* CMainFrame::Bridge() const {
    return GetVxMdInterface();
}

HWND CMainFrame::CreateFrame() {
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    HICON smallIcon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0));
    if (!RegisterWindowClass(frame::kFrameClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon,
                             smallIcon, module))
        return nullptr;
    HMENU menu = ::LoadMenuW(module, MAKEINTRESOURCEW(IDR_MAINFRAME));
    m_accelerators = ::LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_MAINFRAME));
    HWND hwnd = Create(frame::kFrameClass, nullptr, kProductDisplayName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                       nullptr, menu, module);
    if (!hwnd && menu) ::DestroyMenu(menu);
    return hwnd;
}

bool CMainFrame::OnCreate(CREATESTRUCTW*) {
    IConfigManager* config = AfxGetConfigManager();
    int tray = 0;
    if (config) config->GetInt(frame::kTraySection, frame::kTrayKey, tray, 0);
    m_useTrayIcon = tray != 0;
    g_sharedMainWindow = m_hWnd;

    if (m_useTrayIcon) {
        HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                     IMAGE_ICON, 16, 16, 0));
        m_trayIcon.Add(m_hWnd, IDR_MAINFRAME, icon, kProductDisplayName, frame::kMsgTrayCallback);
    }
    PlaceWindow();
    CreateBars();
    CreateStatusBar();

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    m_splitter.Create(m_hWnd, client, IDC_FRAME_SPLITTER);
    m_tree = ui::CTreeViewCtrl(::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
        0, 0, 0, 0, m_splitter, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FRAME_TREE)),
        ::GetModuleHandleW(nullptr), nullptr));
    RECT none = {0, 0, 0, 0};
    m_container.Create(m_splitter, none, IDC_FRAME_CONTAINER);
    m_splitter.SetBarWidth(frame::kSplitterBar);
    m_splitter.SetFullDrag(true);
    m_splitter.SetLeftPaneWidth(frame::kSplitterLeftPane);
    if (config) ReportView().LoadColumnWidths(*config);
    m_splitter.SetPanes(m_tree, m_container);

    m_updateUi.SetCheck(ID_VIEW_TOOLBAR, true);
    m_updateUi.SetCheck(ID_VIEW_STATUS_BAR, true);
    m_updateUi.Enable(ID_NAV_BACK, false);
    m_updateUi.Enable(ID_NAV_FORWARD, false);
    m_updateUi.Enable(ID_NAV_UP, false);
    m_updateUi.AddToolBar(m_toolBar);
    m_loop = ui::CThreadLoops::Get();
    if (m_loop) {
        m_loop->AddMessageFilter(this);
        m_loop->AddIdleHandler(this);
    }

    if (IMessageManager* messages = AfxGetMessageManager()) {
        messages->Register(kNetSongChannel, static_cast<INetSongDataObserver*>(this), 2);
        messages->Register(kSearchProxyChannel, static_cast<ISearchProxyObserver*>(this), 2);
    }
    // Creating the facade announces itself (message 0), which shows loading in the tree and the
    // content; a facade made earlier in the process does not, so its state is taken here.
    m_netSong = GetNetSongData();
    if (m_netSong && m_netSong->HasRankingTree() && !m_treeBuilt)
        BuildTree();
    else if (!m_tree.GetRootItem())
        ResetTreeToLoading();

    ::SetTimer(m_hWnd, frame::kTimerSendInfo, frame::kSendInfoDelayMs, nullptr);
    ::SetTimer(m_hWnd, frame::kTimerUpdateMelodisk, frame::kUpdateMelodiskDelayMs, nullptr);
    ::SetTimer(m_hWnd, frame::kTimerUpdatePlaydeck, frame::kUpdatePlaydeckDelayMs, nullptr);
    ::SetTimer(m_hWnd, frame::kTimerNetworkWatch, frame::kNetworkWatchPeriodMs, nullptr);
    m_busyCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32650) /* IDC_APPSTARTING */);
    LayoutFrame();
    return true;
}

void CMainFrame::PlaceWindow() {
    int stored[4] = {-1, -1, -1, -1};
    const char* keys[4] = {"left", "top", "right", "bottom"};
    if (IConfigManager* config = AfxGetConfigManager()) {
        for (int i = 0; i < 4; ++i) config->GetInt(frame::kRectSection, keys[i], stored[i], -1);
    }
    const RECT wanted = {stored[0], stored[1], stored[2], stored[3]};
    const RECT r = FitWindowRect(wanted, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void CMainFrame::CreateBars() {
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    m_reBar = ui::CReBarCtrl(::CreateWindowExW(
        WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
        0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FRAME_REBAR)), module, nullptr));

    HMENU menu = ::GetMenu(m_hWnd);
    m_commandBar.Create(m_hWnd, m_reBar, IDC_FRAME_MENUBAR);
    if (menu) {
        ::SetMenu(m_hWnd, nullptr);
        m_commandBar.AttachMenu(menu);
    }
    static const UINT kImageCommands[] = {ID_NAV_BACK, ID_NAV_FORWARD, ID_NAV_UP, ID_VIEW_REFRESH, 0};
    m_commandBar.LoadImages(IDR_MENUBAR_IMAGES, kImageCommands);

    m_toolBar = ui::CToolBarCtrl(::CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
            CCS_NORESIZE | CCS_NOPARENTALIGN,
        0, 0, 0, 0, m_reBar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FRAME_TOOLBAR)), module, nullptr));
    m_toolBar.SetButtonStructSize();
    m_toolBar.Send(TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_DRAWDDARROWS);
    HIMAGELIST images = ::ImageList_LoadImageW(module, MAKEINTRESOURCEW(IDR_MENUBAR_IMAGES), 16, 0, RGB(255, 0, 255),
                                               IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (images) m_toolBar.SetImageList(images);
    struct Button {
        int command;
        const char* text;
        BYTE style;
    };
    const Button buttons[] = {{ID_NAV_BACK, "后退", BTNS_DROPDOWN | BTNS_SHOWTEXT},
                              {ID_NAV_FORWARD, "前进", BTNS_SHOWTEXT},
                              {ID_NAV_UP, "向上", BTNS_SHOWTEXT},
                              {ID_VIEW_REFRESH, "刷新", BTNS_SHOWTEXT}};
    int image = 0;
    for (const Button& b : buttons) {
        TBBUTTON button = {};
        button.iBitmap = image++;
        button.idCommand = b.command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_AUTOSIZE | b.style);
        button.iString = m_toolBar.AddString(b.text);
        m_toolBar.AddButtons(1, &button);
    }
    m_toolBar.AutoSize();

    m_searchInput.Create(m_reBar, IDC_FRAME_SEARCH, static_cast<IFolderAction*>(this));

    const DWORD size = m_toolBar.GetButtonSize();
    const int height = std::max<int>(HIWORD(size), 22);
    m_reBar.AddBand(m_commandBar, 0, height, 0, RBBS_NOGRIPPER | RBBS_BREAK);
    m_reBar.AddBand(m_toolBar, frame::kToolbarBandWidth, height, frame::kToolbarBandWidth, RBBS_NOGRIPPER | RBBS_BREAK);
    m_reBar.AddBand(m_searchInput, 100, CSearchInput::kHeight, frame::kSearchBandWidth, RBBS_NOGRIPPER);
}

void CMainFrame::CreateStatusBar() {
    m_statusBar = ui::CStatusBarCtrl(::CreateWindowExW(
        0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FRAME_STATUS)), ::GetModuleHandleW(nullptr), nullptr));
}

void CMainFrame::LayoutFrame() {
    if (!m_hWnd) return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int top = 0, bottom = client.bottom;
    if (m_reBar.IsWindow() && m_reBar.IsVisible()) {
        m_reBar.Send(WM_SIZE, 0, 0);
        RECT r;
        ::GetWindowRect(m_reBar, &r);
        top = r.bottom - r.top;
    }
    if (m_statusBar.IsWindow() && m_statusBar.IsVisible()) {
        m_statusBar.Send(WM_SIZE, 0, 0);
        RECT r;
        ::GetWindowRect(m_statusBar, &r);
        bottom -= r.bottom - r.top;
        // Default pane, pane 32777 and the image pane 32778 at the right.
        const int edges[3] = {std::max<int>(client.right - 260, 100), std::max<int>(client.right - 60, 160), -1};
        m_statusBar.SetParts(3, edges);
    }
    if (m_splitter.IsWindow())
        ::MoveWindow(m_splitter, 0, top, client.right, std::max(0, bottom - top), TRUE);
}

void CMainFrame::OnSize(UINT, int, int) {
    LayoutFrame();
}

void CMainFrame::OnSetFocus(HWND) {
    // The tree shows the current list only while it has the focus.
    if (m_tree.IsWindow()) ::SetFocus(m_tree);
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = frame::kMinTrackWidth;
    info->ptMinTrackSize.y = frame::kMinTrackHeight;
}

LRESULT CMainFrame::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<HWND>(wp), reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE && m_useTrayIcon) {
            ::ShowWindow(m_hWnd, SW_MINIMIZE);
            ::ShowWindow(m_hWnd, SW_HIDE);
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (m_busy && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(m_busyCursor);
            return TRUE;
        }
        break;
    case frame::kMsgTrayCallback:
        OnTrayCallback(lp);
        return 0;
    case frame::kMsgOpenTreePath:
        if (wp) OpenTreePath(*reinterpret_cast<const std::vector<uint32_t>*>(wp));
        return 0;
    case frame::kMsgSearchSummary:
        return OnSearchSummary(reinterpret_cast<frame::SearchSummary*>(lp));
    case frame::kMsgViewChanged:
        RefreshStatusText();
        return 0;
    default:
        break;
    }
    return ui::CWindowBase::WndProc(msg, wp, lp);
}

LRESULT CMainFrame::OnCopyData(HWND, const COPYDATASTRUCT* data) {
    if (!data || data->dwData != frame::kCopyDataForwardId || !data->lpData || data->cbData == 0) return 0;
    const std::string line = ForwardedLine(data->lpData, data->cbData);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "OnCopyData", "%s", line.c_str());
    if (line.find(frame::kShowIt) != std::string::npos) {
        BringToFront();
        return 1;
    }
    m_commandLine = CCommandLine(line);
    ::SetTimer(m_hWnd, frame::kTimerForwarded, frame::kForwardedDelayMs, nullptr);
    return 1;
}

void CMainFrame::OnForwardedCommandLine() {
    const std::vector<uint32_t> ids = m_commandLine.GoPath();
    if (!ids.empty()) ::SendMessageW(m_hWnd, frame::kMsgOpenTreePath, reinterpret_cast<WPARAM>(&ids), 0);
    std::string id;
    if (m_commandLine.PlayIco(id) && !id.empty()) {
        std::string path;
        if (IVxMdInterface* bridge = Bridge()) bridge->GetPlayerPath(path, 1);
    }
}

void CMainFrame::BringToFront() {
    utility::ForceBringToTop(m_hWnd);
    if (!::IsWindowVisible(m_hWnd) || ::IsIconic(m_hWnd))
        ::ShowWindow(m_hWnd, SW_RESTORE);
    else
        ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

void CMainFrame::OnTrayCallback(LPARAM event) {
    switch (event) {
    case WM_LBUTTONDOWN:
        m_trayDoubleClick = false;
        break;
    case WM_LBUTTONUP:
        m_trayDoubleClick = false;
        m_trayMenuPending = false;
        ::SetTimer(m_hWnd, frame::kTimerTrayClick, ::GetDoubleClickTime() / 3, nullptr);
        break;
    case WM_RBUTTONUP:
        m_trayDoubleClick = false;
        m_trayMenuPending = true;
        ::SetTimer(m_hWnd, frame::kTimerTrayClick, ::GetDoubleClickTime() / 3, nullptr);
        break;
    case WM_LBUTTONDBLCLK:
        m_trayDoubleClick = true;
        break;
    default:
        break;
    }
}

void CMainFrame::OnTrayClickTimer() {
    if (m_trayMenuPending) {
        HMENU menu = ::CreatePopupMenu();
        ::AppendMenuW(menu, MF_STRING, ID_TRAY_OPEN, Charset::String2WString(std::string("打开") + kProductDisplayName).c_str());
        ::AppendMenuW(menu, MF_STRING, ID_TRAY_EXIT, Charset::String2WString("退出").c_str());
        POINT pt;
        ::GetCursorPos(&pt);
        ::SetForegroundWindow(m_hWnd);
        const UINT chosen = ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, m_hWnd, nullptr);
        ::DestroyMenu(menu);
        if (chosen == ID_TRAY_OPEN) BringToFront();
        if (chosen == ID_TRAY_EXIT) ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    if (::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd))
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else
        BringToFront();
}

void CMainFrame::OnTimer(UINT_PTR id) {
    switch (id) {
    case frame::kTimerTrayClick:
        ::KillTimer(m_hWnd, id);
        OnTrayClickTimer();
        break;
    case frame::kTimerForwarded:
        ::KillTimer(m_hWnd, id);
        OnForwardedCommandLine();
        break;
    case frame::kTimerSendInfo:
        ::KillTimer(m_hWnd, id);
        CSendInfoEveryDay::SendInfo();
        break;
    case frame::kTimerUpdateMelodisk:
        ::KillTimer(m_hWnd, id);
        Update::UpdateMelodisk();
        break;
    case frame::kTimerUpdatePlaydeck:
        ::KillTimer(m_hWnd, id);
        Update::UpdatePlaydeck();
        break;
    case frame::kTimerNetworkWatch:
        OnNetworkWatch();
        break;
    default:
        break;
    }
}

void CMainFrame::OnNetworkWatch() {
    const int alive = QueryNetworkAlive();
    if (alive == m_networkAlive) return;
    const bool first = m_networkAlive == -1;
    m_networkAlive = alive;
    if (first) return;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "NetworkWatch", "alive %d", alive);
    if (m_requestId != -1 && m_netSong) {
        CancelCurrentRequest();
        SetBusy(false);
    }
    if (alive) {
        Reload();
    } else if (CVxMdContainer::ViewHasWeb(m_container.CurrentView()) && m_container.CurrentPage() != frame::kPageAlbum &&
               m_container.CurrentPage() != frame::kPageSearchPreview) {
        m_container.ShowPage(frame::kPageErrorFail, true);
        m_container.ShowView(frame::kViewWeb);
    }
}

void CMainFrame::SetBusy(bool busy) {
    m_busy = busy;
    POINT pt;
    ::GetCursorPos(&pt);
    ::SetCursorPos(pt.x, pt.y);  // lets WM_SETCURSOR pick the new cursor now
}

bool CMainFrame::PreTranslateMessage(MSG* msg) {
    if (m_commandBar.PreTranslateMessage(msg)) return true;
    // Ctrl+A and the like belong to the search field while it is typed in, not to the list.
    if (msg->hwnd && msg->hwnd == m_searchInput.FieldHwnd()) return false;
    if (m_accelerators && m_hWnd && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg)) return true;
    return false;
}

void CMainFrame::OnIdle() {
    m_updateUi.Enable(ID_NAV_BACK, m_history.CanGoBack());
    m_updateUi.Enable(ID_NAV_FORWARD, m_history.CanGoForward());
    const HistoryEntry* current = m_history.Current();
    m_updateUi.Enable(ID_NAV_UP, current && !current->isSearch && current->list && current->list->GetParent() &&
                                     current->list->GetParent() != m_rootCopy.get());
    m_updateUi.Enable(ID_VIEW_REFRESH, m_requestId == -1);
    m_updateUi.OnIdle();
}

void CMainFrame::OnInitMenuPopup(HMENU popup, int, bool windowMenu) {
    if (windowMenu) return;
    OnIdle();
    m_updateUi.UpdateMenu(popup);
    UpdateFolderMenu(popup);
}

bool CMainFrame::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_CONTAINER_LETTERS:
        OpenLetterList(static_cast<char>(code));
        return true;
    case ID_APP_EXIT:
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return true;
    case ID_VIEW_TOOLBAR: {
        const bool show = !m_toolBar.IsVisible();
        m_reBar.Send(RB_SHOWBAND, 1, show ? TRUE : FALSE);
        m_updateUi.SetCheck(ID_VIEW_TOOLBAR, show);
        LayoutFrame();
        return true;
    }
    case ID_VIEW_STATUS_BAR: {
        const bool show = !m_statusBar.IsVisible();
        m_statusBar.Show(show);
        m_updateUi.SetCheck(ID_VIEW_STATUS_BAR, show);
        LayoutFrame();
        return true;
    }
    case ID_APP_ABOUT: {
        CAboutDlg about;
        about.DoModal(m_hWnd);
        return true;
    }
    case ID_NAV_BACK:
        GoBack();
        return true;
    case ID_NAV_FORWARD:
        GoForward();
        return true;
    case ID_NAV_UP:
        GoUp();
        return true;
    default:
        return OnFolderCommand(id);
    }
}

bool CMainFrame::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (header->hwndFrom == m_toolBar && header->code == TBN_DROPDOWN) {
        // The back button's drop-down: the earlier places the jump commands reach.
        HMENU menu = ::CreatePopupMenu();
        const auto& back = m_history.BackEntries();
        for (size_t step = 1; step <= ID_HISTORY_JUMP0 - ID_HISTORY_JUMP3 && step < back.size(); ++step) {
            const HistoryEntry& entry = back[back.size() - 1 - step];
            std::string text = entry.isSearch ? entry.param.strKey : (entry.list ? entry.list->GetShowName() : "");
            ::AppendMenuW(menu, MF_STRING, ID_HISTORY_JUMP0 - step, Charset::String2WString(text).c_str());
        }
        RECT r;
        m_toolBar.GetItemRect(m_toolBar.CommandToIndex(ID_NAV_BACK), r);
        ::MapWindowPoints(m_toolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
        const UINT chosen = ::GetMenuItemCount(menu) > 0
                                ? ::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN, r.left, r.bottom, m_hWnd, nullptr)
                                : 0;
        ::DestroyMenu(menu);
        if (chosen) OnFolderCommand(static_cast<int>(chosen));
        result = TBDDRET_DEFAULT;
        return true;
    }
    if (header->hwndFrom != m_tree) return false;
    (void)id;
    switch (header->code) {
    case TVN_SELCHANGINGW:
    case TVN_SELCHANGINGA: {
        auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
        // The tree selects its first item by itself when it gets the focus: not a choice.
        result = (tv->action == 0x1000 && !tv->itemOld.hItem) ? TRUE : FALSE;
        return true;
    }
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA: {
        auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
        if (CSongListBase* list = TreeItemList(tv->itemNew.hItem)) OpenListInFrame(list, frame::kOriginTree, false);
        return true;
    }
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
        auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
        HTREEITEM item = tv->itemNew.hItem;
        if (tv->action == TVE_EXPAND && !m_tree.GetChildItem(item) &&
            std::find(m_filledItems.begin(), m_filledItems.end(), item) == m_filledItems.end()) {
            m_filledItems.push_back(item);
            HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /* IDC_WAIT */));
            InsertChildren(item, TreeItemList(item), 1);
            ::SetCursor(previous);
        }
        result = FALSE;
        return true;
    }
    case NM_RCLICK: {
        POINT screen;
        ::GetCursorPos(&screen);
        POINT client = screen;
        ::ScreenToClient(m_tree, &client);
        UINT flags = 0;
        HTREEITEM item = m_tree.HitTest(client, &flags);
        if (item && (flags & TVHT_ONITEMLABEL)) TreeContextMenu(screen.x, screen.y, item);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

void CMainFrame::OnClose() {
    RECT r;
    if (::GetWindowRect(m_hWnd, &r) && !::IsIconic(m_hWnd)) {
        if (IConfigManager* config = AfxGetConfigManager()) {
            config->SetInt(frame::kRectSection, "left", r.left);
            config->SetInt(frame::kRectSection, "top", r.top);
            config->SetInt(frame::kRectSection, "right", r.right);
            config->SetInt(frame::kRectSection, "bottom", r.bottom);
        }
    }
    DestroyWindow();
}

void CMainFrame::OnDestroy() {
    if (m_loop) {
        m_loop->RemoveMessageFilter(this);
        m_loop->RemoveIdleHandler(this);
        m_loop = nullptr;
    }
    m_updateUi.RemoveToolBar(m_toolBar);
    if (IMessageManager* messages = AfxGetMessageManager()) {
        messages->Unregister(kSearchProxyChannel, static_cast<ISearchProxyObserver*>(this));
        messages->Unregister(kNetSongChannel, static_cast<INetSongDataObserver*>(this));
    }
    CancelCurrentRequest();
    ReportView().DeleteAllRows();
    m_history.Clear();
    ClearResults();
    m_albumAnswer.reset();
    m_albumAnswerList.reset();
    m_videoAnswer.reset();
    m_videoAnswerList.reset();
    CSendInfoEveryDay::Release();
    if (m_tree.IsWindow()) {
        m_tree.DeleteAllItems();
        m_tree.SetImageList(nullptr);
    }
    m_rootCopy.reset();
    if (m_container.IsWindow()) {
        if (IConfigManager* config = AfxGetConfigManager()) ReportView().SaveColumnWidths(*config);
    }
    m_trayIcon.Remove();
    Update::InstallNewVersionMelodisk();
    if (g_sharedMainWindow == m_hWnd) g_sharedMainWindow = nullptr;
    ::PostQuitMessage(0);
}

void CMainFrame::ShowSelectedCount(int selected) {
    if (selected > 0)
        m_statusBar.SetPaneText(0, StringUtility::Format(frame::kStatusSelected, selected));
    else
        RefreshStatusText();
}

void CMainFrame::RefreshStatusText() {
    if (!m_statusBar.IsWindow()) return;
    const int view = m_container.CurrentView();
    // Rows still selected keep their count (a late answer must not replace it).
    if (CVxMdContainer::ViewHasList(view)) {
        const int selected = ReportView().GetSelectedCount();
        if (selected > 0) {
            m_statusBar.SetPaneText(0, StringUtility::Format(frame::kStatusSelected, selected));
            return;
        }
    }
    // The same count as the result tabs, so the status and "视频(%d)" agree.
    const int videos = VideoAnswerCount();
    int count = 0;
    if (view == frame::kViewSearchAll) {
        count = ReportView().GetRowCount() + videos;
    } else if (view == frame::kViewSearchVideo || view == frame::kViewSearchOnlyVideo) {
        count = videos;
    } else {
        count = ReportView().GetRowCount();
        const HistoryEntry* current = m_history.Current();
        if (count == 0 && current && current->list)
            count = static_cast<int>(current->list->GetChildrenVector().size() + current->list->GetSongInfoVector().size());
    }
    m_statusBar.SetPaneText(0, StringUtility::Format(frame::kStatusObjects, count));
}
