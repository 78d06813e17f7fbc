#include "ContainerWin.h"

#include <commctrl.h>

#include <algorithm>

#include "HtmlViewWin.h"
#include "NavigateBarsWin.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"

namespace {

const char kLogFile[] = "container.log";
const char kBlankPage[] = "about:blank";
const char kWebResFolder[] = "webres/";

enum Part { kNav = 1, kVideo = 2, kTabs = 4, kLetters = 8, kWeb = 16, kList = 32 };

// Indexed by frame::View.
const int kViewParts[frame::kViewNone] = {
    kWeb,                                 // 0 index page
    kNav | kList,                         // 1 list
    kNav | kWeb,                          // 2 web page
    kNav | kLetters | kWeb,               // 3 artist page
    kTabs | kNav | kVideo | kWeb | kList, // 4 all results
    kTabs | kNav | kList,                 // 5 music results
    kTabs | kVideo | kWeb,                // 6 video results
    kNav | kList,                         // 7 list
    kVideo | kWeb,                        // 8 videos only
};

int PartsOf(int view) { return view >= 0 && view < frame::kViewNone ? kViewParts[view] : 0; }

void Place(HWND hwnd, bool show, const RECT& r) {
    if (!hwnd) return;
    if (!show) {
        if (::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_HIDE);
        return;
    }
    ::SetWindowPos(hwnd, nullptr, r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

}  // namespace

CVxMdContainer::CVxMdContainer()
    : m_htmlView(new CVxMdHtmlView),
      m_navigateBar(new CNavigateBarEx),
      m_resultTabs(new CNavigateBarTab),
      m_letterBar(new CAZNavBarEx),
      m_videoBar(new CVideoBar) {}

CVxMdContainer::~CVxMdContainer() {
    // Children go while their objects are still there.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

HWND CVxMdContainer::Create(HWND parent, const RECT& rect, UINT id) {
    if (!RegisterWindowClass(frame::kContainerClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return nullptr;
    return CWindowBase::Create(frame::kContainerClass, parent, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                               0, &rect, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool CVxMdContainer::OnCreate(CREATESTRUCTW* /*create*/) {
    RECT none{0, 0, 0, 0};
    if (!m_reportView.Create(m_hWnd, none, IDC_CONTAINER_LIST) || !m_htmlView->Create(m_hWnd, none, IDC_CONTAINER_WEB) ||
        !m_navigateBar->Create(m_hWnd, none, IDC_CONTAINER_NAVBAR) ||
        !m_resultTabs->Create(m_hWnd, none, IDC_CONTAINER_TABS) ||
        !m_letterBar->Create(m_hWnd, none, IDC_CONTAINER_LETTERS) ||
        !m_videoBar->Create(m_hWnd, none, IDC_CONTAINER_VIDEOBAR)) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "OnCreate", "a child window failed: error %lu", ::GetLastError());
        return false;
    }
    // Nothing shows before the first view.
    m_reportView.Show(false);
    ::ShowWindow(m_htmlView->GetHwnd(), SW_HIDE);
    return true;
}

bool CVxMdContainer::ViewHasList(int view) { return (PartsOf(view) & kList) != 0; }

bool CVxMdContainer::ViewHasWeb(int view) { return (PartsOf(view) & kWeb) != 0; }

void CVxMdContainer::ShowView(int view) {
    if (view < 0 || view >= frame::kViewNone) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ShowView", "no view %d", view);
        return;
    }
    int old = m_view;
    m_view = view;
    if (view == frame::kViewSearchAll) SetResultTab(13);
    if (view == frame::kViewSearchMusic) SetResultTab(14);
    if (view == frame::kViewSearchVideo) SetResultTab(15);
    Layout();
    if (view == frame::kViewSearchAll || view == frame::kViewSearchMusic || view == frame::kViewSearchVideo)
        ShowSearchSummary(view, old != view);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    // The frame may hold the container inside a splitter: the top-level window is told.
    ::SendMessageW(::GetAncestor(m_hWnd, GA_ROOT), frame::kMsgViewChanged, static_cast<WPARAM>(old), static_cast<LPARAM>(view));
}

void CVxMdContainer::ShowSearchSummary(int view, bool enteredAnew) {
    frame::SearchSummary summary{view, enteredAnew, 0, 0};
    if (!::SendMessageW(::GetAncestor(m_hWnd, GA_ROOT), frame::kMsgSearchSummary, 0, reinterpret_cast<LPARAM>(&summary)))
        return;
    m_resultTabs->SetCounts(summary.songs, summary.videos);
    // The links lead from the preview (view 4) to the view that shows all; the list of view 4 is
    // short, so the songs' link shows when they do not all fit in it.
    const int visibleRows = static_cast<int>(m_reportView.Send(LVM_GETCOUNTPERPAGE));
    const bool preview = view == frame::kViewSearchAll;
    m_navigateBar->SetBarText(StringUtility::Format(frame::kStatusFound, summary.songs));
    m_navigateBar->SetLink(preview && visibleRows < summary.songs ? frame::kSeeMore : "");
    m_videoBar->SetBarText(StringUtility::Format(frame::kStatusFoundVideos, summary.videos));
    m_videoBar->SetLink(preview && summary.videos > frame::kPreviewVideos ? frame::kSeeMore : "");
}

void CVxMdContainer::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) { Layout(); }

void CVxMdContainer::Layout() {
    if (!m_hWnd) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int cx = client.right, cy = client.bottom;
    const int parts = PartsOf(m_view);

    // Hidden first, so that nothing shows at its old place while the others move.
    struct Child {
        HWND hwnd;
        int part;
    };
    const Child children[] = {{m_resultTabs->GetHwnd(), kTabs}, {m_navigateBar->GetHwnd(), kNav},
                              {m_letterBar->GetHwnd(), kLetters}, {m_videoBar->GetHwnd(), kVideo},
                              {m_htmlView->GetHwnd(), kWeb}, {m_reportView.GetHwnd(), kList}};
    for (const Child& child : children)
        if (!(parts & child.part)) Place(child.hwnd, false, RECT{});

    int top = 0;
    auto stackBar = [&](HWND hwnd, int part) {
        if (!(parts & part)) return;
        Place(hwnd, true, RECT{0, top, cx, top + kBarHeight});
        top += kBarHeight;
    };
    stackBar(m_resultTabs->GetHwnd(), kTabs);
    stackBar(m_navigateBar->GetHwnd(), kNav);
    stackBar(m_letterBar->GetHwnd(), kLetters);

    if ((parts & kList) && (parts & kWeb)) {
        // When short of room the list gives way first; the video bar keeps its height.
        int webTop = std::max(top + ((parts & kVideo) ? kBarHeight : 0), cy - kSearchAllWebHeight);
        int barTop = webTop - ((parts & kVideo) ? kBarHeight : 0);
        Place(m_reportView, true, RECT{kContentInset, top, cx, barTop});
        if (parts & kVideo) Place(m_videoBar->GetHwnd(), true, RECT{0, barTop, cx, webTop});
        Place(m_htmlView->GetHwnd(), true, RECT{kContentInset, webTop, cx, std::max(webTop, cy)});
        return;
    }
    stackBar(m_videoBar->GetHwnd(), kVideo);
    RECT content{kContentInset, top, cx, std::max(top, cy)};
    if (parts & kList) Place(m_reportView, true, content);
    if (parts & kWeb) Place(m_htmlView->GetHwnd(), true, content);
}

void CVxMdContainer::OnSetFocus(HWND /*previous*/) {
    if (ViewHasList(m_view)) ::SetFocus(m_reportView);
    else if (ViewHasWeb(m_view)) ::SetFocus(m_htmlView->GetHwnd());
}

const char* CVxMdContainer::PageFileName(int page) {
    static const char* const files[] = {"Loading.html", "error_404.html", "error_fail.html",
                                        "album.html",   "search_preview.html", "noResult.html"};
    return page >= 0 && page < static_cast<int>(sizeof(files) / sizeof(files[0])) ? files[page] : nullptr;
}

std::string CVxMdContainer::PageAddress(int page) {
    const char* file = PageFileName(page);
    if (!file) return kBlankPage;
    std::string folder;
    if (!Dir::GetVxPath(PATH_PROGRAM, folder))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "PageAddress", "no program folder");
    return folder + kWebResFolder + file;
}

void CVxMdContainer::ShowPage(int page, bool reload) {
    if (page < 0) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ShowPage", "no page %d", page);
        return;
    }
    if (page != m_page) {
        m_page = page;
        ++m_pageLoads;
        m_htmlView->NavigateTo(PageAddress(page));
    } else if (reload) {
        ++m_pageLoads;
        m_htmlView->Reload();
    }
}

std::string CVxMdContainer::ListPageAddress(const std::string& pageName) {
    std::string folder;
    if (!Dir::GetVxPath(PATH_PROGRAM, folder))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ListPageAddress", "no program folder");
    return folder + kWebResFolder + pageName + ".html";
}

void CVxMdContainer::ShowListPage(const std::string& pageName) {
    // No numbered page is current any more: the next ShowPage loads whatever its number.
    m_page = -1;
    ++m_pageLoads;
    m_htmlView->NavigateTo(ListPageAddress(pageName));
}

std::string CVxMdContainer::WebAreaText() const { return m_htmlView->RequestedAddress(); }

void CVxMdContainer::StopPage() { m_htmlView->Stop(); }

void CVxMdContainer::CallPageScript(const std::string& function, const std::vector<std::string>& arguments) {
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) wide.push_back(Charset::String2WString(argument));
    m_htmlView->CallScript(function, wide);
}

void CVxMdContainer::CallPageScriptUtf8(const std::string& function, const std::vector<std::string>& arguments) {
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) wide.push_back(Charset::UTF8ToUnicode(argument));
    m_htmlView->CallScript(function, wide);
}

void CVxMdContainer::SetNavigationText(const std::string& gbk) { m_navigateBar->SetBarText(gbk); }

std::string CVxMdContainer::NavigationText() const { return m_navigateBar->BarText(); }

void CVxMdContainer::SetVideoSummary(const std::string& gbk) { m_videoBar->SetBarText(gbk); }

int CVxMdContainer::ViewForResultTab(int tab) {
    switch (CNavigateBarTab::VisibleTab(tab)) {
    case 13: return frame::kViewSearchAll;
    case 14: return frame::kViewSearchMusic;
    case 15: return frame::kViewSearchVideo;
    default: return -1;
    }
}

void CVxMdContainer::SetResultTab(int tab) {
    if (ViewForResultTab(tab) < 0) return;
    m_resultTab = tab;
    m_resultTabs->SetSelected(tab);
}

bool CVxMdContainer::OnCommand(int id, int code, HWND control) {
    if (id == IDC_CONTAINER_LETTERS) {
        // Which list a letter opens is the frame's business.
        ::SendMessageW(::GetAncestor(m_hWnd, GA_ROOT), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
        return true;
    }
    if (code == CNavigateBarEx::kLinkClicked && (id == IDC_CONTAINER_NAVBAR || id == IDC_CONTAINER_VIDEOBAR)) {
        ShowView(id == IDC_CONTAINER_NAVBAR ? frame::kViewSearchMusic : frame::kViewSearchVideo);
        return true;
    }
    if (id != IDC_CONTAINER_TABS) return false;
    int view = ViewForResultTab(code);
    if (view < 0) return false;
    SetResultTab(code);
    ShowView(view);
    return true;
}

LRESULT CVxMdContainer::WndProc(UINT msg, WPARAM wp, LPARAM lp) { return CWindowBase::WndProc(msg, wp, lp); }
