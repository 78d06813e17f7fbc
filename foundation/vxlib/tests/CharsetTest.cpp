#include <gtest/gtest.h>

#include "vxlib/Charset.h"

TEST(Charset, GbkAndUtf8MeetThroughUtf16) {
    const std::string gbk = "歌曲";  // literals are GBK
    const std::string utf8 = "\xE6\xAD\x8C\xE6\x9B\xB2";
    EXPECT_EQ(L"\u6B4C\u66F2", Charset::String2WString(gbk));
    EXPECT_EQ(gbk, Charset::WString2String(L"\u6B4C\u66F2"));
    EXPECT_EQ(utf8, Charset::StringToUTF8(gbk));
    EXPECT_EQ(gbk, Charset::UTF8ToString(utf8));
    EXPECT_EQ("", Charset::UTF8ToString(""));
    // A cut UTF-8 sequence spoils only itself (Windows puts a '?' in its place).
    EXPECT_EQ(0u, Charset::UTF8ToString("a" + utf8.substr(0, 4)).find("a" + gbk.substr(0, 2)));
}
