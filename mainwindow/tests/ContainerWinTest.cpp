#include "ContainerWin.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <memory>
#include <utility>
#include <vector>

#include "NavigateBarsWin.h"
#include "datadef/SongInfo.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace {

// Records the view changes the container reports to its parent.
class CViewHost : public ui::CWindowBase {
public:
    std::vector<std::pair<int, int>> changes;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == frame::kMsgViewChanged) changes.emplace_back(static_cast<int>(wp), static_cast<int>(lp));
        return CWindowBase::WndProc(msg, wp, lp);
    }
};

struct Box {
    int left, top, right, bottom;
    bool operator==(const Box& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Box& o) const { return !(*this == o); }
};
const Box kHidden{-1, -1, -1, -1};

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "{" << b.left << "," << b.top << "," << b.right << "," << b.bottom << "}";
}

class Container : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        ui::CWindowBase::RegisterWindowClass(L"VxContainerTestHost");
        RECT frame{0, 0, 900, 700};
        ASSERT_TRUE(m_host.Create(L"VxContainerTestHost", nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &frame));
        RECT rect{0, 0, 800, 600};
        ASSERT_TRUE(m_container.Create(m_host, rect, IDC_FRAME_CONTAINER));
    }

    // A child's rectangle in the container, or kHidden when it is not visible.
    Box Child(int id) {
        HWND child = ::GetDlgItem(m_container, id);
        if (!child || !::IsWindowVisible(child)) return kHidden;
        RECT r = ui::CWindow(child).GetRectInParent();
        return Box{r.left, r.top, r.right, r.bottom};
    }

    CViewHost m_host;
    CVxMdContainer m_container;
};

TEST_F(Container, EachViewShowsItsPartsStackedAndInsetAndReportsTheChange) {
    const int ids[] = {IDC_CONTAINER_TABS, IDC_CONTAINER_NAVBAR, IDC_CONTAINER_LETTERS, IDC_CONTAINER_VIDEOBAR,
                       IDC_CONTAINER_LIST, IDC_CONTAINER_WEB};
    const Box H = kHidden;
    // Columns follow `ids`; the container is 800 x 600.
    const Box expected[9][6] = {
        {H, H, H, H, H, {10, 0, 800, 600}},
        {H, {0, 0, 800, 37}, H, H, {10, 37, 800, 600}, H},
        {H, {0, 0, 800, 37}, H, H, H, {10, 37, 800, 600}},
        {H, {0, 0, 800, 37}, {0, 37, 800, 74}, H, H, {10, 74, 800, 600}},
        {{0, 0, 800, 37}, {0, 37, 800, 74}, H, {0, 385, 800, 422}, {10, 74, 800, 385}, {10, 422, 800, 600}},
        {{0, 0, 800, 37}, {0, 37, 800, 74}, H, H, {10, 74, 800, 600}, H},
        {{0, 0, 800, 37}, H, H, {0, 37, 800, 74}, H, {10, 74, 800, 600}},
        {H, {0, 0, 800, 37}, H, H, {10, 37, 800, 600}, H},
        {H, H, H, {0, 0, 800, 37}, H, {10, 37, 800, 600}},
    };
    for (int id : ids) EXPECT_EQ(kHidden, Child(id)) << "before the first view, " << id;
    EXPECT_EQ(frame::kViewNone, m_container.CurrentView());

    // Each view after every other one, so that no part keeps a place from the view before.
    std::vector<std::pair<int, int>> reported;
    int previous = frame::kViewNone;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 9; ++i) {
            int view = pass == 0 ? i : 8 - i;
            m_container.ShowView(view);
            reported.emplace_back(previous, view);
            previous = view;
            EXPECT_EQ(view, m_container.CurrentView());
            for (int c = 0; c < 6; ++c) EXPECT_EQ(expected[view][c], Child(ids[c])) << "view " << view << ", id " << ids[c];
            EXPECT_EQ(Child(IDC_CONTAINER_LIST) != kHidden, CVxMdContainer::ViewHasList(view)) << view;
            EXPECT_EQ(Child(IDC_CONTAINER_WEB) != kHidden, CVxMdContainer::ViewHasWeb(view)) << view;
        }
    }
    EXPECT_EQ(reported, m_host.changes);

    // Resizing keeps view 4's split: web at the bottom, the video bar just above it.
    m_container.ShowView(frame::kViewSearchAll);
    ::SetWindowPos(m_container, nullptr, 0, 0, 700, 500, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ((Box{10, 74, 700, 285}), Child(IDC_CONTAINER_LIST));
    EXPECT_EQ((Box{0, 285, 700, 322}), Child(IDC_CONTAINER_VIDEOBAR));
    EXPECT_EQ((Box{10, 322, 700, 500}), Child(IDC_CONTAINER_WEB));
    // Too short for everything: nothing overlaps the bars above or gets a negative height.
    ::SetWindowPos(m_container, nullptr, 0, 0, 700, 150, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ((Box{10, 74, 700, 74}), Child(IDC_CONTAINER_LIST));
    EXPECT_EQ((Box{0, 74, 700, 111}), Child(IDC_CONTAINER_VIDEOBAR));
    EXPECT_EQ((Box{10, 111, 700, 150}), Child(IDC_CONTAINER_WEB));

    size_t before = m_host.changes.size();
    m_container.ShowView(-1);
    m_container.ShowView(frame::kViewNone);
    EXPECT_EQ(frame::kViewSearchAll, m_container.CurrentView());
    EXPECT_EQ(before, m_host.changes.size());

    // Chinese texts survive the trip through the wide window text.
    m_container.SetNavigationText("您当前所在位置：网络曲库>最近更新");
    EXPECT_EQ("您当前所在位置：网络曲库>最近更新", m_container.NavigationText());
    m_container.SetVideoSummary("共找到 3 个视频");
    EXPECT_EQ("共找到 3 个视频", ui::CWindow(::GetDlgItem(m_container, IDC_CONTAINER_VIDEOBAR)).GetText());
}

TEST_F(Container, ResultTabsFollowTheSearchViewsAndAClickShowsTheTabsView) {
    EXPECT_EQ(frame::kViewSearchAll, CVxMdContainer::ViewForResultTab(13));
    EXPECT_EQ(frame::kViewSearchMusic, CVxMdContainer::ViewForResultTab(14));
    EXPECT_EQ(frame::kViewSearchVideo, CVxMdContainer::ViewForResultTab(15));
    EXPECT_EQ(frame::kViewSearchMusic, CVxMdContainer::ViewForResultTab(16));
    EXPECT_EQ(frame::kViewSearchVideo, CVxMdContainer::ViewForResultTab(17));
    EXPECT_EQ(-1, CVxMdContainer::ViewForResultTab(12));
    EXPECT_EQ(-1, CVxMdContainer::ViewForResultTab(18));

    auto* tabs = static_cast<CNavigateBarTab*>(ui::CWindowBase::FromHandle(::GetDlgItem(m_container, IDC_CONTAINER_TABS)));
    ASSERT_NE(nullptr, tabs);
    m_container.SetResultTab(17);
    EXPECT_EQ(17, m_container.ResultTab());
    EXPECT_EQ(17, tabs->Selected());
    m_container.SetResultTab(12);
    EXPECT_EQ(17, m_container.ResultTab());

    const int views[] = {frame::kViewSearchMusic, frame::kViewSearchAll, frame::kViewSearchVideo};
    const int tabOfView[] = {14, 13, 15};
    for (int i = 0; i < 3; ++i) {
        m_container.ShowView(views[i]);
        EXPECT_EQ(tabOfView[i], m_container.ResultTab()) << views[i];
        EXPECT_EQ(tabOfView[i], tabs->Selected()) << views[i];
    }

    // Clicks in the bar, as the user makes them.
    auto click = [&](int tab) {
        RECT r = CNavigateBarTab::TabRect(tab);
        ::SendMessageW(*tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        ::SendMessageW(*tabs, WM_LBUTTONUP, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    };
    m_host.changes.clear();
    click(14);
    EXPECT_EQ(frame::kViewSearchMusic, m_container.CurrentView());
    EXPECT_EQ(14, m_container.ResultTab());
    click(13);
    EXPECT_EQ(frame::kViewSearchAll, m_container.CurrentView());
    click(15);
    EXPECT_EQ(frame::kViewSearchVideo, m_container.CurrentView());
    EXPECT_EQ(15, m_container.ResultTab());
    EXPECT_EQ((std::vector<std::pair<int, int>>{{6, 5}, {5, 4}, {4, 6}}), m_host.changes);

    // Outside the tabs nothing happens.
    ::SendMessageW(*tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 20));
    EXPECT_EQ(frame::kViewSearchVideo, m_container.CurrentView());
    EXPECT_EQ(3u, m_host.changes.size());
}

TEST_F(Container, PagesLoadOnlyWhenNewOrAskedAndStandForTheirAddresses) {
    std::string folder;
    ASSERT_TRUE(Dir::GetVxPath(PATH_PROGRAM, folder));
    const char* files[] = {"Loading.html", "error_404.html", "error_fail.html", "album.html", "search_preview.html",
                           "noResult.html"};
    for (int page = 0; page < 6; ++page) EXPECT_EQ(folder + "webres/" + files[page], CVxMdContainer::PageAddress(page));
    EXPECT_EQ("about:blank", CVxMdContainer::PageAddress(6));
    EXPECT_EQ("about:blank", CVxMdContainer::PageAddress(100));
    EXPECT_EQ(nullptr, CVxMdContainer::PageFileName(6));

    // The web page is the browser host, and its window text is the address it shows.
    HWND web = ::GetDlgItem(m_container, IDC_CONTAINER_WEB);
    wchar_t className[64] = {};
    ::GetClassNameW(web, className, 64);
    EXPECT_STREQ(L"AtlAxWin90", className);
    auto webText = [&] {
        wchar_t text[1024] = {};
        ::GetWindowTextW(web, text, 1024);
        return Charset::WString2String(text);
    };
    EXPECT_EQ("about:blank", webText());
    EXPECT_EQ(-1, m_container.CurrentPage());
    int loads = m_container.PageLoadCount();

    m_container.ShowPage(frame::kPageAlbum, false);
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    EXPECT_EQ(frame::kPageAlbum, m_container.CurrentPage());
    EXPECT_EQ(CVxMdContainer::PageAddress(3), m_container.WebAreaText());
    EXPECT_EQ(CVxMdContainer::PageAddress(3), webText());

    m_container.ShowPage(frame::kPageAlbum, false);
    EXPECT_EQ(loads, m_container.PageLoadCount());
    m_container.ShowPage(frame::kPageAlbum, true);
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    m_container.ShowPage(frame::kPageLoading, false);
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    EXPECT_EQ(CVxMdContainer::PageAddress(0), m_container.WebAreaText());

    // A list page replaces the numbered page: showing that number again loads it again.
    m_container.ShowListPage("index");
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    EXPECT_EQ(folder + "webres/index.html", m_container.WebAreaText());
    EXPECT_EQ(-1, m_container.CurrentPage());
    m_container.ShowPage(frame::kPageLoading, false);
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    EXPECT_EQ(CVxMdContainer::PageAddress(0), m_container.WebAreaText());

    m_container.ShowPage(7, false);
    EXPECT_EQ("about:blank", m_container.WebAreaText());
    EXPECT_EQ(++loads, m_container.PageLoadCount());
    m_container.ShowPage(-1, true);
    EXPECT_EQ(loads, m_container.PageLoadCount());
    EXPECT_EQ(7, m_container.CurrentPage());
}

TEST_F(Container, ListNotificationsReachTheListThroughTheContainer) {
    m_container.ShowView(frame::kViewList);
    CNetSongInfo b, a;
    b.SetName("b");
    a.SetName("a");
    m_container.ReportView().AddSong(&b);
    m_container.ReportView().AddSong(&a);
    NMLISTVIEW nm{};
    nm.hdr = NMHDR{m_container.ReportView(), IDC_CONTAINER_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
    nm.iItem = -1;
    nm.iSubItem = 0;
    ::SendMessageW(m_container, WM_NOTIFY, IDC_CONTAINER_LIST, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ("a", m_container.ReportView().GetCellText(0, 0));
    EXPECT_EQ("b", m_container.ReportView().GetCellText(1, 0));
    m_container.ReportView().DeleteAllRows();
}

}  // namespace
