#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "vxlib/StringUtility.h"
#include "vxlib/UrlEncode.h"

using Fields = std::vector<std::string>;

TEST(StringUtility, FormatProducesOutputOfAnyLength) {
    EXPECT_EQ("", StringUtility::Format("%s", ""));
    EXPECT_EQ("7|-3|ff|1.50|12345678901234", StringUtility::Format("%u|%d|%x|%.2f|%lld", 7u, -3, 255, 1.5, 12345678901234LL));
    for (size_t n : {254u, 255u, 256u, 257u, 511u, 100000u}) {
        std::string long_text(n, 'x');
        std::string out = StringUtility::Format("<%s>%d", long_text.c_str(), 42);
        ASSERT_EQ(n + 4, out.size()) << n;
        EXPECT_EQ("<" + long_text + ">42", out);
    }
}

TEST(StringUtility, TrimAndCaseChangesLeaveGbkCharactersAlone) {
    std::string s = " \t\r\n a b \v\f\n";
    EXPECT_EQ("a b", StringUtility::Trim(s));
    s = "   ";
    EXPECT_EQ("", StringUtility::Trim(s));
    s = "";
    EXPECT_EQ("", StringUtility::Trim(s));

    // 0x81 0x41 and 0xB0 0x61 are double-byte characters whose second bytes look like 'A' and 'a'.
    s = "\x81\x41" "Ab\xB0\x61" "Z";
    EXPECT_EQ("\x81\x41" "ab\xB0\x61" "z", StringUtility::Str2Lower(s));
    EXPECT_EQ("\x81\x41" "AB\xB0\x61" "Z", StringUtility::Str2Upper(s));
    // A lead byte without a valid second byte is a single byte; the letter after it still changes.
    s = "\x81\x30" "a\x81";
    EXPECT_EQ("\x81\x30" "A\x81", StringUtility::Str2Upper(s));
    s = "Mixed-Case_09";
    EXPECT_EQ("mixed-case_09", StringUtility::Str2Lower(s));
}

TEST(StringUtility, TokenizeKeepsEmptyFieldsTokenizeExDropsThem) {
    struct Case {
        const char* text;
        const char* sep;
        Fields keep;
        Fields drop;
    };
    const Case cases[] = {
        {"a|b|c", "|", {"a", "b", "c"}, {"a", "b", "c"}},
        {"a||b", "|", {"a", "", "b"}, {"a", "b"}},
        {"|a|", "|", {"", "a", ""}, {"a"}},
        {"", "|", {""}, {}},
        {"|", "|", {"", ""}, {}},
        {"abc", "", {"abc"}, {"abc"}},
        {"", "", {""}, {}},
        {"a<>b<>", "<>", {"a", "b", ""}, {"a", "b"}},
        {"aaa", "aa", {"", "a"}, {"a"}},
        {"800|600||http://x/?a=1|title|with|bars", "|",
         {"800", "600", "", "http://x/?a=1", "title", "with", "bars"},
         {"800", "600", "http://x/?a=1", "title", "with", "bars"}},
        {"\xD6\xD0|\xCE\xC4", "|", {"\xD6\xD0", "\xCE\xC4"}, {"\xD6\xD0", "\xCE\xC4"}},
    };
    for (const Case& c : cases) {
        Fields fields = {"stale"};
        EXPECT_EQ(static_cast<int>(c.keep.size()), StringUtility::Tokenize(c.text, c.sep, fields)) << c.text;
        EXPECT_EQ(c.keep, fields) << c.text;
        fields = {"stale"};
        EXPECT_EQ(static_cast<int>(c.drop.size()), StringUtility::TokenizeEx(c.text, c.sep, fields)) << c.text;
        EXPECT_EQ(c.drop, fields) << c.text;
    }
}

TEST(StringUtility, CopyToBufferNeverOverrunsAndCutsOnCharacterBoundaries) {
    char buf[8];
    const std::string text = "a\xD6\xD0\xCE\xC4";  // "a" and two double-byte characters
    for (size_t size = 0; size < 7; ++size) {
        std::memset(buf, '#', sizeof(buf));
        bool fitted = StringUtility::CopyToBuffer(buf, size, text);
        EXPECT_EQ(size > text.size(), fitted) << size;
        for (size_t i = size; i < sizeof(buf); ++i) EXPECT_EQ('#', buf[i]) << size;
        if (size == 0) continue;
        size_t n = std::strlen(buf);
        ASSERT_LT(n, size);
        EXPECT_EQ(n == 0 ? 0u : 1u, n % 2) << size;  // never half a character
        EXPECT_EQ(text.substr(0, n), std::string(buf));
    }
    EXPECT_FALSE(StringUtility::CopyToBuffer(nullptr, 4, "x"));
}

TEST(StringUtility, FileSizeTexts) {
    EXPECT_EQ("0 B", utility::FileSizeToString(0));
    EXPECT_EQ("1023 B", utility::FileSizeToString(1023));
    EXPECT_EQ("1.0 KB", utility::FileSizeToString(1024));
    EXPECT_EQ("1.5 KB", utility::FileSizeToString(1536));
    EXPECT_EQ("1.0 MB", utility::FileSizeToString(1048575));  // not "1024.0 KB"
    EXPECT_EQ("1.5 MB", utility::FileSizeToString(1572864));
    EXPECT_EQ("3.7 MB", utility::FileSizeToString(3880000));
    EXPECT_EQ("5.00 GB", utility::FileSizeToString(5ULL << 30));
    EXPECT_EQ("2048.00 GB", utility::FileSizeToString(2ULL << 40));
}

TEST(UrlEncode, EncodeQueryKeepsOnlyUnreservedAsciiBytes) {
    EXPECT_EQ("AZaz09().!~*'-_", UrlEncode::EncodeQuery("AZaz09().!~*'-_"));
    EXPECT_EQ("%20%26%3D%2B%2F%25%3F%23%22%3C%3E%5C%7C%2C%3B%3A%40%24%5B%5D%60%5E%7B%7D",
              UrlEncode::EncodeQuery(" &=+/%?#\"<>\\|,;:@$[]`^{}"));
    // GBK "中文 abc": every byte of a double-byte character is encoded, upper-case hex.
    EXPECT_EQ("%D6%D0%CE%C4%20abc", UrlEncode::EncodeQuery("\xD6\xD0\xCE\xC4 abc"));
    // A second byte that is an ASCII letter is still encoded on its own byte value.
    EXPECT_EQ("%81A", UrlEncode::EncodeQuery("\x81\x41"));
    EXPECT_EQ("%00%01%7F%80%FF", UrlEncode::EncodeQuery(std::string("\x00\x01\x7F\x80\xFF", 5)));
    EXPECT_EQ("", UrlEncode::EncodeQuery(""));
}
