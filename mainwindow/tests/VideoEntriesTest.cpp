#include "VideoEntries.h"

#include <gtest/gtest.h>

using videoentries::Parse;
using videoentries::Pick;
using videoentries::WithPage;

TEST(VideoEntries, EntriesAreReadByTheirLastThreeMarks) {
    const std::vector<VideoEntry> entries =
        Parse("http://v/a.swf#w=640#h=480#id=7|http://v/b#c.swf|http://v/x#y#w=1#h=2#id=3||#w=9#h=9#id=9|http://tail");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("http://v/a.swf", entries[0].url);
    EXPECT_EQ(640, entries[0].width);
    EXPECT_EQ(480, entries[0].height);
    EXPECT_EQ(7, entries[0].id);
    EXPECT_EQ("7.ico", entries[0].Icon());
    // Fewer than three marks: the whole entry is the address and the defaults stay.
    EXPECT_EQ("http://v/b#c.swf", entries[1].url);
    EXPECT_EQ(800, entries[1].width);
    EXPECT_EQ(600, entries[1].height);
    EXPECT_EQ(0, entries[1].id);
    EXPECT_EQ("0.ico", entries[1].Icon());
    // Only the last three marks count; earlier ones stay in the address.
    EXPECT_EQ("http://v/x#y", entries[2].url);
    EXPECT_EQ(3, entries[2].id);

    EXPECT_TRUE(Parse("http://no-bar-at-all").empty());
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("||").empty());
}

TEST(VideoEntries, UnreadableFieldsKeepTheirDefaults) {
    const std::vector<VideoEntry> entries = Parse("u1#w=320#h=?#id=5|u2#a#b#c|u3#w=-1#h=0#id=-4|");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("u1", entries[0].url);
    EXPECT_EQ(320, entries[0].width);
    EXPECT_EQ(600, entries[0].height);
    EXPECT_EQ(0, entries[0].id);
    EXPECT_EQ("u2", entries[1].url);
    EXPECT_EQ(800, entries[1].width);
    EXPECT_EQ(-4, entries[2].id);
    EXPECT_EQ(0, entries[2].height);
}

TEST(VideoEntries, IndexPicksFirstOrMatchingId) {
    const std::vector<VideoEntry> entries = Parse("a#w=1#h=1#id=4|b#w=1#h=1#id=2|c|");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("a", Pick(entries, -1)->url);
    EXPECT_EQ("b", Pick(entries, 2)->url);
    EXPECT_EQ("c", Pick(entries, 0)->url);
    EXPECT_EQ(nullptr, Pick(entries, 1));
    EXPECT_EQ(nullptr, Pick(std::vector<VideoEntry>(), -1));
    EXPECT_EQ(nullptr, Pick(std::vector<VideoEntry>(), 0));
}

TEST(VideoEntries, PageNumberIsRewrittenWhereTheCatalogueReadsIt) {
    EXPECT_EQ("http://s/l?t=1&pn=3&rn=60", WithPage("http://s/l?t=1&pn=0&rn=60", 3));
    EXPECT_EQ("http://s/l?pn=12", WithPage("http://s/l?pn=1", 12));
    EXPECT_EQ("http://s/l?x=1&pn=2", WithPage("http://s/l?x=1&pn=", 2));
    EXPECT_EQ("http://s/l?t=1&pn=4", WithPage("http://s/l?t=1", 4));
    // "&pn=" wins over an earlier "?pn=", as when the catalogue reads the page back.
    EXPECT_EQ("http://s/l?pn=1&pn=5", WithPage("http://s/l?pn=1&pn=2", 5));
}
