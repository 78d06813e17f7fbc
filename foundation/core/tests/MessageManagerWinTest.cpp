#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "core/MessageManager.h"

namespace {

const DWORD kPatience = 60000;  // only to turn a hang into a failure

bool Wait(HANDLE event) { return WaitForSingleObject(event, kPatience) == WAIT_OBJECT_0; }

class CEvent {
public:
    CEvent() : m_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CEvent() { CloseHandle(m_handle); }
    operator HANDLE() const { return m_handle; }
    void Set() { SetEvent(m_handle); }

private:
    HANDLE m_handle;
};

class CFunctionObserver : public IMessageObserver {
public:
    typedef std::function<void(const std::string&, int, const VariantList&)> Handler;
    explicit CFunctionObserver(Handler handler) : m_handler(std::move(handler)) {}
    void OnMessage(const std::string& channel, int id, const VariantList& params) override {
        m_handler(channel, id, params);
    }

private:
    Handler m_handler;
};

// A thread with a plain message loop, standing in for a user-interface thread. Work reaches it as
// thread messages, which is fine here: the loop is never modal while the test hands it work.
class CUiThread {
public:
    CUiThread() {
        CEvent started;
        m_thread = std::thread([this, &started] {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            m_id = GetCurrentThreadId();
            started.Set();
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (!msg.hwnd && msg.message == kRun) {
                    auto* work = reinterpret_cast<std::function<void()>*>(msg.lParam);
                    (*work)();
                    delete work;
                    continue;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        });
        Wait(started);
    }
    ~CUiThread() { Stop(); }

    DWORD Id() const { return m_id; }

    void RunAsync(std::function<void()> work) {
        PostThreadMessageW(m_id, kRun, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(work))));
    }
    void Run(std::function<void()> work) {
        CEvent done;
        RunAsync([&] { work(); done.Set(); });
        Wait(done);
    }
    void Stop() {
        if (!m_thread.joinable()) return;
        PostThreadMessageW(m_id, WM_QUIT, 0, 0);
        m_thread.join();
    }

private:
    static const UINT kRun = WM_APP + 7;
    std::thread m_thread;
    DWORD m_id = 0;
};

int CountManagerWindows(DWORD threadId) {
    int count = 0;
    HWND window = nullptr;
    while ((window = FindWindowExW(HWND_MESSAGE, window, L"VxMdCoreMessageWindow", nullptr))) {
        if (GetWindowThreadProcessId(window, nullptr) == threadId) ++count;
    }
    return count;
}

}  // namespace

TEST(MessageManager, PostsFromFourThreadsArriveOnTheRegisteringThreadInEachPostersOrder) {
    IMessageManager* manager = AfxGetMessageManager();
    ASSERT_NE(manager, nullptr);
    const int kPosters = 4, kEach = 2500;
    CUiThread ui;
    int last[kPosters] = {-1, -1, -1, -1};
    int received = 0, wrongThread = 0, outOfOrder = 0;
    CEvent done, halfway;
    CFunctionObserver observer([&](const std::string& channel, int id, const VariantList& params) {
        if (GetCurrentThreadId() != ui.Id() || channel != "test.order") ++wrongThread;
        int poster = params.at(0).AsInt(), sequence = params.at(1).AsInt();
        if (sequence != last[poster] + 1 || id != sequence) ++outOfOrder;
        last[poster] = sequence;
        if (++received == kPosters * kEach) done.Set();
    });
    ui.Run([&] { EXPECT_TRUE(manager->Register("test.order", &observer, kObserverUiThread)); });

    // The receiver stays busy while the first halves are posted, so the queue builds up, then
    // drains while the posters go on.
    ui.RunAsync([&] { Wait(halfway); });
    std::atomic<int> atHalf{0};
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kEach; ++i) {
                if (i == kEach / 2 && ++atHalf == kPosters) halfway.Set();
                manager->Post("test.order", i, 0, {Variant::Int(p), Variant::Int(i)});
            }
        });
    }
    for (auto& poster : posters) poster.join();
    ASSERT_TRUE(Wait(done)) << received << " of " << kPosters * kEach << " arrived";
    ui.Run([&] { EXPECT_TRUE(manager->Unregister("test.order", &observer)); });
    ui.Stop();
    EXPECT_EQ(received, kPosters * kEach);
    EXPECT_EQ(wrongThread, 0);
    EXPECT_EQ(outOfOrder, 0);
}

TEST(MessageManager, QueuedMessagesFollowRegistrationAtPostingAndAtDeliveryTime) {
    IMessageManager* manager = AfxGetMessageManager();
    const std::string kChannel = "test.registration";
    CUiThread ui;
    std::vector<int> a, b, c, d, e, f;
    CEvent done, got1000;
    CFunctionObserver observerA([&](const std::string&, int id, const VariantList&) { a.push_back(id); });
    CFunctionObserver observerB([&](const std::string&, int id, const VariantList&) {
        b.push_back(id);
        if (id == 1000) got1000.Set();
        if (id == 2000) done.Set();
    });
    CFunctionObserver observerE([&](const std::string&, int id, const VariantList&) { e.push_back(id); });
    CFunctionObserver observerF([&](const std::string&, int id, const VariantList&) { f.push_back(id); });
    CFunctionObserver* self = nullptr;
    CFunctionObserver observerC([&](const std::string& channel, int id, const VariantList&) {
        c.push_back(id);
        manager->Unregister(channel, self);
    });
    self = &observerC;
    CFunctionObserver observerD([&](const std::string& channel, int id, const VariantList&) {
        d.push_back(id);
        if (id == 0) {
            manager->Register(channel, &observerE, kObserverUiThread);
            manager->Post(channel, 1000, 0, {});
        }
        if (id == 50) manager->Unregister(channel, &observerF);
    });

    CEvent registered, posted;
    ui.RunAsync([&] {
        for (IMessageObserver* o : std::vector<IMessageObserver*>{&observerA, &observerB, &observerC, &observerD, &observerF})
            manager->Register(kChannel, o, kObserverUiThread);
        registered.Set();
        Wait(posted);
        manager->Unregister(kChannel, &observerA);
    });
    ASSERT_TRUE(Wait(registered));
    for (int i = 0; i < 100; ++i) manager->Post(kChannel, i, 0, {Variant::Int(i)});
    posted.Set();
    ASSERT_TRUE(Wait(got1000));
    manager->Post(kChannel, 2000, 0, {});
    ASSERT_TRUE(Wait(done));
    ui.Run([&] {
        for (IMessageObserver* o : std::vector<IMessageObserver*>{&observerB, &observerD, &observerE})
            EXPECT_TRUE(manager->Unregister(kChannel, o));
        EXPECT_FALSE(manager->IsRegistered(kChannel, &observerC));
    });
    ui.Stop();

    std::vector<int> all;
    for (int i = 0; i < 100; ++i) all.push_back(i);
    std::vector<int> firstHalf(all.begin(), all.begin() + 50);
    all.push_back(1000);
    all.push_back(2000);
    EXPECT_TRUE(a.empty()) << "unregistered while its messages were queued";
    EXPECT_EQ(b, all);
    EXPECT_EQ(c, std::vector<int>{0}) << "unregistered inside its own handler";
    EXPECT_EQ(d, all);
    EXPECT_EQ(e, (std::vector<int>{1000, 2000})) << "registered inside a handler after the first posts";
    EXPECT_EQ(f, firstHalf) << "unregistered by another observer's handler";
}

namespace {

struct CModalState {
    std::atomic<bool> finished{false};
    int ticks = 0;
    HANDLE entered = nullptr;
};

INT_PTR CALLBACK ModalDialogProc(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
    auto* state = reinterpret_cast<CModalState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetTimer(dialog, 1, 10, nullptr);
        SetEvent(reinterpret_cast<CModalState*>(lParam)->entered);
        return TRUE;
    case WM_TIMER:
        if (state->finished || ++state->ticks > 6000) EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST(MessageManager, PostsReachAThreadInsideAModalDialogInOrder) {
    IMessageManager* manager = AfxGetMessageManager();
    CUiThread ui;
    CEvent entered, closed;
    CModalState state;
    state.entered = entered;
    bool inModal = false;
    std::vector<int> seenInModal, seenOutside;
    int wrongThread = 0;
    INT_PTR dialogResult = -1;
    CFunctionObserver observer([&](const std::string&, int id, const VariantList&) {
        if (GetCurrentThreadId() != ui.Id()) ++wrongThread;
        if (id != 1) {
            (inModal ? seenInModal : seenOutside).push_back(id);
            if (id == 21) state.finished = true;
            return;
        }
        struct alignas(4) {
            DLGTEMPLATE dialog;
            WORD menu, windowClass, title;
        } dialogTemplate = {};
        dialogTemplate.dialog.style = WS_POPUP | DS_MODALFRAME;
        dialogTemplate.dialog.cx = 100;
        dialogTemplate.dialog.cy = 50;
        inModal = true;
        dialogResult = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.dialog, nullptr,
                                               ModalDialogProc, reinterpret_cast<LPARAM>(&state));
        inModal = false;
        closed.Set();
    });
    ui.Run([&] { manager->Register("test.modal", &observer, kObserverUiThread); });
    // 2 to 5 are queued behind the message that opens the dialog, 6 to 21 follow while it runs.
    CEvent queued;
    ui.RunAsync([&] { Wait(queued); });
    for (int id = 1; id <= 5; ++id) manager->Post("test.modal", id, 0, {});
    queued.Set();
    ASSERT_TRUE(Wait(entered));
    for (int id = 6; id <= 21; ++id) manager->Post("test.modal", id, 0, {});
    ASSERT_TRUE(Wait(closed));
    ui.Run([&] { manager->Unregister("test.modal", &observer); });
    ui.Stop();

    std::vector<int> expected;
    for (int id = 2; id <= 21; ++id) expected.push_back(id);
    EXPECT_EQ(dialogResult, 1);
    EXPECT_EQ(seenInModal, expected);
    EXPECT_TRUE(seenOutside.empty());
    EXPECT_EQ(wrongThread, 0);
}

TEST(MessageManager, SendRunsEveryHandlerOnItsOwnThreadBeforeReturning) {
    IMessageManager* manager = AfxGetMessageManager();
    CUiThread ui;
    const DWORD mainThread = GetCurrentThreadId();
    std::vector<DWORD> uiCalls, backCalls;
    CFunctionObserver back([&](const std::string&, int, const VariantList&) {
        backCalls.push_back(GetCurrentThreadId());
    });
    CFunctionObserver onUi([&](const std::string&, int id, const VariantList& params) {
        Sleep(30);  // widens the window in which an early return would show
        uiCalls.push_back(GetCurrentThreadId());
        EXPECT_EQ(params.at(0).AsString(), "payload");
        // Sending back to the waiting thread must not deadlock.
        if (id == 2) manager->Send("test.send.back", 0, {});
    });
    ui.Run([&] {
        manager->Register("test.send", &onUi, kObserverUiThread);
    });
    ASSERT_TRUE(manager->Register("test.send.back", &back, kObserverUiThread));

    EXPECT_TRUE(manager->Send("test.send", 1, {Variant::String("payload")}));
    EXPECT_EQ(uiCalls, std::vector<DWORD>{ui.Id()});

    EXPECT_TRUE(manager->Send("test.send", 2, {Variant::String("payload")}));
    EXPECT_EQ(uiCalls.size(), 2u);
    EXPECT_EQ(backCalls, std::vector<DWORD>{mainThread});

    // From the observer's own thread the call is direct.
    ui.Run([&] {
        manager->Send("test.send", 3, {Variant::String("payload")});
        EXPECT_EQ(uiCalls.size(), 3u);
    });
    EXPECT_EQ(uiCalls.back(), ui.Id());

    // Deliver runs the handlers on the calling thread.
    EXPECT_TRUE(manager->Deliver("test.send", 4, {Variant::String("payload")}));
    EXPECT_EQ(uiCalls.size(), 4u);
    EXPECT_EQ(uiCalls.back(), mainThread);

    ui.Run([&] {
        manager->Unregister("test.send", &onUi);
    });
    manager->Unregister("test.send.back", &back);
    ui.Stop();
}

TEST(MessageManager, AThreadThatEndsTakesItsWindowAndSendsToItsObserversReturn) {
    IMessageManager* manager = AfxGetMessageManager();
    std::atomic<int> calls{0};
    CFunctionObserver orphan([&](const std::string&, int, const VariantList&) { ++calls; });
    CFunctionObserver kept([&](const std::string&, int, const VariantList&) { ++calls; });

    // Windows come and go with the thread's observers.
    CUiThread ui;
    ui.Run([&] {
        manager->Register("test.window", &kept, kObserverUiThread);
        manager->Register("test.window.other", &kept, kObserverUiThread);
        EXPECT_EQ(CountManagerWindows(GetCurrentThreadId()), 1);
        manager->Unregister("test.window", &kept);
        EXPECT_EQ(CountManagerWindows(GetCurrentThreadId()), 1);
        manager->Unregister("test.window.other", &kept);
        EXPECT_EQ(CountManagerWindows(GetCurrentThreadId()), 0);
        manager->Register("test.window", &kept, kObserverUiThread);
    });
    // The last unregister from another thread leaves the window to its own thread.
    EXPECT_TRUE(manager->Unregister("test.window", &kept));
    ui.Run([&] { EXPECT_EQ(CountManagerWindows(GetCurrentThreadId()), 0); });
    ui.Stop();

    DWORD endedId = 0;
    std::thread([&] {
        endedId = GetCurrentThreadId();
        manager->Register("test.gone", &orphan, kObserverUiThread);
        manager->Post("test.gone", 1, 0, {});
    }).join();
    EXPECT_EQ(CountManagerWindows(endedId), 0);
    EXPECT_TRUE(manager->IsRegistered("test.gone", &orphan));

    CEvent sent;
    std::thread sender([&] {
        manager->Send("test.gone", 2, {});
        manager->Post("test.gone", 3, 0, {});
        sent.Set();
    });
    bool returned = Wait(sent);
    EXPECT_TRUE(returned) << "send to an observer of an ended thread hangs";
    if (returned) {
        sender.join();
    } else {
        sender.detach();
    }
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(manager->Unregister("test.gone", &orphan));
    EXPECT_FALSE(manager->Unregister("test.gone", &orphan));
}

TEST(MessageManager, TheFactoryIsExportedUnderItsPlainName) {
    HMODULE module = GetModuleHandleW(L"VxMdCore.dll");
    ASSERT_NE(module, nullptr);
    typedef IMessageManager* (*Factory)();
    auto factory = reinterpret_cast<Factory>(GetProcAddress(module, "AfxGetMessageManager"));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory(), AfxGetMessageManager());
    EXPECT_FALSE(AfxGetMessageManager()->Register("", nullptr, kObserverUiThread));
}
