#include "TrayIconWin.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>

#include "resource.h"

TEST(TrayIcon, TipIsCutAt127BytesOnAWholeCharacter) {
    EXPECT_EQ("Vx音乐网盘", CTrayIcon::TipText("Vx音乐网盘"));
    EXPECT_EQ(std::string(127, 'a'), CTrayIcon::TipText(std::string(200, 'a')));
    EXPECT_EQ(std::string(127, 'a'), CTrayIcon::TipText(std::string(127, 'a')));

    std::string chinese;
    for (int i = 0; i < 70; ++i) chinese += "音";  // two bytes each
    // 127 bytes end inside the 64th character: it is left out whole.
    EXPECT_EQ(chinese.substr(0, 126), CTrayIcon::TipText(chinese));
    // One single-byte character before them makes the 63rd end exactly at byte 127.
    EXPECT_EQ("x" + chinese.substr(0, 126), CTrayIcon::TipText("x" + chinese));
    // A trail byte that looks like ASCII does not make its lead byte a character of its own.
    std::string tricky = std::string(125, 'b') + "\x81\x40" + "c";
    EXPECT_EQ(std::string(125, 'b') + "\x81\x40", CTrayIcon::TipText(tricky));
    std::string split = std::string(126, 'b') + "\x81\x40";
    EXPECT_EQ(std::string(126, 'b'), CTrayIcon::TipText(split));
}

TEST(TrayIcon, AddsAndRemovesTheProgramIcon) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                 IMAGE_ICON, 16, 16, 0));
    ASSERT_TRUE(icon);
    {
        CTrayIcon tray;
        ASSERT_TRUE(tray.Add(owner, IDR_MAINFRAME, icon, std::string(300, 'x'), 2357));
        EXPECT_TRUE(tray.IsAdded());
        // Adding again replaces the icon instead of failing on the id already there.
        EXPECT_TRUE(tray.Add(owner, IDR_MAINFRAME, icon, "Vx音乐网盘", 2357));
        tray.Remove();
        EXPECT_FALSE(tray.IsAdded());
        EXPECT_TRUE(tray.Add(owner, IDR_MAINFRAME, icon, "Vx音乐网盘", 2357));
    }  // removed on destruction: the id is free again
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = IDR_MAINFRAME;
    EXPECT_FALSE(::Shell_NotifyIconW(NIM_DELETE, &data));
    ::DestroyIcon(icon);
    ::DestroyWindow(owner);
}
