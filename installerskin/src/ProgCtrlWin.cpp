#include "ProgCtrlWin.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "MemoryDcWin.h"
#include "SkinPaintWin.h"

namespace {
const COLORREF kBackground = RGB(237, 241, 246);
const COLORREF kOuterPen = RGB(194, 223, 235);
const COLORREF kInnerPen = RGB(101, 176, 208);
const COLORREF kBar = RGB(59, 161, 233);

void FillGradient(HDC hdc, RECT rc, COLORREF colour) {
  WORD hue = 0, light = 0, sat = 0;
  ColorRGBToHLS(colour, &hue, &light, &sat);
  COLORREF top = ColorHLSToRGB(hue, light / 2 + 120, sat);
  COLORREF bottom = ColorHLSToRGB(hue, light * 2 / 3, sat);
  ui::CBrush topBrush(CreateSolidBrush(top));
  if (GetDeviceCaps(hdc, BITSPIXEL) <= 8 || top == bottom) {
    FillRect(hdc, &rc, topBrush.Get());
  } else {
    TRIVERTEX v[2] = {
        {rc.left, rc.top, COLOR16(GetRValue(top) << 8), COLOR16(GetGValue(top) << 8), COLOR16(GetBValue(top) << 8), 0},
        {rc.right, rc.bottom, COLOR16(GetRValue(bottom) << 8), COLOR16(GetGValue(bottom) << 8),
         COLOR16(GetBValue(bottom) << 8), 0}};
    GRADIENT_RECT g = {0, 1};
    GradientFill(hdc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
  }
  FrameRect(hdc, &rc, topBrush.Get());
}
}  // namespace

void CProgCtrl::OnSubclassed() {
  LONG ex = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
  SetWindowLongW(m_hWnd, GWL_EXSTYLE, ex & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

bool CProgCtrl::ProcessMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (msg) {
  case WM_ERASEBKGND:
    result = 1;
    return true;
  case WM_PAINT: {
    ui::CPaintDC dc(m_hWnd);
    Paint(dc);
    result = 0;
    return true;
  }
  case WM_PRINTCLIENT:
    Paint(reinterpret_cast<HDC>(wParam));
    result = 0;
    return true;
  case WM_SIZE:
    m_cache.Reset();
    return false;
  }
  return false;
}

void CProgCtrl::BuildCache(HDC hdc, int w, int h) {
  m_cache.Reset(CreateCompatibleBitmap(hdc, w, h));
  m_cacheSize = {w, h};
  CDcHandle mem(CreateCompatibleDC(hdc));
  ui::CSelectObject selectCache(mem.Get(), m_cache.Get());
  PaintBackgroundBehind(m_hWnd, mem.Get());
  ui::CBrush fill(CreateSolidBrush(kBackground));
  ui::CPen outer(CreatePen(PS_SOLID, 1, kOuterPen)), inner(CreatePen(PS_SOLID, 1, kInnerPen));
  {
    ui::CSelectObject brush(mem.Get(), fill.Get()), pen(mem.Get(), outer.Get());
    RoundRect(mem.Get(), 0, 0, w, h, 5, 5);
  }
  ui::CSelectObject brush(mem.Get(), GetStockObject(NULL_BRUSH)), pen(mem.Get(), inner.Get());
  RoundRect(mem.Get(), 1, 1, w - 1, h - 1, 4, 4);
}

void CProgCtrl::Paint(HDC hdc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  int w = rc.right, h = rc.bottom;
  if (w <= 0 || h <= 0)
    return;
  if (!m_cache || m_cacheSize.cx != w || m_cacheSize.cy != h)
    BuildCache(hdc, w, h);
  CMemoryDC mem(hdc, rc);
  {
    CDcHandle cache(CreateCompatibleDC(hdc));
    ui::CSelectObject select(cache.Get(), m_cache.Get());
    BitBlt(mem, 0, 0, w, h, cache.Get(), 0, 0, SRCCOPY);
  }
  PBRANGE range = {};
  SendMessageW(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  int pos = static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0));
  // An empty range would divide by zero.
  if (range.iHigh <= range.iLow)
    range.iHigh = range.iLow + 1;
  RECT bar = {4, 3, w - 4, h - 3};
  const int inset = bar.right - bar.left;
  long long span = static_cast<long long>(inset) * (pos - range.iLow) / (range.iHigh - range.iLow);
  bar.right = bar.left + static_cast<int>(span < 0 ? 0 : span > inset ? inset : span);
  if (bar.right > bar.left && bar.bottom > bar.top)
    FillGradient(mem, bar, kBar);
}
