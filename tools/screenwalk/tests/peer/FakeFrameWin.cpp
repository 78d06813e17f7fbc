// A main window as the screen walker sees it, for the walker's tests: the frame, splitter and
// container classes with the tree, song list and status bar ids of the real one. The tree shows
// "正在加载..." until a timer builds the top level; choosing a chart fills the list a moment later,
// choosing anything else leaves it empty. The first top-level list is opened when the tree is built,
// as the real frame does, so the list already has rows before the walker picks a chart. Typing in
// the search field shows a popup of suggestions; Enter hides it and shows the result tabs and rows.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "FrameConstants.h"
#include "resource.h"

namespace {

const UINT_PTR kBuildTreeTimer = 1;
const UINT_PTR kFillListTimer = 2;
const UINT kDelayMs = 300;

HWND g_tree, g_list, g_status, g_popup, g_tabs;
HTREEITEM g_charts;
int g_pendingRows;

std::wstring Gbk(const char* text) {
    wchar_t buf[256] = L"";
    MultiByteToWideChar(936, 0, text, -1, buf, 256);
    return buf;
}

HTREEITEM Insert(HTREEITEM parent, const std::wstring& text) {
    TVINSERTSTRUCTW ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<wchar_t*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(SendMessageW(g_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

void FillList(int rows, const wchar_t* prefix) {
    SendMessageW(g_list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < rows; ++i) {
        std::wstring song = std::wstring(prefix) + std::to_wstring(i + 1), singer = L"歌手" + std::to_wstring(i + 1);
        LVITEMW lv = {};
        lv.mask = LVIF_TEXT | LVIF_PARAM;
        lv.iItem = i;
        lv.lParam = 1000 + i;
        lv.pszText = const_cast<wchar_t*>(song.c_str());
        SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv));
        lv.mask = LVIF_TEXT;
        lv.iSubItem = 1;
        lv.pszText = const_cast<wchar_t*>(singer.c_str());
        SendMessageW(g_list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&lv));
    }
    std::wstring status = L" " + std::to_wstring(rows) + L" 个对象";
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
}

void BuildTree(HWND frame) {
    SendMessageW(g_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    HTREEITEM first = Insert(TVI_ROOT, L"Vx音乐网盘");
    g_charts = Insert(TVI_ROOT, L"排行榜");
    Insert(g_charts, L"新歌榜");
    Insert(g_charts, L"热歌榜");
    HTREEITEM singers = Insert(TVI_ROOT, L"歌手库");
    Insert(singers, L"港台男歌手");
    for (const wchar_t* name : {L"精选MV与专辑", L"视频", L"每周推荐"}) Insert(TVI_ROOT, name);
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Gbk(frame::kLoadComplete).c_str()));
    SendMessageW(g_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
}

LRESULT CALLBACK SearchEditProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHAR) {
        wchar_t text[64] = L"";
        GetWindowTextW(window, text, 60);
        std::wstring typed = std::wstring(text) + static_cast<wchar_t>(wp);
        SetWindowTextW(window, typed.c_str());
        SetWindowTextW(g_popup, (typed + L"a\t约3首\n" + typed + L"b\t约2首").c_str());
        ShowWindow(g_popup, SW_SHOWNOACTIVATE);
        return 0;
    }
    if (msg == WM_KEYDOWN && wp == VK_RETURN) {
        ShowWindow(g_popup, SW_HIDE);
        SetWindowTextW(g_tabs, L"全部(4)|音乐(4)|视频(0)");
        ShowWindow(g_tabs, SW_SHOW);
        FillList(4, L"搜索");
        return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK ForwardNotifyProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) return SendMessageW(GetParent(window), msg, wp, lp);
    return DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK FrameProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        KillTimer(window, wp);
        if (wp == kBuildTreeTimer) BuildTree(window);
        if (wp == kFillListTimer) FillList(g_pendingRows, L"歌曲");
        return 0;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lp);
        if (header->hwndFrom == g_tree && (header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA)) {
            HTREEITEM item = reinterpret_cast<NMTREEVIEWW*>(lp)->itemNew.hItem;
            HTREEITEM parent = TreeView_GetParent(g_tree, item);
            bool chart = parent && parent == g_charts;
            bool first = !parent && item == TreeView_GetRoot(g_tree);
            FillList(0, L"");
            g_pendingRows = chart ? 5 : first ? 3 : 0;
            if (g_pendingRows) SetTimer(window, kFillListTimer, kDelayMs, nullptr);
        }
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

void Register(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    Register(frame::kFrameClass, FrameProc);
    Register(frame::kSplitterClass, ForwardNotifyProc);
    Register(frame::kContainerClass, ForwardNotifyProc);
    Register(L"CSearchEdit", SearchEditProc);
    Register(L"CSearchPopupDlg", DefWindowProcW);
    Register(L"VxMd_NavigateBarTab", DefWindowProcW);
    HWND frameWindow = CreateWindowExW(0, frame::kFrameClass, L"Fake frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                       800, 600, nullptr, nullptr, instance, nullptr);
    HWND splitter = CreateWindowExW(0, frame::kSplitterClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 560, frameWindow,
                                    reinterpret_cast<HMENU>(IDC_FRAME_SPLITTER), instance, nullptr);
    g_tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_SHOWSELALWAYS, 0, 0, 200,
                             560, splitter, reinterpret_cast<HMENU>(IDC_FRAME_TREE), instance, nullptr);
    HWND container = CreateWindowExW(0, frame::kContainerClass, L"", WS_CHILD | WS_VISIBLE, 200, 0, 600, 560,
                                     frameWindow, reinterpret_cast<HMENU>(IDC_FRAME_CONTAINER), instance, nullptr);
    g_list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 560, container,
                             reinterpret_cast<HMENU>(IDC_CONTAINER_LIST), instance, nullptr);
    CreateWindowExW(0, L"CSearchEdit", L"", WS_CHILD | WS_VISIBLE, 200, 0, 300, 20, frameWindow,
                    reinterpret_cast<HMENU>(IDC_SEARCH_EDIT), instance, nullptr);
    g_popup = CreateWindowExW(WS_EX_TOOLWINDOW, L"CSearchPopupDlg", L"", WS_POPUP, 200, 20, 300, 100, frameWindow,
                              nullptr, instance, nullptr);
    g_tabs = CreateWindowExW(0, L"VxMd_NavigateBarTab", L"", WS_CHILD, 0, 0, 600, 30, container,
                             reinterpret_cast<HMENU>(IDC_CONTAINER_TABS), instance, nullptr);
    g_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frameWindow,
                               reinterpret_cast<HMENU>(IDC_FRAME_STATUS), instance, nullptr);
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 200;
        col.pszText = const_cast<wchar_t*>(column ? L"歌手" : L"歌曲名");
        SendMessageW(g_list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
    }
    Insert(TVI_ROOT, Gbk(frame::kTreeLoading));
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Gbk(frame::kTreeLoading).c_str()));
    SetTimer(frameWindow, kBuildTreeTimer, kDelayMs, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
