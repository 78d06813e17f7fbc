#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "vxlib/StringUtility.h"

namespace {

HWND MakeWindow(const wchar_t* title) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VxForceTopTest";
    RegisterClassW(&wc);  // fails harmlessly when already registered
    return CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

// The window to raise belongs to this thread while another thread's window has the foreground.
TEST(ForceBringToTop, RaisesAndRestoresOverAnotherThreadsForegroundWindow) {
    HWND mine = MakeWindow(L"mine");
    ASSERT_NE(nullptr, mine);
    ShowWindow(mine, SW_MINIMIZE);
    Pump();

    std::atomic<HWND> other{nullptr};
    std::atomic<bool> done{false};
    std::thread owner([&] {
        HWND w = MakeWindow(L"other");
        SetForegroundWindow(w);
        other = w;
        while (!done) {
            Pump();
            Sleep(5);
        }
        DestroyWindow(w);
    });
    while (!other) Sleep(5);
    for (int i = 0; i < 100 && GetForegroundWindow() != other; ++i) Sleep(10);
    ASSERT_EQ(other.load(), GetForegroundWindow());

    utility::ForceBringToTop(mine);
    Pump();
    EXPECT_EQ(mine, GetForegroundWindow());
    EXPECT_FALSE(IsIconic(mine));
    utility::ForceBringToTop(nullptr);  // harmless

    done = true;
    owner.join();
    DestroyWindow(mine);
}
