#include <gtest/gtest.h>

#include "vxlib/Dir.h"

TEST(DirNames, SplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ("C:\\a\\", Dir::GetFilePath("C:\\a\\b.txt"));
    EXPECT_EQ("b.txt", Dir::GetShortFileName("C:\\a\\b.txt"));
    EXPECT_EQ("http://h/x/", Dir::GetFilePath("http://h/x/Tree.zip"));
    EXPECT_EQ("", Dir::GetFilePath("plain.txt"));
    EXPECT_EQ("plain.txt", Dir::GetShortFileName("plain.txt"));
    EXPECT_EQ("", Dir::GetShortFileName("C:\\a\\"));
}

TEST(DirNames, AGbkTrailByteIsNoSeparator) {
    // 0x95 0x5C is one GBK character whose second byte is a backslash.
    const std::string name = "C:\\d\\\x95\x5C.txt";
    EXPECT_EQ("C:\\d\\", Dir::GetFilePath(name));
    EXPECT_EQ("\x95\x5C.txt", Dir::GetShortFileName(name));
    EXPECT_EQ("\x95\x5C", Dir::GetShortFileName("C:\\d\\\x95\x5C"));
}
