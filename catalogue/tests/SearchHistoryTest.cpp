#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../src/SearchHistory.h"
#include "testing/MemoryFileCache.h"

namespace {

const char kItem[] = "VX_SEARCH_SONG/quorlin_history";

SearchParam Keyword(const std::string& key, int kind = kSearchKeyword) {
    SearchParam param;
    param.nType = kind;
    param.strKey = key;
    param.strKey2 = "src:" + key;
    return param;
}

std::vector<std::string> Keys(const CSearchHistory& history, int count) {
    std::vector<SearchParam> out;
    history.List(count, out);
    std::vector<std::string> keys;
    for (const SearchParam& p : out) keys.push_back(p.strKey);
    return keys;
}

}  // namespace

TEST(SearchHistory, RepeatsTrimAndListing) {
    vxtest::CMemoryFileCache cache;
    CSearchHistory history(&cache);
    history.Load();
    history.Add(Keyword("  abc "));
    history.Add(Keyword("def"));
    history.Add(Keyword("abc"));
    history.Add(Keyword("tip", kSearchTips));
    history.Add(Keyword("list", kSearchWebList));
    EXPECT_EQ((std::vector<std::string>{"abc", "def"}), Keys(history, 10));
    EXPECT_EQ((std::vector<std::string>{"abc"}), Keys(history, 1));
    EXPECT_TRUE(Keys(history, 0).empty());
    EXPECT_EQ(2u * 2052u, cache.items[kItem].size());
    EXPECT_EQ(1, cache.pinned[kItem]);

    // Out already holding a key: it is not repeated.
    std::vector<SearchParam> out{Keyword("def")};
    history.List(5, out);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ("abc", out[1].strKey);
    EXPECT_EQ("src:abc", out[1].strKey2);

    CSearchHistory many(&cache);
    EXPECT_EQ(1, many.Clear());
    for (int i = 0; i < 61; ++i) many.Add(Keyword("k" + std::to_string(i)));
    EXPECT_EQ(61u, Keys(many, 100).size());
    many.Add(Keyword("k61"));
    std::vector<std::string> keys = Keys(many, 100);
    ASSERT_EQ(42u, keys.size());
    EXPECT_EQ("k61", keys.front());
    EXPECT_EQ("k20", keys.back());

    // The stored item reads back the same.
    CSearchHistory reloaded(&cache);
    reloaded.Load();
    EXPECT_EQ(keys, Keys(reloaded, 100));
}

TEST(SearchHistory, DamagedItemsAndLongKeys) {
    vxtest::CMemoryFileCache cache;
    cache.items[kItem] = std::string(2053, 'x');
    CSearchHistory history(&cache);
    history.Load();
    EXPECT_TRUE(Keys(history, 10).empty());
    EXPECT_EQ(0u, cache.items.count(kItem));

    history.Add(Keyword(std::string(2000, 'q')));
    const std::string& stored = cache.items[kItem];
    ASSERT_EQ(2052u, stored.size());
    EXPECT_EQ(std::string(1023, 'q'), std::string(stored.c_str() + 4));
    EXPECT_EQ(std::string(1023, 'q'), Keys(history, 1).at(0));
    EXPECT_EQ(0, stored[0]);

    // Fields without their terminator are cut at the field's end, not read past it.
    std::string record(2052, 'z');
    record[0] = 2;
    record[1] = record[2] = record[3] = 0;
    cache.items[kItem] = record;
    history.Load();
    std::vector<SearchParam> out;
    history.List(1, out);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(2, out[0].nType);
    EXPECT_EQ(1023u, out[0].strKey.size());
    EXPECT_EQ(1023u, out[0].strKey2.size());
}
