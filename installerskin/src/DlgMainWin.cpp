#include "DlgMainWin.h"

#include "MemoryDcWin.h"
#include "SkinIds.h"
#include "SkinPaintWin.h"

namespace {
const int kWidth = 540, kHeight = 400, kCaptionBand = 60, kBandBottom = 94;
const COLORREF kStepColour = RGB(34, 101, 153), kCurrentStepColour = RGB(35, 101, 153);
const COLORREF kWhite = RGB(255, 255, 255), kDisabledText = RGB(106, 104, 105);
}  // namespace

CDlgMain* CDlgMain::s_instance = nullptr;

CDlgMain::CDlgMain(HINSTANCE hInst) : m_hInst(hInst), m_page(hInst) { s_instance = this; }

CDlgMain::~CDlgMain() {
  m_page.DetachAll();
  for (CSkinButton* b : {&m_close, &m_minimize, &m_back, &m_next, &m_cancel})
    b->Detach();
  Detach();
  if (m_madeClose && IsWindow(m_madeClose))
    DestroyWindow(m_madeClose);
  if (m_madeMinimize && IsWindow(m_madeMinimize))
    DestroyWindow(m_madeMinimize);
  FreeSkinFonts();
  s_instance = nullptr;
}

void CDlgMain::JmpToNewPage(HWND page, int step) {
  if (!IsWindow(page) || step < 0 || step >= kSteps)
    return;
  if (!m_outerDone) {
    HWND outer = GetParent(page);
    if (!outer)
      return;
    m_uninstaller = step != 0;
    m_page.SetUninstaller(m_uninstaller);
    SkinOuter(outer);
    m_outerDone = true;
  }
  if (!m_page.Handle() || m_page.Step() != step || m_page.Handle() != page) {
    m_page.DetachAll();
    m_page.SetStep(step);
    m_page.Attach(page);
  }
  m_banner.Free();
  if (step == 0)
    m_banner.Load(m_hInst, IDP_BANNER);
  if (m_uninstaller)
    SetWindowPos(page, nullptr, 30, 92, 480, 262, SWP_NOZORDER | SWP_NOACTIVATE);
  else
    SetWindowPos(page, nullptr, 30, 114, 480, 240, SWP_NOZORDER | SWP_NOACTIVATE);
  m_step = step;
  m_dirty = true;
  if (m_hWnd) {
    InvalidateRect(m_hWnd, nullptr, TRUE);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void CDlgMain::SkinOuter(HWND outer) {
  if (!Attach(outer))
    return;
  SetWindowLongW(outer, GWL_STYLE, GetWindowLongW(outer, GWL_STYLE) & 0x940A0844);
  SetWindowLongW(outer, GWL_EXSTYLE, GetWindowLongW(outer, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  SetWindowPos(outer, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetWindowRgn(outer, CreateRoundRectRgn(0, 0, kWidth + 1, kHeight + 1, 9, 9), TRUE);

  // The engine's stock dialog has no caption buttons: make them where they are missing.
  const COLORREF captionColours[] = {kWhite, kWhite, kWhite, kWhite};
  auto skinCaptionButton = [&](int id, HWND& made, CSkinButton& skin, const UINT (&ids)[CSkinButton::kStates],
                               int x, int width) {
    HWND b = GetDlgItem(outer, id);
    if (!b) {
      b = made = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 1, 1, outer,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    if (!skin.Attach(b))
      return;
    skin.SetSkin(m_hInst, ids, captionColours);
    SetWindowTextW(b, L"");
    SetWindowPos(b, HWND_TOP, x, 0, width, 20, SWP_NOACTIVATE);
  };
  const UINT closeIds[] = {IDP_CLOSE_NORMAL, IDP_CLOSE_OVER, IDP_CLOSE_DOWN, IDP_CLOSE_NORMAL};
  skinCaptionButton(31, m_madeClose, m_close, closeIds, kWidth - 39, 39);
  const UINT minimizeIds[] = {IDP_MIN_NORMAL, IDP_MIN_OVER, IDP_MIN_DOWN, IDP_MIN_NORMAL};
  skinCaptionButton(30, m_madeMinimize, m_minimize, minimizeIds, kWidth - 67, 28);
  const UINT navIds[] = {IDP_NAV_NORMAL, IDP_NAV_OVER, IDP_NAV_DOWN, IDP_NAV_DISABLED};
  const COLORREF navColours[] = {kWhite, kWhite, kWhite, kDisabledText};
  CSkinButton* nav[] = {&m_back, &m_next, &m_cancel};
  const int navId[] = {3, 1, 2};
  for (int i = 0; i < 3; ++i) {
    HWND b = GetDlgItem(outer, navId[i]);
    if (nav[i]->Attach(b)) {
      nav[i]->SetSkin(m_hInst, navIds, navColours);
      SetWindowPos(b, nullptr, 260 + 94 * i, 366, 82, 27, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  for (int id : {1256, 1028})
    if (HWND h = GetDlgItem(outer, id))
      ShowWindow(h, SW_HIDE);
  // The engine's etched separator above the buttons has no id of its own; on the picture it would
  // show as a stray line beside the page.
  for (HWND h = GetWindow(outer, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    const LONG type = GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK;
    if (lstrcmpiW(cls, L"Static") == 0 && (type == SS_ETCHEDHORZ || type == SS_ETCHEDFRAME))
      ShowWindow(h, SW_HIDE);
  }
  m_backgroundId = m_uninstaller ? IDP_BG_UNINSTALL : IDP_BG_INSTALL;
  m_background.Load(m_hInst, m_backgroundId);
  m_arrowOther.Load(m_hInst, IDP_ARROW_OTHER);
  m_arrowCurrent.Load(m_hInst, IDP_ARROW_CURRENT);
  if (!m_uninstaller) {
    m_labels[0] = L"欢迎";
    m_labels[1] = L"选择";
    m_labels[2] = L"安装";
    m_labels[3] = L"完成";
  }
  m_dirty = true;
}

CSkinButton* CDlgMain::ButtonFor(int id) {
  switch (id) {
  case 1: return &m_next;
  case 2: return &m_cancel;
  case 3: return &m_back;
  case 30: return &m_minimize;
  case 31: return &m_close;
  }
  return nullptr;
}

void CDlgMain::DrawIndicator(HDC hdc, int width) {
  if (m_uninstaller)
    return;
  ui::CSelectObject restore(hdc, SkinFont(false));
  if (!m_measured) {
    for (int i = 0; i < kSteps; ++i)
      GetTextExtentPoint32W(hdc, m_labels[i], lstrlenW(m_labels[i]), &m_labelSize[i]);
    m_measured = true;
  }
  int total = 22 * (kSteps - 1);
  for (const SIZE& s : m_labelSize)
    total += s.cx;
  int x = (width - total) / 2;
  SetBkMode(hdc, TRANSPARENT);
  for (int i = 0; i < kSteps; ++i) {
    bool current = i == m_step;
    int y = kCaptionBand + (kBandBottom - kCaptionBand - m_labelSize[i].cy) / 2;
    if (i > 0)
      (current ? m_arrowCurrent : m_arrowOther).Draw(hdc, x - 15, y - 2, 8, 14);
    SelectObject(hdc, SkinFont(current));
    SetTextColor(hdc, current ? kCurrentStepColour : kStepColour);
    TextOutW(hdc, x, y, m_labels[i], lstrlenW(m_labels[i]));
    m_drawnWeight[i] = current ? FW_BOLD : FW_NORMAL;
    x += m_labelSize[i].cx + 22;
  }
}

void CDlgMain::ComposeBackground() {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  int w = rc.right, h = rc.bottom;
  if (w <= 0 || h <= 0)
    return;
  HDC screen = GetDC(m_hWnd);
  if (!m_composed || m_composedSize.cx != w || m_composedSize.cy != h) {
    m_composed.Reset(CreateCompatibleBitmap(screen, w, h));
    m_composedSize = {w, h};
  }
  {
    CDcHandle mem(CreateCompatibleDC(screen));
    ui::CSelectObject select(mem.Get(), m_composed.Get());
    FillRect(mem.Get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    m_background.Draw(mem.Get(), 0, 0);
    DrawIndicator(mem.Get(), w);
    if (m_step == 0 && !m_banner.IsNull())
      m_banner.Draw(mem.Get(), w - 2 - m_banner.Width(), 355 - m_banner.Height());
  }
  ReleaseDC(m_hWnd, screen);
  m_dirty = false;
}

void CDlgMain::PaintBehind(HWND child, HDC hdc) {
  if (!m_hWnd)
    return;
  if (m_dirty || !m_composed)
    ComposeBackground();
  if (!m_composed)
    return;
  POINT origin = {0, 0};
  if (child != m_hWnd)
    MapWindowPoints(child, m_hWnd, &origin, 1);
  CDcHandle mem(CreateCompatibleDC(hdc));
  ui::CSelectObject select(mem.Get(), m_composed.Get());
  BitBlt(hdc, 0, 0, m_composedSize.cx - origin.x, m_composedSize.cy - origin.y, mem.Get(), origin.x, origin.y, SRCCOPY);
}

bool CDlgMain::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
  case WM_ERASEBKGND:
    PaintBehind(m_hWnd, reinterpret_cast<HDC>(wParam));
    result = 1;
    return true;
  case WM_LBUTTONDOWN:
    if (static_cast<short>(HIWORD(lParam)) < kCaptionBand) {
      SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      result = 0;
      return true;
    }
    return false;
  case WM_COMMAND:
    if (LOWORD(wParam) == 30 && HIWORD(wParam) == BN_CLICKED) {
      SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      result = 0;
      return true;
    }
    if (LOWORD(wParam) == 31 && HIWORD(wParam) == BN_CLICKED) {
      if (m_step == 3)
        SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hWnd, 1)));
      else
        SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      result = 0;
      return true;
    }
    return false;
  case WM_DRAWITEM: {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    CSkinButton* b = dis ? ButtonFor(static_cast<int>(dis->CtlID)) : nullptr;
    if (!b || !b->Handle())
      return false;
    b->DrawItem(*dis);
    result = TRUE;
    return true;
  }
  default:
    if (msg == kMsgQueryLabelWeight) {
      result = wParam < kSteps ? m_drawnWeight[wParam] : 0;
      return true;
    }
    if (msg == kMsgQueryBackground) {
      result = m_background.IsNull() ? 0 : m_backgroundId;
      return true;
    }
  }
  return false;
}
