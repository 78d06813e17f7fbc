// Throughput of the message manager: posts from worker threads to one user-interface thread, and
// sends from another thread to it. Run: build/win/wine-run build/win/bin/VxMdCore_bench.exe [posts] [sends]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "core/MessageManager.h"

namespace {

class CCounter : public IMessageObserver {
public:
    explicit CCounter(HANDLE done, long target) : m_done(done), m_target(target) {}
    void OnMessage(const std::string&, int, const VariantList&) override {
        if (++m_count == m_target) SetEvent(m_done);
    }
    std::atomic<long> m_count{0};

private:
    HANDLE m_done;
    long m_target;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int kPosters = 4;
    const long posts = argc > 1 ? std::atol(argv[1]) : 400000;
    const long sends = argc > 2 ? std::atol(argv[2]) : 5000;
    IMessageManager* manager = AfxGetMessageManager();

    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE postsDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE sendsDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CCounter posted(postsDone, posts / kPosters * kPosters);
    CCounter sent(sendsDone, sends);
    DWORD uiId = 0;
    std::thread ui([&] {
        uiId = GetCurrentThreadId();
        manager->Register("bench.post", &posted, kObserverUiThread);
        manager->Register("bench.send", &sent, kObserverUiThread);
        SetEvent(ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        manager->Unregister("bench.post", &posted);
        manager->Unregister("bench.send", &sent);
    });
    WaitForSingleObject(ready, INFINITE);

    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (long i = 0; i < posts / kPosters; ++i)
                manager->Post("bench.post", static_cast<int>(i), 0, {Variant::Int(p), Variant::Long(i)});
        });
    }
    for (auto& poster : posters) poster.join();
    double posting = Seconds(start);
    WaitForSingleObject(postsDone, INFINITE);
    double delivered = Seconds(start);
    std::printf("post: %ld messages from %d threads to 1 UI thread: posting %.3f s, all delivered %.3f s, "
                "%.0f messages/s\n",
                posted.m_count.load(), kPosters, posting, delivered, posted.m_count / delivered);

    start = std::chrono::steady_clock::now();
    for (long i = 0; i < sends; ++i) manager->Send("bench.send", static_cast<int>(i), {Variant::Long(i)});
    double sending = Seconds(start);
    std::printf("send: %ld messages from another thread to the UI thread: %.3f s, %.0f sends/s\n",
                sent.m_count.load(), sending, sent.m_count / sending);

    PostThreadMessageW(uiId, WM_QUIT, 0, 0);
    ui.join();
    return sent.m_count == sends && posted.m_count == posts / kPosters * kPosters ? 0 : 1;
}
