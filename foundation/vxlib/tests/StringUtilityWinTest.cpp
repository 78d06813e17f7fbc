#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <thread>

#include "vxlib/Charset.h"
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

// Windows' own parser reads every quoted path or address back as exactly one argument.
TEST(StringUtilityWin, QuotedArgumentsArriveWhole) {
    const char* arguments[] = {
        "C:\\My Music\\",
        "C:\\",
        "C:\\a b\\\\",
        "D:\\Music, old\\AC_DC",
        "http://h/a b?x=1&y=2",
        "\\\\server\\share\\",
        "C:\\歌\x95\x5C",  // the last byte is a character's second byte, not a backslash
        "",
    };
    for (const char* argument : arguments) {
        std::string quoted;
        ASSERT_TRUE(StringUtility::QuoteArgument(argument, quoted)) << argument;
        std::wstring line = L"prog.exe " + Charset::String2WString(quoted) + L" next";
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
        ASSERT_NE(nullptr, argv);
        EXPECT_EQ(3, argc) << quoted;
        if (argc == 3) {
            EXPECT_EQ(Charset::String2WString(argument), std::wstring(argv[1])) << quoted;
            EXPECT_EQ(L"next", std::wstring(argv[2])) << quoted;
        }
        LocalFree(argv);
    }
    for (const char* refused : {"C:\\a\" b", "http://h/\"x\"", "a\nb"}) {
        std::string quoted = "old";
        EXPECT_FALSE(StringUtility::QuoteArgument(refused, quoted)) << refused;
        EXPECT_EQ("", quoted);
    }
}
