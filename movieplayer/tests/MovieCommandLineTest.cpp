#include <gtest/gtest.h>

#include <string>

#include "MovieCommandLine.h"

namespace {

using moviecommand::MovieCommand;
using moviecommand::Parse;

const std::string kExe = "\"C:\\Program Files\\Vx\\VxMdMoviePlayer.exe\" ";

struct Row {
    const char* what;
    std::string line;
    bool applied;
    int width, height;
    std::string icon, url, title;
};

TEST(MovieCommandLineTest, FieldsDefaultsAndBadInput) {
    const std::string huge(100000, '9');
    const std::string longTitle(70000, 'x');
    const Row rows[] = {
        {"the bridge's line", kExe + "/mdplay 640|360|7001.ico|http://h/v.html|歌名", true, 644, 392, "7001.ico",
         "http://h/v.html", "歌名"},
        {"a title holding bars and quotes", kExe + "/mdplay 640|360|a.ico|u|say \"a|b\" | c", true, 644, 392, "a.ico", "u",
         "say \"a|b\" | c"},
        {"blanks around the text go, the separator may be any character", kExe + "/mdplay\t 1|2|i|u|t  \r\n", true, 5, 34,
         "i", "u", "t"},
        {"fractions truncate; exponents count", kExe + "/mdplay 640.9|3.6e2|||t", true, 644, 392, "", "", "t"},
        {"below 1, zero, negative and non-numbers take the defaults", kExe + "/mdplay 0.99|-5|||", true, 1004, 732, "", "",
         moviecommand::kDefaultTitle},
        {"text that is no number", kExe + "/mdplay wide|high|||t", true, 1004, 732, "", "", "t"},
        {"a number with text after it", kExe + "/mdplay 800px| 600 x|||t", true, 804, 632, "", "", "t"},
        {"hexadecimal reads as its leading 0; inf and nan are no numbers", kExe + "/mdplay 0x280|inf|||nan", true, 1004,
         732, "", "", "nan"},
        {"huge numbers are capped", kExe + "/mdplay " + huge + "|1e300|||t", true, moviecommand::kMaxExtent,
         moviecommand::kMaxExtent, "", "", "t"},
        {"just below the cap", kExe + "/mdplay 32763|32735|||t", true, 32767, 32767, "", "", "t"},
        {"hugely negative", kExe + "/mdplay -" + huge + "|-1e300|||t", true, 1004, 732, "", "", "t"},
        {"a long title", kExe + "/mdplay 1|1|i|u|" + longTitle, true, 5, 33, "i", "u", longTitle},
        {"four fields are too few", kExe + "/mdplay 640|360|i|u", false, 0, 0, "", "", ""},
        {"one field", kExe + "/mdplay 640", false, 0, 0, "", "", ""},
        {"nothing after the switch", kExe + "/mdplay", false, 0, 0, "", "", ""},
        {"only the separator after it", kExe + "/mdplay ", false, 0, 0, "", "", ""},
        {"the switch is found case-sensitively", kExe + "/MDPLAY 640|360|i|u|t", false, 0, 0, "", "", ""},
        {"no switch", kExe + "640|360|i|u|t", false, 0, 0, "", "", ""},
        {"the first switch counts", kExe + "/mdplay 640|360|i|u|/mdplay 1|1|j|v|w", true, 644, 392, "i", "u",
         "/mdplay 1|1|j|v|w"},
        {"empty line", "", false, 0, 0, "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const MovieCommand command = Parse(row.line);
        ASSERT_EQ(row.applied, command.applied);
        if (!row.applied) continue;
        EXPECT_EQ(row.width, command.width);
        EXPECT_EQ(row.height, command.height);
        EXPECT_EQ(row.icon, command.icon);
        EXPECT_EQ(row.url, command.url);
        EXPECT_EQ(row.title, command.title);
    }
}

TEST(MovieCommandLineTest, IconRulesNumbersAndTheStartSwitch) {
    const std::string root = "C:\\data\\ranking\\";
    struct IconRow {
        std::string icon, file;
    } icons[] = {
        {"7001.ico", root + "ico\\7001.ico"},
        {"D:\\icons\\a.ico", "D:\\icons\\a.ico"},
        {"D:", "D:"},
        {"x:y", "x:y"},
        {"sub\\b.ico", root + "ico\\sub\\b.ico"},
        {"abc", root + "ico\\abc"},
        {"ab", ""},
        {"a", ""},
        {"", ""},
    };
    for (const IconRow& row : icons) {
        MovieCommand command;
        command.icon = row.icon;
        EXPECT_EQ(row.file, command.IconFile(root)) << row.icon;
    }

    EXPECT_EQ(0, moviecommand::ReadNumber(""));
    EXPECT_EQ(0, moviecommand::ReadNumber("-"));
    EXPECT_EQ(0, moviecommand::ReadNumber("."));
    EXPECT_EQ(5, moviecommand::ReadNumber("5."));
    EXPECT_EQ(0, moviecommand::ReadNumber(".5"));
    EXPECT_EQ(-7, moviecommand::ReadNumber(" -7.9"));
    EXPECT_EQ(2, moviecommand::ReadNumber("2e"));
    EXPECT_EQ(2147483647, moviecommand::ReadNumber("2147483647.5"));
    EXPECT_EQ(2147483647, moviecommand::ReadNumber("2147483648"));
    EXPECT_EQ(-2147483647 - 1, moviecommand::ReadNumber("-2147483648.9"));
    EXPECT_EQ(-2147483647 - 1, moviecommand::ReadNumber("-1e10"));

    EXPECT_TRUE(moviecommand::IsPlayRequest("/mdplay"));
    EXPECT_TRUE(moviecommand::IsPlayRequest("x /MdPlay 1|2"));
    EXPECT_FALSE(moviecommand::IsPlayRequest(""));
    EXPECT_FALSE(moviecommand::IsPlayRequest("/mdplya"));
}

}  // namespace
