// The frame in this process, where its window objects can be looked at.
#include <gtest/gtest.h>

#include <vector>

#include "FrameInProcessWin.h"

TEST(MainFrameInProcess, EachTreeBuildLeavesOnlyItsOwnStatusIcon) {
    CFrameInProcess frame;
    ASSERT_TRUE(frame.Hwnd());
    ASSERT_TRUE(frame.WaitTreeFailed()) << frame.TreeRootText();
    std::vector<HICON> shown;
    for (int i = 0; i < 8; ++i) {
        frame.ToggleBuiltInTree();
        const HICON icon = frame.StatusIcon();
        if (icon && (shown.empty() || icon != shown.back())) shown.push_back(icon);
    }
    ASSERT_GE(shown.size(), 3u) << "each build with the built-in tree shows the first tree image";
    for (size_t i = 0; i + 1 < shown.size(); ++i) {
        if (shown[i] == shown.back()) continue;
        EXPECT_FALSE(IconAlive(shown[i])) << "the icon of build " << i << " is still alive";
    }
    EXPECT_TRUE(IconAlive(shown.back()));
}
