#include "SearchText.h"

#include <gtest/gtest.h>

namespace {

struct FieldCase {
    const char* what;
    std::string field;
    int kind;
    int wantKind;
    std::string wantKey;
};

std::string Repeat(const std::string& part, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += part;
    return text;
}

}  // namespace

// What the field's text becomes when the search runs: the read rule (99 characters, trimmed, cue
// and blanks empty) and the request built from it.
TEST(SearchText, FieldTextBecomesTheRequestItRuns) {
    const std::string ascii150 = Repeat("abcdefghij", 15);
    // 98 letters, then a double-byte character that is the 99th and a letter that is the 100th.
    const std::string mixed = Repeat("x", 98) + "歌" + "y";
    const FieldCase cases[] = {
        {"plain", "abc", kSearchKeyword, kSearchKeyword, "abc"},
        {"kind kept", "abc", kSearchLyrics, kSearchLyrics, "abc"},
        {"trimmed", "  周杰伦 \t", kSearchAlbum, kSearchAlbum, "周杰伦"},
        {"inner blanks kept", " a  b ", kSearchKeyword, kSearchKeyword, "a  b"},
        {"empty is random", "", kSearchLyrics, kSearchRandom, ""},
        {"blanks only are empty", "     ", kSearchKeyword, kSearchRandom, ""},
        {"the cue is empty", "搜索音乐、视频", kSearchKeyword, kSearchRandom, ""},
        {"the cue with blanks is empty", " 搜索音乐、视频 ", kSearchKeyword, kSearchRandom, ""},
        {"150 characters: the first 99", ascii150, kSearchKeyword, kSearchKeyword, ascii150.substr(0, 99)},
        {"double-byte counts as one", Repeat("歌", 150), kSearchKeyword, kSearchKeyword, Repeat("歌", 99)},
        {"the 99th character whole", mixed, kSearchKeyword, kSearchKeyword, Repeat("x", 98) + "歌"},
        {"cut before trimming", Repeat(" ", 99) + "abc", kSearchKeyword, kSearchRandom, ""},
        {"a lone lead byte at the end", "ab\x81", kSearchKeyword, kSearchKeyword, "ab\x81"},
    };
    for (const FieldCase& c : cases) {
        const std::string key = searchtext::FieldKey(c.field);
        EXPECT_EQ(c.wantKey, key) << c.what;
        const SearchParam param = searchtext::BuildSearch(c.kind, key);
        EXPECT_EQ(c.wantKind, param.nType) << c.what;
        EXPECT_EQ(c.wantKey, param.strKey) << c.what;
        EXPECT_EQ("网络曲库->搜索->" + c.wantKey, param.strKey2) << c.what;
    }

    // The counts a suggestion row shows beside its word.
    auto tip = [](const char* s, const char* r) { return searchtext::TipCountText(TipWord{"w", s, r}); };
    EXPECT_EQ("约12首", tip("12", "30"));
    EXPECT_EQ("30个结果", tip("", "30"));
    EXPECT_EQ("30个结果", tip("0", "30"));
    EXPECT_EQ("", tip("", ""));
    EXPECT_EQ("", tip("00", " "));
}
