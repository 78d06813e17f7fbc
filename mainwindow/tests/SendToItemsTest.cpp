#include "SendToItems.h"

#include <gtest/gtest.h>

#include "resource.h"

using namespace sendto;

TEST(SendToItems, DriveTextsNameTheirType) {
    EXPECT_EQ("本地磁盘(C:\\)", DriveItemText(kDriveFixed, 'C'));
    EXPECT_EQ("网络驱动器(Z:\\)", DriveItemText(kDriveRemote, 'Z'));
    EXPECT_EQ("可移动磁盘(F:\\)", DriveItemText(kDriveRemovable, 'F'));
    EXPECT_EQ("CD驱动器(E:\\)", DriveItemText(kDriveCdRom, 'E'));
    EXPECT_EQ("本地磁盘(R:\\)", DriveItemText(kDriveRamDisk, 'R'));
    EXPECT_EQ("", DriveItemText(kDriveUnknown, 'G'));
    EXPECT_EQ("", DriveItemText(kDriveNoRoot, 'G'));
}

TEST(SendToItems, EveryPresentDriveButAGetsAnItemInLetterOrder) {
    // A, B, C, D, G and Z present; G has no usable type.
    const uint32_t mask = 1u | 2u | 4u | 8u | (1u << 6) | (1u << 25);
    const std::vector<DriveItem> items = DriveItems(mask, [](char letter) {
        switch (letter) {
        case 'A': case 'B': return static_cast<int>(kDriveRemovable);
        case 'D': return static_cast<int>(kDriveCdRom);
        case 'G': return static_cast<int>(kDriveNoRoot);
        default: return static_cast<int>(kDriveFixed);
        }
    });
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ('B', items[0].letter);
    EXPECT_EQ("可移动磁盘(B:\\)", items[0].text);
    EXPECT_EQ('C', items[1].letter);
    EXPECT_EQ("CD驱动器(D:\\)", items[2].text);
    EXPECT_EQ('Z', items[3].letter);
    EXPECT_TRUE(DriveItems(1u, [](char) { return static_cast<int>(kDriveFixed); }).empty());
}

TEST(SendToItems, CommandsMapToDrivesOutsideTheIdsOthersOwn) {
    struct Case { unsigned id; bool drive; char letter; };
    const Case cases[] = {
        {0x8071, true, 'A'},  {0x8072, true, 'B'},  {ID_EDIT_COPYTO, false, 0}, {ID_EDIT_SELECT_ALL, false, 0},
        {ID_EDIT_INVERT, false, 0}, {0x8076, true, 'F'}, {0x807A, true, 'J'}, {0x807B, false, 0},
        {0x807C, true, 'L'},  {0x807D, false, 0},   {0x807F, false, 0},     {0x8080, true, 'P'},
        {0x808A, true, 'Z'},  {0x808B, false, 0},   {0x8070, false, 0},     {0x9071, true, 'A'},
        {0x9073, true, 'C'},  {0x9074, true, 'D'},  {0x908A, true, 'Z'},    {0x908B, false, 0},
    };
    for (const Case& c : cases) {
        char letter = 0;
        EXPECT_EQ(c.drive, DriveOfCommand(c.id, letter)) << std::hex << c.id;
        if (c.drive) {
            EXPECT_EQ(c.letter, letter) << std::hex << c.id;
        }
    }
    // Every drive's menu item leads back to that drive, C, D and E included.
    for (char l = 'B'; l <= 'Z'; ++l) {
        char letter = 0;
        ASSERT_TRUE(DriveOfCommand(MenuCommandOf(l), letter));
        EXPECT_EQ(l, letter);
    }
    EXPECT_EQ("E:\\", DriveRoot('E'));
}
