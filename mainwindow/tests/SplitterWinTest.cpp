#include "SplitterWin.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <vector>

#include "FrameConstants.h"

namespace {

class CNotifyHost : public ui::CWindowBase {
public:
    std::vector<UINT_PTR> notifiedIds;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NOTIFY) notifiedIds.push_back(reinterpret_cast<NMHDR*>(lp)->idFrom);
        return CWindowBase::WndProc(msg, wp, lp);
    }
};

class Splitter : public ::testing::Test {
protected:
    void SetUp() override {
        ui::CWindowBase::RegisterWindowClass(L"VxSplitterTestHost");
        RECT frame{0, 0, 1100, 700};
        ASSERT_TRUE(m_host.Create(L"VxSplitterTestHost", nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &frame));
        // Away from the host's corner, so that a pane placed in the wrong coordinates shows.
        RECT rect{20, 10, 820, 610};
        ASSERT_TRUE(m_splitter.Create(m_host, rect, 1));
        // The left pane is the splitter's child, the right one its sibling.
        m_left = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, m_splitter, (HMENU)7, nullptr, nullptr);
        m_right = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, m_host, (HMENU)8, nullptr, nullptr);
        ASSERT_TRUE(m_left && m_right);
        m_splitter.SetPanes(m_left, m_right);
    }

    // The pane's rectangle in the splitter's client coordinates.
    RECT Pane(HWND pane) {
        RECT r{};
        ::GetWindowRect(pane, &r);
        ::MapWindowPoints(nullptr, m_splitter, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void ExpectLayout(int left, int width, int height) {
        RECT l = Pane(m_left), r = Pane(m_right);
        EXPECT_EQ(0, l.left);
        EXPECT_EQ(left, l.right);
        EXPECT_EQ(left + frame::kSplitterBar, r.left);
        EXPECT_EQ(width, r.right);
        EXPECT_EQ(0, l.top);
        EXPECT_EQ(height, l.bottom);
        EXPECT_EQ(0, r.top);
        EXPECT_EQ(height, r.bottom);
    }
    void Mouse(UINT msg, int x) { m_splitter.Send(msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 300)); }

    CNotifyHost m_host;
    CSplitterWindowEx m_splitter;
    HWND m_left = nullptr, m_right = nullptr;
};

TEST_F(Splitter, LeftPaneKeepsItsWidthWhenTheSplitterIsResized) {
    EXPECT_EQ(frame::kSplitterLeftPane, m_splitter.LeftPaneWidth());
    {
        SCOPED_TRACE("start");
        ExpectLayout(206, 800, 600);
    }
    ::SetWindowPos(m_splitter, nullptr, 0, 0, 1000, 500, SWP_NOZORDER | SWP_NOMOVE);
    {
        SCOPED_TRACE("wider");
        ExpectLayout(206, 1000, 500);
    }
    // Narrower than the left pane: squeezed, and back to its width when there is room again.
    ::SetWindowPos(m_splitter, nullptr, 0, 0, 100, 500, SWP_NOZORDER | SWP_NOMOVE);
    {
        SCOPED_TRACE("narrow");
        ExpectLayout(97, 100, 500);
    }
    ::SetWindowPos(m_splitter, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE);
    {
        SCOPED_TRACE("again");
        ExpectLayout(206, 800, 600);
    }
}

TEST_F(Splitter, DraggingTheBarMovesThePanesWithThePointer) {
    // A press beside the bar starts nothing.
    Mouse(WM_LBUTTONDOWN, 100);
    Mouse(WM_MOUSEMOVE, 150);
    Mouse(WM_LBUTTONUP, 150);
    EXPECT_EQ(206, m_splitter.LeftPaneWidth());

    // Grabbed one pixel into the bar: the bar keeps that offset under the pointer.
    Mouse(WM_LBUTTONDOWN, 207);
    EXPECT_EQ(static_cast<HWND>(m_splitter), ::GetCapture());
    Mouse(WM_MOUSEMOVE, 307);
    EXPECT_EQ(306, m_splitter.LeftPaneWidth());
    {
        SCOPED_TRACE("full drag, while moving");
        ExpectLayout(306, 800, 600);
    }
    Mouse(WM_MOUSEMOVE, 5000);
    EXPECT_EQ(797, m_splitter.LeftPaneWidth());
    Mouse(WM_MOUSEMOVE, -50);
    EXPECT_EQ(0, m_splitter.LeftPaneWidth());
    Mouse(WM_MOUSEMOVE, 251);
    Mouse(WM_LBUTTONUP, 251);
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ(250, m_splitter.LeftPaneWidth());
    Mouse(WM_MOUSEMOVE, 400);
    EXPECT_EQ(250, m_splitter.LeftPaneWidth());

    // Without full drag the panes move only when the button is let go.
    m_splitter.SetFullDrag(false);
    Mouse(WM_LBUTTONDOWN, 250);
    Mouse(WM_MOUSEMOVE, 400);
    {
        SCOPED_TRACE("ghost drag, while moving");
        ExpectLayout(250, 800, 600);
    }
    Mouse(WM_LBUTTONUP, 400);
    EXPECT_EQ(400, m_splitter.LeftPaneWidth());
    {
        SCOPED_TRACE("ghost drag, let go");
        ExpectLayout(400, 800, 600);
    }
}

TEST_F(Splitter, NotificationsOfChildPanesReachTheParent) {
    NMHDR header{m_left, 7, NM_CLICK};
    m_splitter.Send(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(std::vector<UINT_PTR>{7}, m_host.notifiedIds);
}

}  // namespace
