#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "UiTestingWin.h"
#include "ui/MessageLoop.h"
#include "ui/WindowBase.h"

namespace {

const UINT kWake = WM_APP + 1;
const UINT_PTR kTimer = 1;

// Logs the messages the loop dispatches to it.
class CTargetWindow : public ui::CWindowBase {
public:
    explicit CTargetWindow(Events& events) : m_events(events) {}

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_MOUSEMOVE:
            m_events.push_back("move");
            return 0;
        case WM_TIMER:
            ::KillTimer(m_hWnd, wp);
            m_events.push_back("timer");
            return 0;
        default:
            if (msg >= WM_APP) {
                m_events.push_back("app " + std::to_string(wp));
                return 0;
            }
            return CWindowBase::WndProc(msg, wp, lp);
        }
    }

private:
    Events& m_events;
};

class CIdleScript : public ui::CIdleHandler {
public:
    explicit CIdleScript(std::function<void(int)> step) : m_step(std::move(step)) {}
    void OnIdle() override { m_step(++m_calls); }

private:
    std::function<void(int)> m_step;
    int m_calls = 0;
};

class CFilter : public ui::CMessageFilter {
public:
    CFilter(Events& events, const std::string& name, std::function<bool(const MSG&)> take)
        : m_events(events), m_name(name), m_take(std::move(take)) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message < WM_APP) return false;
        m_events.push_back(m_name + " " + std::to_string(msg->wParam));
        return m_take(*msg);
    }

private:
    Events& m_events;
    std::string m_name;
    std::function<bool(const MSG&)> m_take;
};

struct LoopFixture : ::testing::Test {
    Events events;
    CTargetWindow window{events};
    ui::CMessageLoop loop;

    void SetUp() override {
        // Nothing left over from an earlier test may wake the loop.
        MSG stale;
        while (::PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
        }
        ASSERT_NE(nullptr, window.Create(TestClass(), nullptr, "", WS_OVERLAPPEDWINDOW));
    }
    void Post(UINT msg, WPARAM wp = 0) { ::PostMessageW(window, msg, wp, 0); }
};

TEST_F(LoopFixture, IdleHandlersRunOnceEachTimeTheQueueEmptiesAndNotAfterMouseMoves) {
    CIdleScript script([&](int call) {
        events.push_back("idle " + std::to_string(call));
        if (call == 1) {
            Post(kWake, 1);
            Post(kWake, 2);
        } else if (call == 2) {
            // Nothing but the timer follows the move: a move that re-armed idle shows as an
            // idle call before the timer.
            Post(WM_MOUSEMOVE);
            ::SetTimer(window, kTimer, 50, nullptr);
        } else {
            ::PostQuitMessage(7);
        }
    });
    loop.AddIdleHandler(&script);
    EXPECT_EQ(7, loop.Run());
    EXPECT_EQ((Events{"idle 1", "app 1", "app 2", "idle 2", "move", "timer", "idle 3"}), events);
}

TEST_F(LoopFixture, FiltersAreTriedNewestFirstAndOneThatTakesAMessageEndsIt) {
    CFilter older(events, "older", [](const MSG&) { return false; });
    CFilter newer(events, "newer", [&](const MSG& msg) {
        if (msg.wParam == 3) loop.RemoveMessageFilter(&older);
        return msg.wParam == 2;
    });
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    Post(kWake, 1);
    Post(kWake, 2);
    Post(kWake, 3);
    ::PostQuitMessage(0);
    EXPECT_EQ(0, loop.Run());
    EXPECT_EQ((Events{"newer 1", "older 1", "app 1",  // neither took it: dispatched
                      "newer 2",                      // taken: neither older nor the window see it
                      "newer 3", "app 3"}),           // older was removed while the filters ran
              events);
}

TEST(ThreadLoopsTest, EachThreadFindsItsOwnLoop) {
    ui::CMessageLoop mine, theirs;
    ASSERT_TRUE(ui::CThreadLoops::Add(&mine));
    EXPECT_FALSE(ui::CThreadLoops::Add(&theirs));
    DWORD mainThread = ::GetCurrentThreadId();
    ui::CMessageLoop* ownBeforeAdd = &mine;
    ui::CMessageLoop* ownAfterAdd = nullptr;
    ui::CMessageLoop* mainSeenFromOther = nullptr;
    bool removed = false;
    std::thread other([&] {
        ownBeforeAdd = ui::CThreadLoops::Get();
        mainSeenFromOther = ui::CThreadLoops::Get(mainThread);
        ui::CThreadLoops::Add(&theirs);
        ownAfterAdd = ui::CThreadLoops::Get();
        removed = ui::CThreadLoops::Remove();
    });
    other.join();
    EXPECT_EQ(nullptr, ownBeforeAdd);
    EXPECT_EQ(&mine, mainSeenFromOther);
    EXPECT_EQ(&theirs, ownAfterAdd);
    EXPECT_TRUE(removed);
    EXPECT_EQ(&mine, ui::CThreadLoops::Get());
    EXPECT_TRUE(ui::CThreadLoops::Remove());
    EXPECT_EQ(nullptr, ui::CThreadLoops::Get());
}

}  // namespace
