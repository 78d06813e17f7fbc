#include "CommandBarWin.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "ui/FrameControls.h"
#include "ui/WindowBase.h"
#include "vxlib/Charset.h"
#include "vxlib/StringUtility.h"

namespace {

const wchar_t kOwnerClass[] = L"VxMdCommandBarTestOwner";

// Stands for the frame: records the popups it is asked to prepare and the commands it receives.
class COwner : public ui::CWindowBase {
public:
    std::vector<HMENU> popups;
    std::vector<int> commands;
    std::function<void(HMENU)> onPopup;
    int drawn = 0;

protected:
    bool OnDrawItem(DRAWITEMSTRUCT*) override {
        ++drawn;
        return true;
    }
    void OnInitMenuPopup(HMENU popup, int, bool) override {
        popups.push_back(popup);
        if (onPopup) onPopup(popup);
    }
    bool OnCommand(int id, int, HWND) override {
        commands.push_back(id);
        return true;
    }
};

void PostKey(HWND hwnd, WPARAM key) {
    ::PostMessageW(hwnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
}

// Closes a menu that a broken bar left open, so that the test fails instead of hanging.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

class CMenuWatchdog {
public:
    CMenuWatchdog() : m_id(::SetTimer(nullptr, 0, 5000, CloseMenu)) {}
    ~CMenuWatchdog() { ::KillTimer(nullptr, m_id); }

private:
    UINT_PTR m_id;
};

void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
}

// "text=id" per item, "-" for separators, popups in braces.
std::string Describe(HMENU menu) {
    std::string out;
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (i) out += "|";
        wchar_t text[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 256;
        ::GetMenuItemInfoW(menu, i, TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            out += "-";
        } else if (item.hSubMenu) {
            out += Charset::WString2String(text) + "{" + Describe(item.hSubMenu) + "}";
        } else {
            out += Charset::WString2String(text) + StringUtility::Format("=%x", item.wID);
        }
    }
    return out;
}

class CommandBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ui::CWindowBase::RegisterWindowClass(kOwnerClass));
        RECT place{100, 100, 700, 400};
        ASSERT_TRUE(m_owner.Create(kOwnerClass, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, &place));
        m_rebar = ui::CReBarCtrl(::CreateWindowExW(0, REBARCLASSNAMEW, nullptr,
                                                   WS_CHILD | WS_VISIBLE | RBS_VARHEIGHT | CCS_NODIVIDER | CCS_TOP, 0, 0,
                                                   600, 30, m_owner, nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_rebar.IsWindow());
        ASSERT_TRUE(m_bar.Create(m_owner, m_rebar, IDC_FRAME_MENUBAR));
        m_menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        ASSERT_TRUE(m_menu);
        ASSERT_TRUE(m_bar.AttachMenu(m_menu));
        SIZE ideal = m_bar.GetIdealSize();
        ASSERT_TRUE(m_rebar.AddBand(m_bar, ideal.cx, ideal.cy, ideal.cx, RBBS_NOGRIPPER));
        ::UpdateWindow(m_owner);
        // Away from the bar, so that the pointer does not switch popups by itself.
        ::SetCursorPos(5, 5);
        Pump();
    }

    POINT ButtonCentre(int index) const {
        RECT rect{};
        m_bar.Send(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }

    COwner m_owner;
    ui::CReBarCtrl m_rebar;
    CCommandBar m_bar;
    HMENU m_menu = nullptr;
};

}  // namespace

TEST(CommandBarResources, MenuAcceleratorsAndImagesAreThoseOfTheFrame) {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    HMENU menu = ::LoadMenuW(module, MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_TRUE(menu);
    EXPECT_EQ("文件(&F){关闭(&C)=e141}"
              "|编辑(&E){复制到文件夹(&F)...=8073|-|全部选定(&A)\tCtrl+A=8074|反向选择(&I)\tCtrl+Shift+I=8075}"
              "|查看(&V){转至(&G){后退=8007|前进=8013|向上一级=8014|-|跳转到3=806a|跳转到2=806b|跳转到1=806c|跳转到当前=806d}"
              "|刷新(&R)=806e|-|工具栏(&T)=e800|状态栏(&S)=e801}"
              "|帮助(&H){关于Vx音乐网盘(&A)=e140}",
              Describe(menu));
    ::DestroyMenu(menu);

    // Accelerators: the keyboard state decides, as it does for a real key press.
    ASSERT_TRUE(ui::CWindowBase::RegisterWindowClass(kOwnerClass));
    COwner owner;
    ASSERT_TRUE(owner.Create(kOwnerClass, nullptr, "owner", WS_OVERLAPPEDWINDOW));
    HACCEL accelerators = ::LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_TRUE(accelerators);
    BYTE saved[256];
    ::GetKeyboardState(saved);
    auto translate = [&](WPARAM key, bool control, bool shift) {
        BYTE state[256] = {};
        state[VK_CONTROL] = control ? 0x80 : 0;
        state[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(state);
        MSG msg{owner, WM_KEYDOWN, key, 1};
        return ::TranslateAcceleratorW(owner, accelerators, &msg) != 0;
    };
    EXPECT_TRUE(translate('A', true, false));
    EXPECT_TRUE(translate('I', true, true));
    EXPECT_FALSE(translate('I', true, false));
    EXPECT_FALSE(translate('A', false, false));
    ::SetKeyboardState(saved);
    EXPECT_EQ((std::vector<int>{ID_EDIT_SELECT_ALL, ID_EDIT_INVERT}), owner.commands);
    ::DestroyAcceleratorTable(accelerators);

    // The tree strip holds its eight 21-pixel images; both icon sizes exist.
    HIMAGELIST tree = ::ImageList_LoadImageW(module, MAKEINTRESOURCEW(IDB_TREE_IMAGES), 21, 0, RGB(255, 0, 255),
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_TRUE(tree);
    EXPECT_EQ(8, ::ImageList_GetImageCount(tree));
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(tree, &cx, &cy);
    EXPECT_EQ(21, cx);
    EXPECT_EQ(16, cy);
    ::ImageList_Destroy(tree);
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_TRUE(icon) << size;
        if (icon) ::DestroyIcon(icon);
    }
}

TEST_F(CommandBarTest, ShowsOneButtonPerTopLevelItemWithItsText) {
    ASSERT_EQ(4, m_bar.Send(TB_BUTTONCOUNT));
    EXPECT_EQ(m_menu, m_bar.Menu());
    int right = 0;
    for (int i = 0; i < 4; ++i) {
        wchar_t menuText[64] = {}, buttonText[64] = {};
        ::GetMenuStringW(m_menu, i, menuText, 64, MF_BYPOSITION);
        m_bar.Send(TB_GETBUTTONTEXTW, CCommandBar::kFirstButtonId + i, reinterpret_cast<LPARAM>(buttonText));
        EXPECT_STREQ(menuText, buttonText) << i;
        RECT rect{};
        m_bar.Send(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        EXPECT_GE(rect.left, right) << i;  // side by side, left to right
        EXPECT_GT(rect.right, rect.left) << i;
        right = rect.right;
    }
    SIZE ideal = m_bar.GetIdealSize();
    EXPECT_GE(ideal.cx, right);
    EXPECT_GT(ideal.cy, 0);
}

TEST_F(CommandBarTest, ClickOpensThePopupAndTheChosenItemReachesTheOwner) {
    m_owner.onPopup = [&](HMENU) {
        PostKey(m_owner, VK_DOWN);
        PostKey(m_owner, VK_RETURN);
    };
    POINT centre = ButtonCentre(1);
    CMenuWatchdog watchdog;
    m_bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    Pump();
    ASSERT_EQ(1u, m_owner.popups.size());
    EXPECT_EQ(::GetSubMenu(m_menu, 1), m_owner.popups[0]);
    EXPECT_EQ(std::vector<int>{ID_EDIT_COPYTO}, m_owner.commands);
    EXPECT_FALSE(m_bar.Send(TB_ISBUTTONPRESSED, CCommandBar::kFirstButtonId + 1));

    // A click beside the buttons opens nothing.
    m_owner.popups.clear();
    SIZE ideal = m_bar.GetIdealSize();
    RECT client;
    ::GetClientRect(m_bar, &client);
    if (client.right > ideal.cx + 4) {
        m_bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right - 2, centre.y));
        Pump();
        EXPECT_TRUE(m_owner.popups.empty());
    }
}

TEST_F(CommandBarTest, PointingAtAnotherButtonSwitchesPopups) {
    POINT other = ButtonCentre(3);
    ::ClientToScreen(m_bar, &other);
    m_owner.onPopup = [&](HMENU popup) {
        if (m_owner.popups.size() == 1) {
            ::SetCursorPos(other.x, other.y);
            ::PostMessageW(m_owner, WM_MOUSEMOVE, 0, 0);
        } else {
            PostKey(m_owner, VK_ESCAPE);
        }
    };
    CMenuWatchdog watchdog;
    m_bar.OpenPopup(0);
    Pump();
    ASSERT_EQ(2u, m_owner.popups.size());
    EXPECT_EQ(::GetSubMenu(m_menu, 0), m_owner.popups[0]);
    EXPECT_EQ(::GetSubMenu(m_menu, 3), m_owner.popups[1]);
    EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(CommandBarTest, AltMnemonicOpensTheMatchingPopup) {
    m_owner.onPopup = [&](HMENU) { PostKey(m_owner, VK_ESCAPE); };
    const LPARAM altDown = 0x20000001;
    MSG plain{m_owner, WM_KEYDOWN, 'V', 1};
    EXPECT_FALSE(m_bar.PreTranslateMessage(&plain));
    MSG unknown{m_owner, WM_SYSKEYDOWN, 'Q', altDown};
    EXPECT_FALSE(m_bar.PreTranslateMessage(&unknown));
    MSG foreign{::GetDesktopWindow(), WM_SYSKEYDOWN, 'V', altDown};
    EXPECT_FALSE(m_bar.PreTranslateMessage(&foreign));

    MSG view{m_rebar, WM_SYSKEYDOWN, 'V', altDown};  // from a child of the owner
    EXPECT_TRUE(m_bar.PreTranslateMessage(&view));
    CMenuWatchdog watchdog;
    Pump();
    ASSERT_EQ(1u, m_owner.popups.size());
    EXPECT_EQ(::GetSubMenu(m_menu, 2), m_owner.popups[0]);
    EXPECT_TRUE(m_owner.commands.empty());
}

TEST_F(CommandBarTest, ImageItemsAreDrawnByTheBarWithTheirMaskAndOthersByTheOwner) {
    const UINT commands[] = {ID_NAV_BACK, ID_NAV_FORWARD, ID_NAV_UP, ID_VIEW_REFRESH, 0};
    m_bar.LoadImages(IDR_MENUBAR_IMAGES, commands);
    auto bitmapOf = [&](UINT command) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        ::GetMenuItemInfoW(m_menu, command, FALSE, &item);
        return item.hbmpItem;
    };
    for (const UINT* command = commands; *command; ++command) EXPECT_EQ(HBMMENU_CALLBACK, bitmapOf(*command)) << *command;
    EXPECT_FALSE(bitmapOf(ID_EDIT_COPYTO));

    MEASUREITEMSTRUCT measure{ODT_MENU, 0, ID_NAV_BACK, 0, 0, 0};
    EXPECT_TRUE(m_bar.Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_EQ(16u, measure.itemWidth);
    EXPECT_EQ(16u, measure.itemHeight);

    // Draws an item's image over a grey field; returns the colours at a corner and at the middle.
    const COLORREF field = RGB(200, 200, 200);
    auto draw = [&](UINT command, UINT state) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP canvas = ::CreateCompatibleBitmap(screen, 20, 20);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, canvas);
        RECT all{0, 0, 20, 20};
        HBRUSH brush = ::CreateSolidBrush(field);
        ::FillRect(dc, &all, brush);
        ::DeleteObject(brush);
        DRAWITEMSTRUCT item{ODT_MENU, 0, command, ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(m_menu), dc, {2, 2, 18, 18}, 0};
        m_bar.Send(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        std::pair<COLORREF, COLORREF> colours{::GetPixel(dc, 2, 2), ::GetPixel(dc, 10, 10)};
        ::SelectObject(dc, old);
        ::DeleteObject(canvas);
        ::DeleteDC(dc);
        return colours;
    };
    auto back = draw(ID_NAV_BACK, 0);
    EXPECT_EQ(field, back.first);  // magenta is transparent
    EXPECT_GT(GetGValue(back.second), GetRValue(back.second) + 40);  // the green arrow
    auto disabled = draw(ID_NAV_BACK, ODS_GRAYED);
    EXPECT_EQ(field, disabled.first);
    EXPECT_LT(GetGValue(disabled.second), GetRValue(disabled.second) + 40);  // no longer green

    // Items without an image of the bar are the owner's to draw.
    EXPECT_EQ(0, m_owner.drawn);
    auto other = draw(ID_EDIT_COPYTO, 0);
    EXPECT_EQ(1, m_owner.drawn);
    EXPECT_EQ(field, other.second);
}
