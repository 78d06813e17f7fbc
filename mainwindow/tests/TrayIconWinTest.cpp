#include "TrayIconWin.h"

#include <gtest/gtest.h>

#include <string>

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
