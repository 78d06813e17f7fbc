#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "UiTestingWin.h"
#include "ui/FrameControls.h"
#include "ui/MessageLoop.h"
#include "ui/UpdateUi.h"
#include "ui/WindowBase.h"

namespace {

const UINT kPlay = 40001, kRepeat = 40002, kRename = 40003, kUntouched = 40004;

class CFrame : public ui::CWindowBase {
public:
    ui::CUpdateUi m_ui;
    int m_popupsOpened = 0;

protected:
    void OnInitMenuPopup(HMENU popup, int, bool windowMenu) override {
        if (windowMenu) return;
        ++m_popupsOpened;
        m_ui.UpdateMenu(popup);
    }
};

std::wstring MenuText(HMENU menu, UINT id) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, id, text, 64, MF_BYCOMMAND);
    return text;
}

struct UpdateUiFixture : ::testing::Test {
    CFrame frame;
    void SetUp() override {
        RECT rect = TestRect();
        ASSERT_NE(nullptr, frame.Create(TestClass(), nullptr, "frame", WS_OVERLAPPEDWINDOW, 0, &rect));
        frame.m_ui.Enable(kPlay, false);
        frame.m_ui.SetCheck(kRepeat, true);
        frame.m_ui.SetText(kRename, "重命名");
    }
};

TEST_F(UpdateUiFixture, MenuItemsFollowTheTableWhenTheirPopupOpens) {
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuW(popup, MF_STRING, kPlay, L"Play");
    ::AppendMenuW(popup, MF_STRING, kRepeat, L"Repeat");
    ::AppendMenuW(popup, MF_STRING, kRename, L"Rename");
    ::AppendMenuW(popup, MF_STRING | MF_GRAYED, kUntouched, L"Other");
    // Nothing changes before the popup opens.
    EXPECT_FALSE(::GetMenuState(popup, kPlay, MF_BYCOMMAND) & MF_GRAYED);

    ::ShowWindow(frame, SW_SHOWNORMAL);
    ::SetForegroundWindow(frame);
    // The menu's own loop reads the Escape and closes it again.
    ::PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
    ::TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, frame, nullptr);
    ASSERT_EQ(1, frame.m_popupsOpened);

    EXPECT_TRUE(::GetMenuState(popup, kPlay, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(popup, kRepeat, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(L"\u91cd\u547d\u540d", MenuText(popup, kRename));
    EXPECT_TRUE(::GetMenuState(popup, kUntouched, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(L"Other", MenuText(popup, kUntouched));

    frame.m_ui.Enable(kPlay, true);
    ::PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
    ::TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, frame, nullptr);
    EXPECT_FALSE(::GetMenuState(popup, kPlay, MF_BYCOMMAND) & MF_GRAYED);
    ::DestroyMenu(popup);
}

class CQuitWhenIdle : public ui::CIdleHandler {
public:
    explicit CQuitWhenIdle(std::function<void()> check) : m_check(std::move(check)) {}
    void OnIdle() override {
        m_check();
        ::PostQuitMessage(0);
    }

private:
    std::function<void()> m_check;
};

TEST_F(UpdateUiFixture, ToolbarButtonsFollowTheTableFromTheIdleHandler) {
    ui::CToolBarCtrl toolbar(::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | TBSTYLE_LIST, 0, 0, 0, 0,
                                               frame, nullptr, nullptr, nullptr));
    ASSERT_TRUE(toolbar.IsWindow());
    toolbar.SetButtonStructSize();
    TBBUTTON buttons[3] = {};
    UINT ids[3] = {kPlay, kRepeat, kUntouched};
    for (int i = 0; i < 3; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = static_cast<int>(ids[i]);
        buttons[i].fsState = ids[i] == kUntouched ? 0 : TBSTATE_ENABLED;
        buttons[i].fsStyle = ids[i] == kRepeat ? BTNS_CHECK : BTNS_BUTTON;
        buttons[i].iString = toolbar.AddString(ids[i] == kPlay ? "播放" : "按钮");
    }
    ASSERT_TRUE(toolbar.AddButtons(3, buttons));
    frame.m_ui.AddToolBar(toolbar);
    ASSERT_TRUE(toolbar.IsButtonEnabled(kPlay));

    bool playEnabled = true, repeatChecked = false, untouchedEnabled = true;
    CQuitWhenIdle check([&] {
        playEnabled = toolbar.IsButtonEnabled(kPlay);
        repeatChecked = toolbar.IsButtonChecked(kRepeat);
        untouchedEnabled = toolbar.IsButtonEnabled(kUntouched);
    });
    ui::CMessageLoop loop;
    loop.AddIdleHandler(&frame.m_ui);
    loop.AddIdleHandler(&check);
    loop.Run();
    EXPECT_FALSE(playEnabled);
    EXPECT_TRUE(repeatChecked);
    EXPECT_FALSE(untouchedEnabled);
}

}  // namespace
