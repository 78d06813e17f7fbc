// The plug-in called directly with a stack of our own, and a small NSIS installer and uninstaller
// built at build time, run non-silently and driven by posted clicks; all checks from outside.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "RsrcImageWin.h"
#include "SkinIds.h"

#include <objidl.h>
#include <gdiplus.h>

namespace {

// The engine's stack entry: a link and a string of the engine's string size.
constexpr int kStringSize = 1024;
struct StackEntry {
  StackEntry* next;
  wchar_t text[kStringSize];
};
using PluginFn = void(__cdecl*)(HWND, int, wchar_t*, StackEntry**, void*);

struct Plugin {
  HMODULE module = LoadLibraryW(L"VXMelodiskNsis.dll");
  PluginFn initialize = reinterpret_cast<PluginFn>(GetProcAddress(module, "Initialize"));
  PluginFn jmp = reinterpret_cast<PluginFn>(GetProcAddress(module, "JmpToNewPage"));
  PluginFn release = reinterpret_cast<PluginFn>(GetProcAddress(module, "Release"));
  StackEntry* stack = nullptr;
  wchar_t variables[25 * kStringSize] = {};

  ~Plugin() {
    while (stack) {
      StackEntry* next = stack->next;
      GlobalFree(stack);
      stack = next;
    }
    if (module)
      FreeLibrary(module);
  }
  void Push(const std::wstring& s) {
    auto* e = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry)));
    lstrcpynW(e->text, s.c_str(), kStringSize);
    e->next = stack;
    stack = e;
  }
  void Call(PluginFn fn) { fn(nullptr, kStringSize, variables, &stack, nullptr); }
  void Jmp(const std::wstring& page, const std::wstring& step) {
    Push(step);
    Push(page);
    Call(jmp);
  }
};

void Pump(int ms) {
  DWORD end = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

SIZE WindowSize(HWND h) {
  RECT rc = {};
  GetWindowRect(h, &rc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

// The outline is a rounded rectangle: its box is the window plus one, a corner pixel lies outside.
void ExpectRoundedRegion(HWND h) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  RECT box = {};
  GetRgnBox(rgn, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 540) << "a round rectangle's region leaves out its right and bottom edges";
  EXPECT_EQ(box.bottom, 400);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, 539, 399));
  EXPECT_TRUE(PtInRegion(rgn, 4, 200));
  DeleteObject(rgn);
}

COLORREF PixelOf(HWND h, int x, int y) {
  HDC dc = GetDC(h);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(h, dc);
  return c;
}

// Another process's window DC gives no pixels under Wine: read the screen where it lies.
COLORREF ScreenPixelOf(HWND h, int x, int y) {
  POINT pt = {x, y};
  ClientToScreen(h, &pt);
  HDC dc = GetDC(nullptr);
  COLORREF c = GetPixel(dc, pt.x, pt.y);
  ReleaseDC(nullptr, dc);
  return c;
}

bool IsBarBlue(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; }

const COLORREF kProgressBackground = RGB(237, 241, 246);

template <class F>
bool WaitFor(F done, int ms = 15000) {
  DWORD end = GetTickCount() + ms;
  while (!done()) {
    if (static_cast<int>(end - GetTickCount()) <= 0)
      return false;
    Sleep(50);
  }
  return true;
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// A child's rectangle in its parent's coordinates.
RECT RectIn(HWND parent, HWND child) {
  RECT r = {};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

TEST(InstallerSkin, ExportsIgnoreBadCallsThenSkinUninstallerPageProgressAndCheckBox) {
  Plugin p;
  ASSERT_TRUE(p.module);
  ASSERT_TRUE(p.initialize && p.jmp && p.release);
  InitCommonControls();

  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VxSkinTestWindow";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  HWND outer = CreateWindowExW(0, wc.lpszClassName, L"outer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                               nullptr, nullptr, wc.hInstance, nullptr);
  HWND page = CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 150,
                              outer, nullptr, wc.hInstance, nullptr);
  HWND progress = CreateWindowExW(WS_EX_CLIENTEDGE, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 150, 400, 20,
                                  page, reinterpret_cast<HMENU>(1004), wc.hInstance, nullptr);
  HWND box = CreateWindowExW(0, L"BUTTON", L"run", WS_CHILD | WS_VISIBLE | BS_CHECKBOX, 10, 10, 100, 18, page,
                             reinterpret_cast<HMENU>(1200), wc.hInstance, nullptr);
  HWND next = CreateWindowExW(0, L"BUTTON", L"Next", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 60, 20, outer,
                              reinterpret_cast<HMENU>(IDOK), wc.hInstance, nullptr);
  ASSERT_TRUE(outer && page && progress && box && next);
  const std::wstring pageText = std::to_wstring(reinterpret_cast<UINT_PTR>(page));

  // Before Initialize, with no window, with a step out of range, with an empty stack: nothing.
  p.Jmp(pageText, L"0");
  EXPECT_EQ(p.stack, nullptr) << "both arguments are taken off the stack";
  p.Call(p.release);
  p.Call(p.initialize);
  p.Jmp(L"12345", L"0");
  p.Jmp(L"0", L"0");
  p.Jmp(pageText, L"7");
  p.Jmp(pageText, L"-1");
  p.Call(p.jmp);
  Pump(100);
  EXPECT_EQ(WindowSize(outer).cx, 300);
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), 0);

  // A first call on step 2 selects uninstaller mode: no indicator, background 131.
  p.Jmp(pageText, L"2");
  Pump(300);
  EXPECT_EQ(WindowSize(outer).cx, 540);
  EXPECT_EQ(WindowSize(outer).cy, 400);
  ExpectRoundedRegion(outer);
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_UNINSTALL);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(SendMessageW(outer, kMsgQueryLabelWeight, i, 0), 0) << i;
  const RECT pr = RectIn(outer, page);
  EXPECT_EQ(pr.left, 30);
  EXPECT_EQ(pr.top, 92);
  EXPECT_EQ(pr.right - pr.left, 480);
  EXPECT_EQ(pr.bottom - pr.top, 262);
  EXPECT_TRUE(GetDlgItem(outer, 31) && GetDlgItem(outer, 30)) << "caption buttons made where missing";
  EXPECT_FALSE(GetWindowLongW(progress, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  // Next sits at (354, 366), 82 x 27, and shows a picture per state: normal, mouse over, disabled.
  const RECT nr = RectIn(outer, next);
  EXPECT_EQ(nr.left, 354);
  EXPECT_EQ(nr.top, 366);
  EXPECT_EQ(nr.right - nr.left, 82);
  EXPECT_EQ(nr.bottom - nr.top, 27);
  // Painted synchronously: a leave notice for the real cursor must not come in between.
  auto nextPixel = [&] {
    InvalidateRect(next, nullptr, FALSE);
    UpdateWindow(next);
    return PixelOf(next, 6, 6);
  };
  const COLORREF normal = nextPixel();
  EXPECT_TRUE(IsBarBlue(normal)) << std::hex << normal;
  SendMessageW(next, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  const COLORREF over = nextPixel();
  EXPECT_NE(over, normal);
  SendMessageW(next, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(nextPixel(), normal);
  EnableWindow(next, FALSE);
  const COLORREF disabled = nextPixel();
  EXPECT_EQ(GetRValue(disabled), GetBValue(disabled)) << "grey " << std::hex << disabled;
  EnableWindow(next, TRUE);

  // The progress bar: at 0 only the frame, at half half the inset, at the upper bound all of it.
  SendMessageW(progress, PBM_SETRANGE32, 0, 100);
  RECT rc;
  GetClientRect(progress, &rc);
  const int w = rc.right, h = rc.bottom, mid = h / 2;
  auto row = [&](int pos) {
    SendMessageW(progress, PBM_SETPOS, pos, 0);
    UpdateWindow(progress);
    Pump(150);
  };
  row(0);
  EXPECT_EQ(PixelOf(progress, 0, mid), RGB(194, 223, 235)) << "outer frame";
  EXPECT_EQ(PixelOf(progress, 1, mid), RGB(101, 176, 208)) << "inner frame";
  for (int x : {4, w / 2, w - 5})
    EXPECT_EQ(PixelOf(progress, x, mid), kProgressBackground) << x;
  row(50);
  EXPECT_TRUE(IsBarBlue(PixelOf(progress, w / 4, mid)));
  EXPECT_EQ(PixelOf(progress, w * 3 / 4, mid), kProgressBackground);
  row(100);
  for (int x : {4, w / 4, w / 2, w - 5})
    for (int y : {3, mid, h - 4})
      EXPECT_TRUE(IsBarBlue(PixelOf(progress, x, y))) << x << "," << y;
  EXPECT_FALSE(IsBarBlue(PixelOf(progress, w - 4, mid))) << "the inset ends 4 pixels in";
  EXPECT_NE(PixelOf(progress, w / 2, 4), PixelOf(progress, w / 2, h - 5)) << "a vertical gradient";

  // A check box handed over keeps its own state: set-check changes nothing, a click toggles.
  SendMessageW(page, kMsgSkinCheckBox, reinterpret_cast<WPARAM>(box), 0);
  EXPECT_TRUE(GetWindowLongW(box, GWL_STYLE) & BS_OWNERDRAW);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(page, kMsgSkinCheckBox, static_cast<WPARAM>(12345), 0);

  SendMessageW(outer, WM_COMMAND, MAKEWPARAM(30, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(outer, 30)));
  EXPECT_TRUE(IsIconic(outer)) << "the minimise button";
  ShowWindow(outer, SW_RESTORE);

  // The page goes away under the skin, as the engine's pages do; then Release undoes the rest.
  DestroyWindow(page);
  p.Jmp(pageText, L"1");
  Pump(100);
  p.Call(p.release);
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), 0) << "no longer subclassed";
  EXPECT_FALSE(IsWindow(GetDlgItem(outer, 31)));
  p.Call(p.release);
  p.Jmp(pageText, L"0");
  EXPECT_EQ(p.stack, nullptr);

  // Skinned again; before the last step the close button closes; Release after the window is gone.
  p.Call(p.initialize);
  page = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, outer, nullptr,
                         wc.hInstance, nullptr);
  p.Jmp(std::to_wstring(reinterpret_cast<UINT_PTR>(page)), L"1");
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_UNINSTALL);
  SendMessageW(outer, WM_COMMAND, MAKEWPARAM(31, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(outer, 31)));
  EXPECT_FALSE(IsWindow(outer)) << "closed";
  p.Call(p.release);
  if (IsWindow(outer))
    DestroyWindow(outer);
}

TEST(InstallerSkin, PicturesHaveTheirSizesAndAMissingOneDrawsNothing) {
  HMODULE plugin = LoadLibraryW(L"VXMelodiskNsis.dll");
  ASSERT_TRUE(plugin);
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  {
    const struct {
      UINT first, last;
      int w, h;
    } sizes[] = {{112, 112, 540, 400}, {131, 131, 540, 400}, {136, 136, 529, 177}, {113, 114, 8, 14},
                 {115, 117, 39, 20},   {118, 120, 28, 20},   {122, 124, 82, 27},   {1002, 1002, 82, 27},
                 {125, 128, 65, 22},   {132, 135, 87, 22}};
    for (const auto& s : sizes)
      for (UINT id = s.first; id <= s.last; ++id) {
        CRsrcImage image;
        ASSERT_TRUE(image.Load(plugin, id)) << id;
        EXPECT_EQ(image.Width(), s.w) << id;
        EXPECT_EQ(image.Height(), s.h) << id;
      }
    HBITMAP checks = LoadBitmapW(plugin, MAKEINTRESOURCEW(IDB_CHECKBOX));
    BITMAP bm = {};
    GetObjectW(checks, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 6 * 16);
    EXPECT_EQ(bm.bmHeight, 16);
    DeleteObject(checks);

    CRsrcImage missing;
    EXPECT_FALSE(missing.Load(plugin, 4242));
    EXPECT_FALSE(missing.Load(GetModuleHandleW(nullptr), IDP_BG_INSTALL));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    SelectObject(dc, bmp);
    SetPixel(dc, 1, 1, RGB(1, 2, 3));
    missing.Draw(dc, 0, 0, 4, 4);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(1, 2, 3));
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  Gdiplus::GdiplusShutdown(token);
  FreeLibrary(plugin);
}

namespace {

struct FindWindowOf {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindWizard(HWND h, LPARAM l) {
  auto* f = reinterpret_cast<FindWindowOf*>(l);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(h, cls, 16);
  if (pid == f->pid && IsWindowVisible(h) && lstrcmpW(cls, L"#32770") == 0) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

struct Process {
  PROCESS_INFORMATION pi = {};
  ~Process() {
    if (pi.hProcess) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(pi.hProcess, 99);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  }
  bool Start(std::wstring cmd) {
    STARTUPINFOW si = {sizeof(si)};
    return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  }
  DWORD WaitExit(int ms) {
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0)
      return 0xFFFF;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  HWND Window() const {
    FindWindowOf f = {pi.dwProcessId, nullptr};
    EnumWindows(FindWizard, reinterpret_cast<LPARAM>(&f));
    return f.found;
  }
};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool StepShown(HWND outer, int step) {
  for (int i = 0; i < 4; ++i)
    if (SendMessageW(outer, kMsgQueryLabelWeight, i, 0) != (i == step ? FW_BOLD : FW_NORMAL))
      return false;
  return true;
}

void ExpectSkinnedChild(HWND page, int id, LONG typeMask, LONG type, SIZE size) {
  HWND child = GetDlgItem(page, id);
  ASSERT_TRUE(child) << id;
  EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & typeMask, type) << id;
  if (size.cx) {
    EXPECT_EQ(WindowSize(child).cx, size.cx) << id;
    EXPECT_EQ(WindowSize(child).cy, size.cy) << id;
  }
}

void Click(HWND outer, int id) {
  PostMessageW(outer, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(outer, id)));
}

}  // namespace

TEST(InstallerSkin, InstallerAndUninstallerDrivenThroughTheirPages) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"VxSkinTest" + std::to_wstring(GetCurrentProcessId());
  const std::wstring setup = L"Z:" + Widen(VX_SKIN_SETUP);

  Process installer;
  ASSERT_TRUE(installer.Start(L"\"" + setup + L"\" /D=" + dir));
  HWND outer = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (outer = installer.Window()) && WindowSize(outer).cx == 540; }));
  EXPECT_EQ(WindowSize(outer).cy, 400);
  ExpectRoundedRegion(outer);
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_INSTALL);
  EXPECT_TRUE(WaitFor([&] { return StepShown(outer, 0); }));
  // Right of the page: the banner on step 0, the plain page area after it; the lower band is blue.
  const COLORREF pageArea = RGB(250, 252, 255);
  Sleep(300);
  EXPECT_NE(ScreenPixelOf(outer, 520, 300), pageArea) << "banner";
  const COLORREF band = ScreenPixelOf(outer, 20, 390);
  EXPECT_GT(GetBValue(band), GetGValue(band) + 30) << std::hex << band;

  Click(outer, IDOK);
  EXPECT_TRUE(WaitFor([&] { return StepShown(outer, 1); }));
  Sleep(300);
  EXPECT_EQ(ScreenPixelOf(outer, 520, 300), pageArea) << "no banner after step 0";
  HWND page = FindWindowExW(outer, nullptr, L"#32770", nullptr);
  ExpectSkinnedChild(page, 1001, BS_TYPEMASK, BS_OWNERDRAW, {65, 22});
  ExpectSkinnedChild(page, 1024, SS_TYPEMASK, SS_OWNERDRAW, {});
  Click(outer, IDOK);
  EXPECT_TRUE(WaitFor([&] { return StepShown(outer, 2); }));
  page = FindWindowExW(outer, nullptr, L"#32770", nullptr);
  ExpectSkinnedChild(page, 1006, SS_TYPEMASK, SS_OWNERDRAW, {});
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(outer, IDOK)) != FALSE; })) << "install done";
  for (int id : {IDOK, IDCANCEL, 3})
    EXPECT_EQ(GetWindowLongW(GetDlgItem(outer, id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW)
        << id << " stays skinned when the engine moves the default button";
  Click(outer, IDOK);
  EXPECT_TRUE(WaitFor([&] { return StepShown(outer, 3); }));
  // On the last step the close button finishes instead of cancelling.
  Click(outer, 31);
  EXPECT_EQ(installer.WaitExit(15000), 0u);
  EXPECT_NE(GetFileAttributesW((dir + L"\\finished.txt").c_str()), INVALID_FILE_ATTRIBUTES) << "finished, not cancelled";
  const std::wstring uninst = dir + L"\\uninst.exe";
  ASSERT_NE(GetFileAttributesW(uninst.c_str()), INVALID_FILE_ATTRIBUTES);

  Process uninstaller;
  ASSERT_TRUE(uninstaller.Start(L"\"" + uninst + L"\" _?=" + dir));
  ASSERT_TRUE(WaitFor([&] { return (outer = uninstaller.Window()) && WindowSize(outer).cx == 540; }));
  ExpectRoundedRegion(outer);
  EXPECT_EQ(SendMessageW(outer, kMsgQueryBackground, 0, 0), IDP_BG_UNINSTALL);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(SendMessageW(outer, kMsgQueryLabelWeight, i, 0), 0) << "no indicator";
  // The page is transparent: its empty lower right shows the background picture's page area.
  Sleep(300);
  page = FindWindowExW(outer, nullptr, L"#32770", nullptr);
  EXPECT_EQ(ScreenPixelOf(page, 470, 250), pageArea);
  const COLORREF greenBand = ScreenPixelOf(outer, 20, 390);
  EXPECT_GT(GetGValue(greenBand), GetBValue(greenBand) + 30) << std::hex << greenBand;
  Click(outer, IDOK);
  HWND progress = nullptr;
  EXPECT_TRUE(WaitFor([&] {
    HWND page = FindWindowExW(outer, nullptr, L"#32770", nullptr);
    progress = page ? GetDlgItem(page, 1004) : nullptr;
    return progress && IsWindowEnabled(GetDlgItem(outer, IDOK));
  })) << "uninstall done";
  ExpectSkinnedChild(GetParent(progress), 1027, BS_TYPEMASK, BS_OWNERDRAW, {87, 22});
  if (progress) {
    Sleep(300);
    RECT rc;
    GetClientRect(progress, &rc);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), SendMessageW(progress, PBM_GETRANGE, FALSE, 0));
    for (int x : {4, int(rc.right / 2), int(rc.right - 5)})
      EXPECT_TRUE(IsBarBlue(ScreenPixelOf(progress, x, rc.bottom / 2))) << "full at the upper bound " << x;
    EXPECT_EQ(ScreenPixelOf(progress, 0, rc.bottom / 2), RGB(194, 223, 235)) << "outer frame";
  }
  Click(outer, IDOK);
  EXPECT_EQ(uninstaller.WaitExit(15000), 0u);
  RemoveDirectoryW(dir.c_str());
}
