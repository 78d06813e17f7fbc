#include "ListShortcut.h"

#include <gtest/gtest.h>

#include "datadef/SongList.h"
#include "vxlib/Dir.h"

namespace {

CNetSongList* List(uint32_t id, CSongListBase* parent) {
    CNetSongList* list = new CNetSongList;
    list->SetId(id);
    if (parent) parent->AddChild(list);
    return list;
}

}  // namespace

TEST(ListShortcut, GoPathRunsFromTheTopLevelDownAndLeavesTheRootOut) {
    std::unique_ptr<CNetSongList> root(List(1, nullptr));
    CNetSongList* top = List(10, root.get());
    CNetSongList* middle = List(0, top);  // no id of its own
    CNetSongList* leaf = List(30, middle);
    EXPECT_EQ(std::vector<uint32_t>({10}), listshortcut::PathIds(*top));
    EXPECT_EQ(std::vector<uint32_t>({10, 30}), listshortcut::PathIds(*leaf));
    EXPECT_TRUE(listshortcut::PathIds(*root).empty());
    // A plain list carries no id.
    CSongListBase plain;
    plain.SetParent(top);
    EXPECT_EQ(std::vector<uint32_t>({10}), listshortcut::PathIds(plain));

    EXPECT_EQ("/go 10", listshortcut::GoArguments({10}));
    EXPECT_EQ("/go 10|30|4294967295", listshortcut::GoArguments({10, 30, 4294967295u}));
    EXPECT_EQ("/go ", listshortcut::GoArguments({}));
}

TEST(ListShortcut, FileNamesLoseOnlyWhatWindowsRefuses) {
    EXPECT_EQ("R&B_Soul _1_ __", Dir::SafeFileName("R&B/Soul <1> ?*"));
    EXPECT_EQ("a_b_c_d", Dir::SafeFileName("a\\b|c\"d"));
    // 0x95 0x5C is one character whose second byte is a backslash.
    EXPECT_EQ("\x95\x5C" "_", Dir::SafeFileName("\x95\x5C:"));
    EXPECT_EQ("热门歌曲", Dir::SafeFileName("热门歌曲"));
}
