#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "UiTestingWin.h"
#include "ui/FrameControls.h"
#include "ui/Subclass.h"
#include "ui/WindowBase.h"

namespace {

class CRecordingWindow : public ui::CWindowBase {
public:
    explicit CRecordingWindow(Events& events) : m_events(events) {}
    bool m_boundAtNcCreate = false;
    bool m_failCreate = false;
    bool m_throwOnCommand = false;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NCCREATE) m_boundAtNcCreate = m_hWnd && FromHandle(m_hWnd) == this;
        return CWindowBase::WndProc(msg, wp, lp);
    }
    bool OnCreate(CREATESTRUCTW*) override { return !m_failCreate; }
    void OnClose() override {
        DestroyWindow();
        m_events.push_back("close returns");
    }
    void OnDestroy() override { m_events.push_back("destroy"); }
    bool OnCommand(int id, int, HWND control) override {
        if (m_throwOnCommand) throw std::runtime_error("handler failed");
        m_events.push_back("command " + std::to_string(id) + (control ? " from control" : ""));
        return true;
    }
    bool OnNotify(int, NMHDR* header, LRESULT&) override {
        m_events.push_back("frame notify " + std::to_string(static_cast<int>(header->code)));
        return false;
    }
    bool OnDrawItem(DRAWITEMSTRUCT*) override {
        m_events.push_back("frame drawitem");
        return false;
    }
    void OnFinalMessage() override { m_events.push_back("final"); }

    Events& m_events;
};

// Deletes itself once its window is gone, as a frame or popup does.
class CSelfDeletingWindow : public CRecordingWindow {
public:
    using CRecordingWindow::CRecordingWindow;

protected:
    void OnFinalMessage() override {
        CRecordingWindow::OnFinalMessage();
        delete this;
    }
};

TEST(WindowBaseTest, ObjectIsBoundFromNcCreateAndReleasedOnceAfterDestruction) {
    Events events;
    CRecordingWindow window(events);
    RECT rect = TestRect();
    HWND hwnd = window.Create(TestClass(), nullptr, "title", WS_OVERLAPPEDWINDOW, 0, &rect);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(window.m_boundAtNcCreate);
    EXPECT_EQ(&window, ui::CWindowBase::FromHandle(hwnd));

    ASSERT_TRUE(window.DestroyWindow());
    EXPECT_EQ((Events{"destroy", "final"}), events);
    EXPECT_EQ(nullptr, window.GetHwnd());
    EXPECT_FALSE(window.DestroyWindow());
    EXPECT_EQ((Events{"destroy", "final"}), events);
}

TEST(WindowBaseTest, WindowDestroyedInsideAHandlerIsReleasedWhenTheHandlerReturns) {
    Events events;
    auto* window = new CSelfDeletingWindow(events);
    HWND hwnd = window->Create(TestClass(), nullptr, "", WS_OVERLAPPEDWINDOW);
    ASSERT_NE(nullptr, hwnd);
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    // The object is deleted only after OnClose has finished with it.
    EXPECT_EQ((Events{"destroy", "close returns", "final"}), events);
}

TEST(WindowBaseTest, CreationRefusedByOnCreateFailsAndReleasesTheObject) {
    Events events;
    CRecordingWindow window(events);
    window.m_failCreate = true;
    EXPECT_EQ(nullptr, window.Create(TestClass(), nullptr, "", WS_OVERLAPPEDWINDOW));
    // A window that never got created is not destroyed (no WM_DESTROY), only released.
    EXPECT_EQ((Events{"final"}), events);
    EXPECT_EQ(nullptr, window.GetHwnd());
}

TEST(WindowBaseTest, ExceptionFromAHandlerStaysInTheWindowProcedure) {
    Events events;
    CRecordingWindow window(events);
    ASSERT_NE(nullptr, window.Create(TestClass(), nullptr, "", WS_OVERLAPPEDWINDOW));
    window.m_throwOnCommand = true;
    window.Send(WM_COMMAND, MAKEWPARAM(100, 0), 0);
    EXPECT_TRUE(window.IsWindow());
    window.m_throwOnCommand = false;
    window.Send(WM_COMMAND, MAKEWPARAM(101, 0), 0);
    EXPECT_EQ((Events{"command 101"}), events);
}

// A list control of ours: answers for itself what its parent is told about it.
class CSelfDrawingList : public ui::CSubclassWindow {
public:
    explicit CSelfDrawingList(Events& events) : m_events(events) {}
    std::vector<int> m_drawnItems;
    int m_itemPrepaints = 0;

protected:
    bool OnReflectedNotify(NMHDR* header, LRESULT& result) override {
        if (header->code == LVN_ITEMCHANGED) {
            auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if (!(change->uNewState & LVIS_SELECTED)) return false;
            m_events.push_back("list selected " + std::to_string(change->iItem));
            return true;
        }
        if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) result = CDRF_NOTIFYITEMDRAW;
            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) ++m_itemPrepaints;
            return true;
        }
        return false;
    }
    bool OnReflectedCommand(int code) override {
        m_events.push_back("list command " + std::to_string(code));
        return true;
    }
    bool OnReflectedDrawItem(DRAWITEMSTRUCT* item) override {
        m_drawnItems.push_back(static_cast<int>(item->itemID));
        return true;
    }

    Events& m_events;
};

struct ReflectionFixture : ::testing::Test {
    Events events;
    CRecordingWindow frame{events};
    CSelfDrawingList list{events};
    ui::CListViewCtrl listCtrl;

    void CreateList(DWORD extraStyle) {
        RECT rect = TestRect();
        ASSERT_NE(nullptr, frame.Create(TestClass(), nullptr, "frame", WS_OVERLAPPEDWINDOW, 0, &rect));
        HWND hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | extraStyle, 0, 0,
                                      300, 200, frame, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_TRUE(list.Subclass(hwnd));
        listCtrl = ui::CListViewCtrl(hwnd);
        ASSERT_EQ(0, listCtrl.InsertColumn(0, "歌曲", 120));
        ASSERT_EQ(0, listCtrl.InsertItem(0, "第一首", 11));
        ASSERT_EQ(1, listCtrl.InsertItem(1, "第二首", 12));
    }
    void Paint() {
        ::ShowWindow(frame, SW_SHOWNOACTIVATE);
        ::InvalidateRect(listCtrl, nullptr, TRUE);
        ::UpdateWindow(listCtrl);
    }
};

TEST_F(ReflectionFixture, NotificationsFromAListOfOursReachTheListAndTheRestTheFrame) {
    ASSERT_NO_FATAL_FAILURE(CreateList(0));
    events.clear();
    ASSERT_TRUE(listCtrl.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(1, listCtrl.GetSelectedIndex());
    // The list handled the change; the question before it, which it left alone, reached the frame.
    EXPECT_EQ((Events{"frame notify " + std::to_string(static_cast<int>(LVN_ITEMCHANGING)), "list selected 1"}), events);
    events.clear();
    listCtrl.InsertItem(2, "第三首");
    EXPECT_EQ((Events{"frame notify " + std::to_string(static_cast<int>(LVN_INSERTITEM))}), events);

    // The list's custom-draw answer reaches the control: it asks for each item then.
    Paint();
    EXPECT_GE(list.m_itemPrepaints, 3);

    events.clear();
    frame.Send(WM_COMMAND, MAKEWPARAM(7, EN_CHANGE), reinterpret_cast<LPARAM>(listCtrl.GetHwnd()));
    frame.Send(WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    EXPECT_EQ((Events{"list command " + std::to_string(EN_CHANGE), "command 40001"}), events);
}

TEST_F(ReflectionFixture, OwnerDrawnListDrawsItsOwnItems) {
    ASSERT_NO_FATAL_FAILURE(CreateList(LVS_OWNERDRAWFIXED));
    Paint();
    EXPECT_EQ((std::vector<int>{0, 1}), list.m_drawnItems);
    for (const std::string& event : events) EXPECT_NE("frame drawitem", event);
}

TEST_F(ReflectionFixture, ListNoLongerOursGoesBackToTheFrame) {
    ASSERT_NO_FATAL_FAILURE(CreateList(0));
    list.Unsubclass();
    events.clear();
    listCtrl.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_FALSE(events.empty());
    for (const std::string& event : events) EXPECT_EQ(0u, event.find("frame notify"));
}

// A window procedure put on top of ours by someone else (as another library would).
WNDPROC g_outerPrevious = nullptr;
int g_outerCalls = 0;
LRESULT CALLBACK OuterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    ++g_outerCalls;
    return ::CallWindowProcW(g_outerPrevious, hwnd, msg, wp, lp);
}

class CCountingWindow : public ui::CSubclassWindow {
public:
    int m_calls = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == LVM_GETITEMCOUNT) ++m_calls;
        return DefProc(msg, wp, lp);
    }
};

TEST_F(ReflectionFixture, SubclassesChainTakeOverAndDetachUnderAnotherProcedure) {
    ASSERT_NO_FATAL_FAILURE(CreateList(0));
    CCountingWindow first, second;
    ASSERT_TRUE(first.Subclass(listCtrl));
    EXPECT_EQ(2, listCtrl.GetItemCount());
    EXPECT_EQ(1, first.m_calls);
    // A second object of ours takes the window over; the list still answers through the chain.
    ASSERT_TRUE(second.Subclass(listCtrl));
    EXPECT_EQ(2, listCtrl.GetItemCount());
    EXPECT_EQ(1, first.m_calls);
    EXPECT_EQ(1, second.m_calls);

    // Someone else's procedure above ours: detaching cannot unhook, so ours only forwards.
    g_outerPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(listCtrl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterProc)));
    g_outerCalls = 0;
    second.Unsubclass();
    EXPECT_EQ(2, listCtrl.GetItemCount());
    EXPECT_EQ(1, second.m_calls);
    EXPECT_GT(g_outerCalls, 0);
    // Re-attaching under the outer procedure works, and destroying the window detaches everything.
    ASSERT_TRUE(first.Subclass(listCtrl));
    EXPECT_EQ(2, listCtrl.GetItemCount());
    EXPECT_EQ(2, first.m_calls);
    ::DestroyWindow(listCtrl);
    EXPECT_FALSE(first.IsSubclassed());
    EXPECT_FALSE(list.IsSubclassed());
}

}  // namespace
