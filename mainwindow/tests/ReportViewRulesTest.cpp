#include "ReportViewRules.h"

#include <gtest/gtest.h>

using namespace reportview;

TEST(ReportViewRules, StoredWidthsApplyOnlyWhenTheyFitTheColumns) {
    const std::vector<int> defaults{239, 111, 134, 62, 38, 38, 38, 38};
    EXPECT_EQ("239,111,134,62,38,38,38,38", FormatColumnWidths(defaults));
    struct Case { const char* text; bool applied; std::vector<int> result; };
    const Case cases[] = {
        {"300,100,100,50,40,40,40,40", true, {300, 100, 100, 50, 40, 40, 40, 40}},
        {"300,4,0,50,40,40,40,5", true, {300, 111, 134, 50, 40, 40, 40, 5}},
        {"300,100,100,50,40,40,40", false, defaults},
        {"300,100,100,50,40,40,40,40,40", false, defaults},
        {"300,100,,50,40,40,40,40", false, defaults},
        {"300,100,x,50,40,40,40,40", false, defaults},
        {"300,100,-9,50,40,40,40,40", false, defaults},
        {"", false, defaults},
        {"300,100,100,50,40,40,40,40,", false, defaults},
    };
    for (const Case& c : cases) {
        std::vector<int> widths = defaults;
        EXPECT_EQ(c.applied, ParseColumnWidths(c.text, widths)) << c.text;
        EXPECT_EQ(c.result, widths) << c.text;
    }
    std::vector<int> round = defaults;
    ASSERT_TRUE(ParseColumnWidths(FormatColumnWidths({10, 20, 30, 40, 50, 60, 70, 80}), round));
    EXPECT_EQ((std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80}), round);
}

TEST(ReportViewRules, SortKeysCompareTextWithoutCaseAndNumbersByValue) {
    EXPECT_LT(CompareSortKeys(kSortText, "abc", "ABD"), 0);
    EXPECT_EQ(0, CompareSortKeys(kSortText, "Abc", "aBC"));
    EXPECT_LT(CompareSortKeys(kSortText, "ab", "abc"), 0);
    EXPECT_LT(CompareSortKeys(kSortNumber, "9", "10"), 0);
    EXPECT_GT(CompareSortKeys(kSortText, "9", "10"), 0);
    EXPECT_EQ(0, CompareSortKeys(kSortNumber, "", "0"));
}

TEST(ReportViewRules, StarsAreTwoWithoutWmaAndAtMostFive) {
    EXPECT_EQ(2, StarCount(false, 9));
    EXPECT_EQ(5, StarCount(true, 9));
    EXPECT_EQ(3, StarCount(true, 3));
    EXPECT_EQ(0, StarCount(true, 0));
}

TEST(ReportViewRules, CellPartsAreHitWhereTheyAreDrawn) {
    const Rect cell{100, 19, 138, 38};
    Rect button = CentredPart(cell, 16, 16);
    EXPECT_EQ(111, button.left);
    EXPECT_EQ(127, button.right);
    EXPECT_TRUE(Contains(button, 111, 25));
    EXPECT_FALSE(Contains(button, 127, 25));
    EXPECT_FALSE(Contains(button, 105, 25));

    const Rect text{0, 0, 100, 19};
    EXPECT_TRUE(OverLinkText(text, 40, 2, 5));
    EXPECT_TRUE(OverLinkText(text, 40, 41, 5));
    EXPECT_FALSE(OverLinkText(text, 40, 42, 5));
    EXPECT_FALSE(OverLinkText(text, 40, 1, 5));
    EXPECT_FALSE(OverLinkText(text, 500, 98, 5));  // clipped like the drawn text

    EXPECT_EQ(2, ButtonImage(true, true, true));
    EXPECT_EQ(3, ButtonImage(true, false, true));
    EXPECT_EQ(1, ButtonImage(false, true, true));
    EXPECT_EQ(0, ButtonImage(false, false, false));
}
