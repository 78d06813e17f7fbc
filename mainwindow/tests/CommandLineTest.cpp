#include <gtest/gtest.h>

#include <utility>

#include "CommandLine.h"

namespace {

TEST(CommandLine, ASwitchValueStartsOneSeparatorAfterTheSwitchAndRunsToTheEnd) {
    struct Case { const char* text; const char* name; bool found; const char* value; };
    const Case cases[] = {
        {"VxMelodisk.exe /playico 123", "/playico", true, "123"}, {"x /playico", "/playico", false, ""},
        {"x /playico ", "/playico", false, ""}, {"x /playico  ", "/playico", true, " "},
        {"/playico=5", "/playico", true, "5"}, {"a /from x", "/from", true, "x"}, {"a /from ", "/from", false, ""},
        {"/go 9", "/go", true, "9"}, {"/go ", "/go", false, ""}, {"", "/go", false, ""},
        // Later switches belong to the value; the first occurrence counts; no word boundary is needed.
        {"/from desk /autorun", "/from", true, "desk /autorun"}, {"/from a /from b", "/from", true, "a /from b"},
        {"x/fromage", "/from", true, "ge"},
    };
    for (const Case& c : cases) {
        std::string value = "stale";
        EXPECT_EQ(c.found, CCommandLine(c.text).Value(c.name, value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }
    std::string id;
    EXPECT_TRUE(CCommandLine("x /playico  105 \r\n").PlayIco(id));
    EXPECT_EQ("105", id);
    EXPECT_TRUE(CCommandLine("x /playico   ").PlayIco(id));
    EXPECT_EQ("", id);
}

TEST(CommandLine, FromIsTrimmedAndUpperCasedAndTheRecordFallsBackToShortcut) {
    EXPECT_EQ("DESKTOP", CCommandLine("x /from  Desktop \r\n").From());
    EXPECT_EQ("", CCommandLine("x /from    ").From());
    // A GBK character whose trail byte looks like 'a' is left as it is.
    EXPECT_EQ("\xB0\x61" "B", CCommandLine("/from \xB0\x61" "b").From());
    EXPECT_EQ("SHORTCUT", ExitRecordSource(CCommandLine("x /from").From()));
    EXPECT_EQ("TRAY", ExitRecordSource(CCommandLine("x /from tray").From()));
}

TEST(CommandLine, GoPathReadsOneIdPerPieceAndSurvivesJunk) {
    const uint32_t kMax = 4294967295u;
    const std::pair<const char*, std::vector<uint32_t>> cases[] = {
        {"VxMdAuto.exe /go 3|17|42", {3, 17, 42}}, {"/go 42\r\n", {42}}, {"/go 3| 17 |42", {3, 17, 42}},
        // Blank pieces are no ids; a malformed id keeps its place as its leading digits or 0.
        {"/go 3||42|", {3, 42}}, {"/go |", {}}, {"/go  ", {}}, {"/go", {}},
        {"/go x|12ab|-5|7", {0, 12, 0, 7}}, {"/go 4294967295|4294967296|99999999999999999999999", {kMax, kMax, kMax}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, CCommandLine(c.first).GoPath()) << c.first;
}

}  // namespace
