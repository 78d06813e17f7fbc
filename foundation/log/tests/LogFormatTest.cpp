#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <string>

#include "log/LogFormat.h"
#include "log/VxMdLog.h"

namespace {

const VxMdLog::LogTime kTime = {2024, 3, 7, 9, 5, 2, 45};

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VxMdLog::FormatText(format, args);
    va_end(args);
    return text;
}

}  // namespace

TEST(LogFormat, LevelNamesInOrderAndUnknownOutOfRange) {
    const char* expected[] = {"DEBUG", "NOTICE", "WARNING", "FATAL", "KEYINFO", "UNKOWN"};
    for (int level = VxMdLog::LEVEL_DEBUG; level <= VxMdLog::LEVEL_UNKOWN; ++level) {
        EXPECT_STREQ(expected[level], VxMdLog::LevelName(level));
    }
    for (int level : {-1, 6, 100, -2147483647 - 1, 2147483647}) EXPECT_STREQ("UNKOWN", VxMdLog::LevelName(level)) << level;
}

TEST(LogFormat, DiagnosticLineLayout) {
    std::string line = VxMdLog::FormatLogLine(kTime, 1234, 56, VxMdLog::LEVEL_WARNING, "UpdateCmd",
                                              Format("got %d of %s", 3, "五首歌"));
    EXPECT_EQ("2024-03-07 09:05:02.045 1234 56 WARNING [UpdateCmd] got 3 of 五首歌\r\n", line);

    // Line breaks inside never start a new line; null tag and format are tolerated.
    line = VxMdLog::FormatLogLine(kTime, 1, 2, 9, nullptr, Format("a\r\nb\nc"));
    EXPECT_EQ("2024-03-07 09:05:02.045 1 2 UNKOWN [] a  b c\r\n", line);
    line = VxMdLog::FormatLogLine(kTime, 1, 2, 0, "t\n", Format(nullptr));
    EXPECT_EQ("2024-03-07 09:05:02.045 1 2 DEBUG [t ] (null)\r\n", line);
}

TEST(LogFormat, ActRecordLayout) {
    EXPECT_EQ("2024-03-07 09:05:02.045\tK_PLAY_GMAE\tU:42|N:|NA:游戏|PSRC:首页->游戏\r\n",
              VxMdLog::FormatActLine(kTime, "K_PLAY_GMAE", "U:42|N:|NA:游戏|PSRC:首页->游戏"));
    EXPECT_EQ("2024-03-07 09:05:02.045\tK X\tU:|N:|D:a\tb  c\r\n", VxMdLog::FormatActLine(kTime, "K\tX", "U:|N:|D:a\tb\r\nc"));
    EXPECT_EQ("2024-03-07 09:05:02.045\t\t\r\n", VxMdLog::FormatActLine(kTime, nullptr, nullptr));
}

TEST(LogFormat, HugeMessagesAreCutAtACharacterBoundary) {
    // 100 KB of two-byte characters behind one ASCII byte: a byte-wise cut would split one.
    std::string huge = "x";
    while (huge.size() < 100 * 1024) huge += "歌";
    std::string text = Format("%s", huge.c_str());
    EXPECT_LE(text.size(), VxMdLog::kMaxLineBytes);
    EXPECT_GT(text.size(), VxMdLog::kMaxLineBytes - 4);
    EXPECT_EQ(1u, text.size() % 2) << "x plus whole characters";

    for (const std::string& line : {VxMdLog::FormatLogLine(kTime, 1, 2, 1, "tag", huge),
                                    VxMdLog::FormatActLine(kTime, "K_EXIT", huge.c_str())}) {
        EXPECT_LE(line.size(), VxMdLog::kMaxLineBytes);
        EXPECT_GT(line.size(), VxMdLog::kMaxLineBytes - 8);
        ASSERT_EQ("\r\n", line.substr(line.size() - 2));
        EXPECT_EQ(" ...", line.substr(line.size() - 6, 4));
        EXPECT_EQ(1u, static_cast<size_t>(std::count(line.begin(), line.end(), '\n')));
        // Every byte before the mark pairs up into whole characters after the ASCII head.
        size_t body = line.find("x歌");
        ASSERT_NE(std::string::npos, body);
        EXPECT_EQ(1u, (line.size() - 6 - body) % 2);
    }

    EXPECT_EQ("ab", VxMdLog::CutGbk("ab歌", 3));
    EXPECT_EQ("ab歌", VxMdLog::CutGbk("ab歌", 4));
    EXPECT_EQ("a", VxMdLog::CutGbk(std::string("a\xB8"), 5)) << "a lone lead byte at the end goes";
}

TEST(LogFormat, FileNamesStayInsideTheirFolder) {
    EXPECT_EQ("update.log", VxMdLog::SafeFileName("update.log", "d"));
    EXPECT_EQ(".._.._x.txt", VxMdLog::SafeFileName("..\\..\\x.txt", "d"));
    EXPECT_EQ("a_b_c_", VxMdLog::SafeFileName("a/b:c\n", "d"));
    EXPECT_EQ("d", VxMdLog::SafeFileName("..", "d"));
    EXPECT_EQ("d", VxMdLog::SafeFileName(nullptr, "d"));
    EXPECT_EQ("d", VxMdLog::SafeFileName("", "d"));
    EXPECT_EQ("\x81\x5C.txt", VxMdLog::SafeFileName("\x81\x5C.txt", "d")) << "a GBK trail byte 0x5C is no separator";
}
