#include <gtest/gtest.h>

#include "FrameRules.h"
#include "NavigationHistory.h"

namespace {

HistoryEntry ListEntry(intptr_t n) {
    HistoryEntry e;
    e.list = reinterpret_cast<CSongListBase*>(n);
    return e;
}

intptr_t Id(const HistoryEntry* e) {
    return e ? reinterpret_cast<intptr_t>(e->list) : 0;
}

}  // namespace

TEST(NavigationHistory, CapsBothListsAndMovesLikeBrowserButtons) {
    CNavigationHistory h;
    HistoryEntry taken;
    EXPECT_FALSE(h.TakeBack(taken));
    h.Push(ListEntry(1), false);
    EXPECT_FALSE(h.CanGoBack());
    EXPECT_FALSE(h.TakeBack(taken)) << "a single entry has nowhere to go back to";
    EXPECT_EQ(1, Id(h.Current()));

    for (intptr_t n = 2; n <= 12; ++n) h.Push(ListEntry(n), false);
    ASSERT_EQ(11u, h.BackEntries().size()) << "twelve openings leave eleven entries";
    EXPECT_EQ(2, Id(&h.BackEntries().front()));

    // Back: the current entry goes to the forward list, the previous one is taken out to reopen.
    ASSERT_TRUE(h.TakeBack(taken));
    EXPECT_EQ(11, Id(&taken));
    EXPECT_EQ(10, Id(h.Current()));
    ASSERT_TRUE(h.CanGoForward());
    EXPECT_EQ(12, Id(&h.ForwardEntries().front()));
    h.Push(taken, true);  // the reopening pushes it again and keeps the forward list
    EXPECT_EQ(11, Id(h.Current()));
    EXPECT_TRUE(h.CanGoForward());

    ASSERT_TRUE(h.TakeForward(taken));
    EXPECT_EQ(12, Id(&taken));
    EXPECT_FALSE(h.CanGoForward());
    h.Push(taken, true);

    // Jumping three back puts the skipped and the current entries forward, nearest first.
    ASSERT_TRUE(h.TakeBackSteps(3, taken));
    EXPECT_EQ(9, Id(&taken));
    ASSERT_EQ(3u, h.ForwardEntries().size());
    EXPECT_EQ(10, Id(&h.ForwardEntries()[0]));
    EXPECT_EQ(12, Id(&h.ForwardEntries()[2]));
    h.Push(taken, true);

    // A new place empties the forward list.
    h.Push(ListEntry(40), false);
    EXPECT_FALSE(h.CanGoForward());
    EXPECT_FALSE(h.TakeBackSteps(11, taken)) << "more steps than entries before the current";

    // Forward keeps at most eleven too.
    CNavigationHistory many;
    for (intptr_t n = 1; n <= 11; ++n) many.Push(ListEntry(n), false);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(many.TakeBack(taken));
        many.Push(taken, true);
    }
    EXPECT_EQ(10u, many.ForwardEntries().size());
    EXPECT_EQ(1, Id(many.Current()));
    EXPECT_FALSE(many.CanGoBack());
}

TEST(FrameRules, TreeImagesDepthsPagesAndAlbumFilter) {
    EXPECT_EQ(0, frameRules::DefaultTreeImage(7, "x"));
    EXPECT_EQ(2, frameRules::DefaultTreeImage(9, "最近播放"));
    EXPECT_EQ(3, frameRules::DefaultTreeImage(14, "x"));
    EXPECT_EQ(5, frameRules::DefaultTreeImage(5, "最近播放"));
    EXPECT_EQ(4, frameRules::DefaultTreeImage(13, "最近播放"));
    EXPECT_EQ(6, frameRules::DefaultTreeImage(4, "最新推荐"));
    EXPECT_EQ(7, frameRules::DefaultTreeImage(4, "热门播放"));
    EXPECT_EQ(1, frameRules::DefaultTreeImage(4, "新歌榜"));

    EXPECT_TRUE(frameRules::HasExpandButton(0));
    EXPECT_TRUE(frameRules::HasExpandButton(14));
    EXPECT_FALSE(frameRules::HasExpandButton(4));
    EXPECT_EQ(1, frameRules::ChildDepth(7, true, 5)) << "categories get one level, shown or not";
    EXPECT_EQ(-1, frameRules::ChildDepth(0, true, 1));
    EXPECT_EQ(0, frameRules::ChildDepth(0, false, 1)) << "a hidden list's children wait for its expansion";
    EXPECT_EQ(-1, frameRules::ChildDepth(0, false, -1));

    EXPECT_EQ("folder", frameRules::PageName(0));
    EXPECT_EQ("folder", frameRules::PageName(4));
    EXPECT_EQ("doubleFolder", frameRules::PageName(1));
    EXPECT_EQ("gameindex", frameRules::PageName(14));
    EXPECT_EQ("", frameRules::PageName(6));
    EXPECT_TRUE(frameRules::IsPageList(9));
    EXPECT_FALSE(frameRules::IsPageList(4));

    // Only an album of an artist filters, by album name and artist text, ignoring case.
    EXPECT_TRUE(frameRules::KeepAlbumSong(5, 2, "Blue", "ann", "bLUE", "Ann Lee"));
    EXPECT_FALSE(frameRules::KeepAlbumSong(5, 2, "Blue", "ann", "Blue Two", "Ann Lee"));
    EXPECT_FALSE(frameRules::KeepAlbumSong(5, 2, "Blue", "bob", "Blue", "Ann Lee"));
    EXPECT_TRUE(frameRules::KeepAlbumSong(5, 4, "Blue", "bob", "Other", "Ann Lee"));
    EXPECT_TRUE(frameRules::KeepAlbumSong(4, 2, "Blue", "bob", "Other", "Ann Lee"));
}
