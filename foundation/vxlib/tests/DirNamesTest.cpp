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

TEST(DirNames, SafeFileNameGivesOneComponentWindowsAcceptsAndKeepsGbkWhole) {
    const struct {
        const char* name;
        const char* safe;
    } cases[] = {
        {"AC/DC-x.mp3", "AC_DC-x.mp3"},
        {"Why?", "Why_"},
        {"a<b>", "a_b_"},
        {"x:y", "x_y"},               // no drive, no stream
        {"a\\b|c\"d*e", "a_b_c_d_e"},
        {"tab\there\nCR\r\x1F", "tab_here_CR__"},
        {"Rock & Roll (Live) [1]", "Rock & Roll (Live) [1]"},
        {"..", "fb"},
        {"...", "fb"},
        {"../..\\up", ".._.._up"},    // stays one component
        {"..-.wma", "..-.wma"},
        {"Why... ", "Why"},
        {"name. . ", "name"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Nul .mp3", "_Nul .mp3"},
        {"COM1", "_COM1"},
        {"lpt9.wma", "_lpt9.wma"},
        {"AUX.", "_AUX"},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
        {"CON-Artist.mp3", "CON-Artist.mp3"},
        // GBK: the second bytes of 0x95 0x5C and 0x81 0x7C are '\' and '|'.
        {"\x95\x5C-\x81\x7C.mp3", "\x95\x5C-\x81\x7C.mp3"},
        {"歌\x95\x5C/", "歌\x95\x5C_"},
        {"热门歌曲", "热门歌曲"},
        // A lead byte with no valid second byte is no character; what follows is looked at alone.
        {"\x81/x", "__x"},
        {"ab\x81", "ab_"},
        {"\xFF", "_"},
        {"", "fb"},
        {"   ", "fb"},
        {"???", "___"},
        {"<>:", "___"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.safe, Dir::SafeFileName(c.name, "fb")) << c.name;
    EXPECT_EQ("_NUL", Dir::SafeFileName("", "NUL")) << "a fallback is no device either";
}
