// The built movie player, started as the bridge starts it and driven by real input from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "MoviePlayerRunWin.h"
#include "bridge/VxMdInterface.h"
#include "../res/resource.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

namespace {

using namespace movietest;

const char kDefaultTitle[] = "VixoMelodisk播放器";

std::string Text(HWND w) {
    wchar_t text[4096] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
    return Charset::WString2String(text);
}

SIZE Size(HWND w) {
    const RECT r = WindowRect(w);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// The cursor the system shows, once it differs from `previous` and has stayed for a moment.
HCURSOR SettledCursor(HCURSOR previous) {
    auto now = [] {
        CURSORINFO info = {sizeof info};
        return GetCursorInfo(&info) ? info.hCursor : nullptr;
    };
    HCURSOR seen = nullptr;
    WaitUntil([&] {
        seen = now();
        if (seen == previous) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return now() == seen;
    }, 3000);
    return seen;
}

TEST(MoviePlayerTest, StartRulesTitlesAndFieldsSeenFromOutside) {
    // Without "/mdplay" (in any letter case) the program ends at once with code 1.
    for (const char* arguments : {"", "/play 640|360|i|u|t", "mdplay 640|360|i|u|t"}) {
        CPlayerRun run;
        ASSERT_TRUE(run.Start(arguments));
        EXPECT_EQ(1u, run.WaitExit(10000)) << arguments;
    }

    struct Case {
        const char* arguments;
        std::string title;
        LONG width, height;  // 0: the template's size, whatever the dialog units give
    } cases[] = {
        {"/mdplay 640|360||about:blank|片名 | 第2集 \"高清\" |", "片名 | 第2集 \"高清\" |", 644, 392},
        {"/mdplay 1|1|||", kDefaultTitle, 5, 33},
        {"/mdplay 99999999999999999999|1e300|||huge", "huge", 0, 0},
        {"/mdplay 640|360", kDefaultTitle, 0, 0},
        {"/MDPLAY 640|360|i|u|t", kDefaultTitle, 0, 0},
    };
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SIZE templateSize = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        CPlayerRun run;
        ASSERT_TRUE(run.Start(c.arguments));
        ASSERT_TRUE(run.WaitWindow());
        EXPECT_EQ(c.title, Text(run.Window()));
        const SIZE size = Size(run.Window());
        if (c.width) {
            EXPECT_EQ(c.width, size.cx);
            EXPECT_EQ(c.height, size.cy);
        } else if (std::string(c.title) == "huge") {
            EXPECT_EQ(work.right - work.left, size.cx) << "a page larger than the screen is cut to the work area";
            EXPECT_EQ(work.bottom - work.top, size.cy);
        } else {
            if (!templateSize.cx) templateSize = size;
            EXPECT_EQ(templateSize.cx, size.cx);
            EXPECT_EQ(templateSize.cy, size.cy);
            EXPECT_GT(size.cx, 600);
        }
        PostMessageW(run.Window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(2u, run.WaitExit(10000)) << "closing ends the loop with code 2";
    }
}

TEST(MoviePlayerTest, IconFromTheIcoFolderFromADrivePathOrTheProgramsOwn) {
    ScopedDataRoot root("movieicons");
    std::string ranking;
    ASSERT_TRUE(Dir::GetVxPath(PATH_RANKING, ranking));
    ASSERT_TRUE(Dir::MakeDir(ranking + "ico"));
    ASSERT_TRUE(Dir::WriteWholeFile(ranking + "ico\\7001.ico", SolidIcon(255, 0, 0)));
    const std::string drivePath = root.Path() + "\\green.ico";
    ASSERT_TRUE(Dir::WriteWholeFile(drivePath, SolidIcon(0, 255, 0)));
    ASSERT_EQ(':', drivePath[1]);

    struct Case {
        std::string icon;
        COLORREF colour;  // CLR_INVALID: the program's own icon (neither red nor green)
    } cases[] = {
        {"7001.ico", RGB(255, 0, 0)},
        {drivePath, RGB(0, 255, 0)},
        {"green.ico", CLR_INVALID},  // a bare name is looked for in "ico\" only
        {"missing.ico", CLR_INVALID},
        {"ab", CLR_INVALID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.icon);
        CPlayerRun run;
        ASSERT_TRUE(run.Start("/mdplay 640|360|" + c.icon + "|about:blank|icon"));
        ASSERT_TRUE(run.WaitWindow());
        SetForegroundWindow(run.Window());
        // The small icon sits at x 10, centred in the 28-pixel caption.
        const int size = GetSystemMetrics(SM_CXSMICON);
        const POINT centre = At(run.Window(), 10 + size / 2, 14);
        COLORREF seen = CLR_INVALID;
        if (c.colour != CLR_INVALID) {
            EXPECT_TRUE(WaitUntil([&] { return (seen = ScreenPixel(centre)) == c.colour; }, 5000))
                << std::hex << seen;
        } else {
            // The caption is painted once it differs from the page below it.
            WaitUntil([&] { return ScreenPixel(At(run.Window(), 1, 1)) != ScreenPixel(At(run.Window(), 20, 40)); }, 5000);
            seen = ScreenPixel(centre);
            EXPECT_NE(RGB(255, 0, 0), seen);
            EXPECT_NE(RGB(0, 255, 0), seen);
        }
        PostMessageW(run.Window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(2u, run.WaitExit(10000));
    }
}

TEST(MoviePlayerTest, MinimumSizeHoldsAtEveryEdgeAndCornerAndTheCursorFollowsTheHitTest) {
    if (!HasXdotool()) GTEST_SKIP() << "needs xdotool for mouse input";
    CPlayerRun run;
    ASSERT_TRUE(run.Start("/mdplay 640|360||about:blank|edges"));
    const HWND w = run.WaitWindow();
    ASSERT_TRUE(w);
    const RECT start = WindowRect(w);
    ASSERT_EQ(644, start.right - start.left);
    ASSERT_EQ(392, start.bottom - start.top);
    SetForegroundWindow(w);

    // Points on the window's own two-pixel frame (the page covers the rest of the edge bands),
    // and in the caption band for the top ones.
    const int W = 644, H = 392;
    const POINT left{1, H / 2}, right{W - 1, H / 2}, top{W / 2, 1}, bottom{W / 2, H - 1};
    const POINT topLeft{4, 4}, topRight{W - 4, 4}, bottomLeft{1, H - 1}, bottomRight{W - 1, H - 1};

    // Cursor shapes: the system's handles are per process, so the test checks which points share
    // a shape and that the four shapes and the caption's own differ.
    HCURSOR previous = nullptr;
    auto cursorAt = [&](POINT p) {
        MoveTo(At(w, p.x, p.y));
        return previous = SettledCursor(previous);
    };
    const HCURSOR we = cursorAt(left), ns = cursorAt(top), we2 = cursorAt(right), ns2 = cursorAt(bottom);
    const HCURSOR nwse = cursorAt(topLeft), nesw = cursorAt(topRight), nwse2 = cursorAt(bottomRight),
                  nesw2 = cursorAt(bottomLeft), plain = cursorAt(POINT{W / 2, 14});
    EXPECT_EQ(we, we2);
    EXPECT_EQ(ns, ns2);
    EXPECT_EQ(nwse, nwse2);
    EXPECT_EQ(nesw, nesw2);
    EXPECT_EQ(5u, (std::set<HCURSOR>{we, ns, nwse, nesw, plain}).size());
    EXPECT_FALSE(std::set<HCURSOR>({we, ns, nwse, nesw, plain}).count(nullptr));

    // Each edge and corner: dragged outwards by 40 the window grows on those sides only; dragged
    // inwards by 200 from there, the dragged sides stop where the minimum size holds, which is
    // where the window started.
    struct Drag {
        const char* name;
        POINT grip;
        int dx, dy;  // outwards
    } drags[] = {
        {"left", left, -1, 0},         {"right", right, 1, 0},          {"top", top, 0, -1},
        {"bottom", bottom, 0, 1},      {"top left", topLeft, -1, -1},   {"top right", topRight, 1, -1},
        {"bottom left", bottomLeft, -1, 1}, {"bottom right", bottomRight, 1, 1},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.name);
        const RECT before = WindowRect(w);
        ASSERT_TRUE(SameRect(start, before)) << Describe(before);
        const POINT grip = At(w, d.grip.x, d.grip.y);
        MoveTo(grip);
        PressLeft(true);
        const POINT out{grip.x + 40 * d.dx, grip.y + 40 * d.dy};
        MoveTo(out);
        RECT grown = before;
        if (d.dx < 0) grown.left -= 40;
        if (d.dx > 0) grown.right += 40;
        if (d.dy < 0) grown.top -= 40;
        if (d.dy > 0) grown.bottom += 40;
        EXPECT_TRUE(WaitUntil([&] { return SameRect(grown, WindowRect(w)); }, 5000)) << Describe(WindowRect(w));
        MoveTo(POINT{out.x - 200 * d.dx, out.y - 200 * d.dy});
        EXPECT_TRUE(WaitUntil([&] { return SameRect(start, WindowRect(w)); }, 5000)) << Describe(WindowRect(w));
        PressLeft(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(SameRect(start, WindowRect(w))) << Describe(WindowRect(w));
    }
    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(2u, run.WaitExit(10000));
}

// The About box of the player's window, once it is up.
HWND WaitAboutBox(HWND owner) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr))
            if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w)) found = w;
        return found != nullptr;
    }, 10000);
    return found;
}

TEST(MoviePlayerTest, ButtonsAndEscByRealClicksAndKeysAndTheAboutBox) {
    if (!HasXdotool()) GTEST_SKIP() << "needs xdotool for mouse input";
    const int W = 644;
    {
        CPlayerRun run;
        ASSERT_TRUE(run.Start("/mdplay 640|360||about:blank|buttons"));
        const HWND w = run.WaitWindow();
        ASSERT_TRUE(w);
        SetForegroundWindow(w);
        // Pressed on the minimise button but released beside it: nothing happens.
        const POINT minimise = At(w, W - 58, 9);
        MoveTo(minimise);
        PressLeft(true);
        MoveTo(POINT{minimise.x - 100, minimise.y + 100});
        PressLeft(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(IsIconic(w));
        ClickAt(w, W - 58, 9);
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(w) != FALSE; }, 5000));
        ShowWindow(w, SW_RESTORE);
        ASSERT_TRUE(WaitUntil([&] { return !IsIconic(w); }, 5000));

        PostMessageW(w, WM_COMMAND, ID_APP_ABOUT, 0);
        const HWND about = WaitAboutBox(w);
        ASSERT_TRUE(about);
        SendMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5000));
        EXPECT_EQ(STILL_ACTIVE, run.WaitExit(0));

        SetForegroundWindow(w);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 5000));
        PressKey(VK_ESCAPE);
        EXPECT_EQ(2u, run.WaitExit(10000)) << "Esc ends the program with code 2";
    }
    {
        CPlayerRun run;
        ASSERT_TRUE(run.Start("/mdplay 640|360||about:blank|close"));
        const HWND w = run.WaitWindow();
        ASSERT_TRUE(w);
        SetForegroundWindow(w);
        ClickAt(w, W - 26, 9);
        EXPECT_EQ(2u, run.WaitExit(10000)) << "the close button ends the program";
    }
}

// What the catalogue sends may hold anything; the bridge's line keeps the fields apart.
TEST(MoviePlayerTest, TheBridgesLineKeepsTheFieldsApartWhateverTheCatalogueSends) {
    IVxMdInterface* bridge = GetVxMdInterface();
    ASSERT_TRUE(bridge);
    const std::vector<DWORD> before = PlayerProcesses();
    MoviePlayInfo info;
    info.url = "http://127.0.0.1:1/v?a=1|b=2";
    info.title = "片名 \"引号\" | 竖线 %s \\\"";
    info.icon = "x|y.ico";
    info.width = 320;
    info.height = 240;
    bridge->PlayMovie(info);

    DWORD pid = 0;
    ASSERT_TRUE(WaitUntil([&] {
        for (DWORD p : PlayerProcesses())
            if (std::find(before.begin(), before.end(), p) == before.end()) pid = p;
        return pid != 0;
    }, 10000));
    CPlayerRun run;
    ASSERT_TRUE(run.Attach(pid));
    const HWND w = run.WaitWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(info.title, Text(w));
    EXPECT_EQ(324, Size(w).cx);
    EXPECT_EQ(272, Size(w).cy);
    const std::string line = Charset::WString2String(ProcessCommandLine(run.Process()));
    const std::string expected = " /mdplay 320|240||http://127.0.0.1:1/v?a=1%7Cb=2|" + info.title;
    ASSERT_GE(line.size(), expected.size()) << line;
    EXPECT_EQ(expected, line.substr(line.size() - expected.size())) << line;
    PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(2u, run.WaitExit(10000));
}

}  // namespace
