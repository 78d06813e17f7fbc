#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "config/IniDocument.h"

namespace {

CIniDocument Reparse(const CIniDocument& doc) {
    CIniDocument again;
    again.Parse(doc.Serialize());
    return again;
}

}  // namespace

TEST(IniDocument, AwkwardValuesAndKeysSurviveTheFileLayout) {
    struct Case {
        std::string key, value;
    } cases[] = {
        {"plain", "C:\\Program Files\\Vixo\\"},
        {"empty", ""},
        {"equals", "a=b==c"},
        {"newlines", "line one\r\nline two\nthree\r"},
        {"quotes", "\"quoted\" and \\\" mixed"},
        {"blanks", "  padded\t"},
        {"control", std::string("nul\0bell\x07", 9)},
        {"gbk", "\xB8\xE8\xC7\xFA \x81\x5C\x81\x5D"},  // trail bytes equal to '\' and ']'
        {"key=with=equals", "v"},
        {"[bracket", "v"},
        {";comment", "v"},
        {" blank key", "v"},
        {"\"quote", "v"},
    };
    CIniDocument doc;
    for (const Case& c : cases) ASSERT_TRUE(doc.Set("S", c.key, c.value)) << c.key;
    const std::string text = doc.Serialize();
    CIniDocument again;
    again.Parse(text);
    for (const Case& c : cases) {
        std::string value;
        ASSERT_TRUE(again.Get("S", c.key, value)) << c.key;
        EXPECT_EQ(c.value, value) << c.key;
    }
    // One line per entry plus the section line and the blank line after it.
    size_t lines = 0;
    for (char ch : text) lines += ch == '\n';
    EXPECT_EQ(sizeof(cases) / sizeof(cases[0]) + 2, lines) << text;
    EXPECT_NE(std::string::npos, text.find("plain=C:\\Program Files\\Vixo\\\r\n")) << "paths stay readable";
}

TEST(IniDocument, NamesMatchWithoutAsciiCaseButGbkExactly) {
    CIniDocument doc;
    ASSERT_TRUE(doc.Set("Config", "Version", "1.0"));
    std::string value;
    ASSERT_TRUE(doc.Get("config", "version", value));
    EXPECT_EQ("1.0", value);
    ASSERT_TRUE(doc.Set("CONFIG", "VERSION", "2.0"));
    EXPECT_EQ(1u, doc.SectionCount());
    ASSERT_TRUE(Reparse(doc).Get("cOnFiG", "vErSiOn", value));
    EXPECT_EQ("2.0", value);

    // Two different GBK characters whose trail bytes are 'A' and 'a'.
    ASSERT_TRUE(doc.Set("S", "\x81\x41", "upper"));
    ASSERT_TRUE(doc.Set("S", "\x81\x61", "lower"));
    ASSERT_TRUE(doc.Get("S", "\x81\x41", value));
    EXPECT_EQ("upper", value);
    ASSERT_TRUE(doc.Get("s", "\x81\x61", value));
    EXPECT_EQ("lower", value);

    EXPECT_TRUE(doc.Remove("config", "VERSION"));
    EXPECT_FALSE(doc.Get("Config", "Version", value));
    EXPECT_TRUE(doc.RemoveSection("s"));
    EXPECT_FALSE(doc.Get("S", "\x81\x41", value));
}

TEST(IniDocument, RefusesSectionNamesThatCannotBeWritten) {
    CIniDocument doc;
    EXPECT_FALSE(doc.Set("", "k", "v"));
    EXPECT_FALSE(doc.Set("a]b", "k", "v"));
    EXPECT_FALSE(doc.Set("a\nb", "k", "v"));
    EXPECT_FALSE(doc.Set(" padded", "k", "v"));
    EXPECT_FALSE(doc.Set("S", "", "v"));
    EXPECT_EQ(0u, doc.SectionCount());
    // A GBK trail byte 0x5D is not a ']'.
    ASSERT_TRUE(doc.Set("\xB8\xE8\x81\x5D", "k", "v"));
    std::string value;
    EXPECT_TRUE(Reparse(doc).Get("\xB8\xE8\x81\x5D", "k", value));
}

TEST(IniDocument, ReadsHandWrittenFiles) {
    CIniDocument doc;
    doc.Parse("\xEF\xBB\xBF"
              "orphan=ignored\n"
              "; comment\n"
              "# another\n"
              "  [ Netsong ]  \n"
              "  SearchServer =  http://127.0.0.1:8080  \n"
              "noequals\n"
              "dup=first\r\n"
              "DUP=second\r\n"
              "[broken\n"
              "after=still netsong\n"
              "[Other]\n"
              "q=\"unterminated\n");
    std::string value;
    EXPECT_FALSE(doc.Get("", "orphan", value));
    ASSERT_TRUE(doc.Get("netsong", "searchserver", value));
    EXPECT_EQ("http://127.0.0.1:8080", value);
    ASSERT_TRUE(doc.Get("Netsong", "dup", value));
    EXPECT_EQ("first", value);
    ASSERT_TRUE(doc.Get("Netsong", "after", value));
    EXPECT_EQ("still netsong", value);
    ASSERT_TRUE(doc.Get("Other", "q", value));
    EXPECT_EQ("\"unterminated", value);
    EXPECT_FALSE(doc.Get("Netsong", "noequals", value));

    // Notepad's UTF-8 files start with a byte order mark, often right before the first section.
    doc.Parse("\xEF\xBB\xBF[Servers]\r\nAll=http://127.0.0.1:8080\r\n");
    ASSERT_TRUE(doc.Get("Servers", "All", value));
    EXPECT_EQ("http://127.0.0.1:8080", value);
}

TEST(IniDocument, NumbersParseOnlyWithinTheirRange) {
    int i = 7;
    EXPECT_TRUE(CIniDocument::ParseInt("-1", i));
    EXPECT_EQ(-1, i);
    EXPECT_TRUE(CIniDocument::ParseInt(" 2147483647 ", i));
    EXPECT_EQ(2147483647, i);
    EXPECT_TRUE(CIniDocument::ParseInt("-2147483648", i));
    EXPECT_EQ(INT32_MIN, i);
    for (const char* bad : {"", "-", "2147483648", "12abc", "0x10", "1.5", "99999999999999999999999"}) {
        EXPECT_FALSE(CIniDocument::ParseInt(bad, i)) << bad;
    }

    uint32_t u = 0;
    EXPECT_TRUE(CIniDocument::ParseUInt32("4294967295", u));
    EXPECT_EQ(0xFFFFFFFFu, u);
    EXPECT_TRUE(CIniDocument::ParseUInt32("2147483648", u));
    EXPECT_EQ(0x80000000u, u);
    for (const char* bad : {"4294967296", "-1", "", "abc"}) EXPECT_FALSE(CIniDocument::ParseUInt32(bad, u)) << bad;

    bool b = false;
    for (const char* yes : {"1", "TRUE", "Yes", "-3"}) {
        b = false;
        EXPECT_TRUE(CIniDocument::ParseBool(yes, b) && b) << yes;
    }
    for (const char* no : {"0", "false", "NO"}) {
        b = true;
        EXPECT_TRUE(CIniDocument::ParseBool(no, b) && !b) << no;
    }
    EXPECT_FALSE(CIniDocument::ParseBool("maybe", b));
}
