#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CacheFs.h"
#include "FileCache.h"
#include "TestDir.h"

namespace {

std::string Bytes(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7);
    return s;
}

bool Has(CFileCache& cache, const char* group, const char* name) {
    return cache.GetItemInfo(group, name, nullptr, nullptr) != 0;
}

}  // namespace

TEST(FileCache, StoresItemsByGroupAndNameAndShowsOnlyCompleteWrites) {
    CFileCache cache;
    ASSERT_TRUE(cache.Init(0, (MakeTestDir("fc") + CacheFs::kSep + "cache").c_str()));
    std::string a = Bytes(100000, 1), b = Bytes(10, 2);
    ASSERT_TRUE(cache.WriteItem("G1", "http://x/a?b=1", a.data(), static_cast<int>(a.size()), 0));
    std::string out;
    ASSERT_TRUE(cache.ReadItem("G1", "http://x/a?b=1", out));
    EXPECT_EQ(a, out);
    EXPECT_FALSE(cache.ReadItem("G2", "http://x/a?b=1", out));
    EXPECT_FALSE(cache.ReadItem("G1", "http://x/a?b=2", out));

    // A streamed write is invisible until committed; the old copy serves meanwhile.
    int w = cache.BeginWrite("G1", "http://x/a?b=1");
    ASSERT_NE(0, w);
    ASSERT_TRUE(cache.AppendWrite(w, b.data(), static_cast<int>(b.size())));
    ASSERT_TRUE(cache.ReadItem("G1", "http://x/a?b=1", out));
    EXPECT_EQ(a, out);
    ASSERT_TRUE(cache.CommitWrite(w));
    ASSERT_TRUE(cache.ReadItem("G1", "http://x/a?b=1", out));
    EXPECT_EQ(b, out);

    int aborted = cache.BeginWrite("G1", "new");
    ASSERT_TRUE(cache.AppendWrite(aborted, a.data(), 100));
    cache.AbortWrite(aborted);
    EXPECT_FALSE(Has(cache, "G1", "new"));
    EXPECT_FALSE(cache.AppendWrite(aborted, a.data(), 1));   // the handle is gone

    // An empty item is an item.
    ASSERT_TRUE(cache.WriteItem("G1", "empty", nullptr, 0, 1));
    ASSERT_TRUE(cache.ReadItem("G1", "empty", out));
    EXPECT_TRUE(out.empty());
}

TEST(FileCache, WriteCutByACrashOrADamagedEntryNeverReadsAsComplete) {
    std::string dir = MakeTestDir("crash") + CacheFs::kSep + "cache";
    std::string data = Bytes(5000, 3);
    CFileCache before;   // stays alive with its write unfinished, as a crashed process would leave it
    {
        ASSERT_TRUE(before.Init(0, dir.c_str()));
        ASSERT_TRUE(before.WriteItem("G", "whole", data.data(), 5000, 0));
        ASSERT_TRUE(before.WriteItem("G", "damaged", data.data(), 5000, 0));
        int w = before.BeginWrite("G", "half");
        ASSERT_TRUE(before.AppendWrite(w, data.data(), 2500));
        // Damage a committed entry by one byte at its end.
        std::string damaged = before.EntryPath("G", "damaged");
        std::FILE* f = CacheFs::Open(damaged, "rb");
        ASSERT_NE(nullptr, f);
        std::string content(6000, '\0');
        content.resize(std::fread(&content[0], 1, content.size(), f));
        std::fclose(f);
        f = CacheFs::Open(damaged, "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(content.data(), 1, content.size() - 1, f);
        std::fclose(f);
        std::string out;
        EXPECT_FALSE(before.ReadItem("G", "damaged", out));
    }
    // A later process sees the files as they are on disk.
    CFileCache after;
    ASSERT_TRUE(after.Init(0, dir.c_str()));
    std::string out;
    EXPECT_TRUE(after.ReadItem("G", "whole", out));
    EXPECT_EQ(data, out);
    EXPECT_FALSE(after.ReadItem("G", "half", out));
    EXPECT_FALSE(after.ReadItem("G", "damaged", out));
    std::FILE* half = CacheFs::Open(after.EntryPath("G", "half"), "rb");
    EXPECT_EQ(nullptr, half);
    if (half) std::fclose(half);
}

TEST(FileCache, EvictsOldestBeyondCountOrBytesAndKeepsPinnedItems) {
    CFileCache cache;
    ASSERT_TRUE(cache.Init(0, MakeTestDir("evict").c_str()));
    std::string d = Bytes(40, 4);
    ASSERT_TRUE(cache.SetGroupLimits("C", 0, 3, 0));
    ASSERT_TRUE(cache.WriteItem("C", "history", d.data(), 40, 1));
    for (const char* name : {"1", "2", "3"}) ASSERT_TRUE(cache.WriteItem("C", name, d.data(), 40, 0));
    EXPECT_TRUE(Has(cache, "C", "history"));
    EXPECT_FALSE(Has(cache, "C", "1"));
    EXPECT_TRUE(Has(cache, "C", "2"));
    EXPECT_TRUE(Has(cache, "C", "3"));

    ASSERT_TRUE(cache.SetGroupLimits("B", 0, 0, 100));
    for (const char* name : {"1", "2", "3"}) ASSERT_TRUE(cache.WriteItem("B", name, d.data(), 40, 0));
    EXPECT_FALSE(Has(cache, "B", "1"));
    EXPECT_TRUE(Has(cache, "B", "2"));
    EXPECT_TRUE(Has(cache, "B", "3"));
    // Other groups keep their own limits.
    EXPECT_TRUE(Has(cache, "C", "2"));
}

TEST(FileCache, DeleteReportsZeroWhenNoCopyRemains) {
    CFileCache cache;
    ASSERT_TRUE(cache.Init(0, MakeTestDir("del").c_str()));
    EXPECT_EQ(-1, CFileCache().DeleteItem("G", "x"));   // not initialised
    ASSERT_TRUE(cache.WriteItem("G", "x", "abc", 3, 0));
    ASSERT_TRUE(cache.WriteItem("G", "y", "abc", 3, 1));
    int r = cache.OpenRead("G", "x");   // an open reader does not keep the item alive
    ASSERT_NE(0, r);
    EXPECT_EQ(0, cache.DeleteItem("G", "x"));
    cache.CloseRead(r);
    EXPECT_FALSE(Has(cache, "G", "x"));
    EXPECT_EQ(0, cache.DeleteItem("G", "x"));
    EXPECT_EQ(0, cache.ClearGroup("G"));
    EXPECT_FALSE(Has(cache, "G", "y"));
}
