#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace {

struct ValueCase {
    const char* text;
    const char* name;
    bool found;
    const char* value;
};

// The value starts one separator character after the switch (9, 6 and 4 characters after its
// start) and is used only when that position lies inside the text.
const ValueCase kValueCases[] = {
    {"VxMelodisk.exe /playico 123", "/playico", true, "123"},
    {"VxMelodisk.exe /playico", "/playico", false, ""},
    {"VxMelodisk.exe /playico ", "/playico", false, ""},
    {"VxMelodisk.exe /playico 7", "/playico", true, "7"},
    {"VxMelodisk.exe /playico  ", "/playico", true, " "},
    {"/playico=5", "/playico", true, "5"},
    {"a /from desk", "/from", true, "desk"},
    {"a /from", "/from", false, ""},
    {"a /from ", "/from", false, ""},
    {"a /from x", "/from", true, "x"},
    {"/go 3|17|42", "/go", true, "3|17|42"},
    {"/go", "/go", false, ""},
    {"/go ", "/go", false, ""},
    {"/go 9", "/go", true, "9"},
    // To the end of the text, later switches included; the first occurrence counts.
    {"/from desk /autorun", "/from", true, "desk /autorun"},
    {"/from a /from b", "/from", true, "a /from b"},
    // Plain substring search: no word boundary is needed.
    {"x/fromage", "/from", true, "ge"},
    {"", "/go", false, ""},
    {"VxMelodisk.exe", "/go", false, ""},
};

TEST(CommandLine, SwitchValueStartsOneSeparatorAfterTheSwitchAndRunsToTheEnd) {
    for (const ValueCase& c : kValueCases) {
        std::string value = "stale";
        EXPECT_EQ(c.found, CCommandLine(c.text).Value(c.name, value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }
}

TEST(CommandLine, PlayIcoIsTrimmedButAnyValueCounts) {
    std::string id;
    EXPECT_TRUE(CCommandLine("VxMelodisk.exe /playico  105 \r\n").PlayIco(id));
    EXPECT_EQ("105", id);
    EXPECT_TRUE(CCommandLine("VxMelodisk.exe /playico   ").PlayIco(id));
    EXPECT_EQ("", id);
    EXPECT_FALSE(CCommandLine("VxMelodisk.exe /playico").PlayIco(id));
}

TEST(CommandLine, FromIsTrimmedAndUpperCasedAndTheRecordFallsBackToShortcut) {
    EXPECT_EQ("DESKTOP", CCommandLine("VxMelodisk.exe /from  Desktop \r\n").From());
    EXPECT_EQ("DESK /AUTORUN", CCommandLine("/from desk /autorun").From());
    EXPECT_EQ("", CCommandLine("VxMelodisk.exe").From());
    EXPECT_EQ("", CCommandLine("VxMelodisk.exe /from").From());
    EXPECT_EQ("", CCommandLine("VxMelodisk.exe /from    ").From());
    // A GBK character whose trail byte looks like 'a' is left as it is.
    EXPECT_EQ("\xB0\x61" "B", CCommandLine("/from \xB0\x61" "b").From());

    EXPECT_EQ("SHORTCUT", ExitRecordSource(CCommandLine("VxMelodisk.exe").From()));
    EXPECT_EQ("SHORTCUT", ExitRecordSource(CCommandLine("VxMelodisk.exe /from  ").From()));
    EXPECT_EQ("TRAY", ExitRecordSource(CCommandLine("VxMelodisk.exe /from tray").From()));
}

TEST(CommandLine, AutoRunIsASubstring) {
    EXPECT_TRUE(CCommandLine("VxMelodisk.exe /autorun").IsAutoRun());
    EXPECT_TRUE(CCommandLine("VxMelodisk.exe /from x/autorun").IsAutoRun());
    EXPECT_FALSE(CCommandLine("VxMelodisk.exe /auto").IsAutoRun());
}

struct GoCase {
    const char* text;
    std::vector<uint32_t> ids;
};

TEST(CommandLine, GoPathReadsOneIdPerPieceAndSurvivesJunk) {
    const GoCase cases[] = {
        {"VxMdAuto.exe /go 3|17|42", {3, 17, 42}},
        {"/go 42", {42}},
        {"/go 3|17|42\r\n", {3, 17, 42}},
        {"/go 3| 17 |42", {3, 17, 42}},
        // Blank pieces are no ids.
        {"/go 3||42|", {3, 42}},
        {"/go |", {}},
        {"/go  ", {}},
        {"/go", {}},
        {"/go ", {}},
        // A malformed id keeps its place; its leading digits, or 0, stand for it.
        {"/go x|17", {0, 17}},
        {"/go 12ab|7", {12, 7}},
        {"/go -5|7", {0, 7}},
        {"/go 4294967295|1", {4294967295u, 1}},
        {"/go 4294967296|1", {4294967295u, 1}},
        {"/go 99999999999999999999999999|1", {4294967295u, 1}},
        {"VxMelodisk.exe", {}},
    };
    for (const GoCase& c : cases) EXPECT_EQ(c.ids, CCommandLine(c.text).GoPath()) << c.text;
}

}  // namespace
