#include "ProgCtrlWin.h"

#include <commctrl.h>
#include <shlwapi.h>

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
  if (GetDeviceCaps(hdc, BITSPIXEL) <= 8 || top == bottom) {
    HBRUSH b = CreateSolidBrush(top);
    FillRect(hdc, &rc, b);
    DeleteObject(b);
  } else {
    TRIVERTEX v[2] = {
        {rc.left, rc.top, COLOR16(GetRValue(top) << 8), COLOR16(GetGValue(top) << 8), COLOR16(GetBValue(top) << 8), 0},
        {rc.right, rc.bottom, COLOR16(GetRValue(bottom) << 8), COLOR16(GetGValue(bottom) << 8),
         COLOR16(GetBValue(bottom) << 8), 0}};
    GRADIENT_RECT g = {0, 1};
    GradientFill(hdc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
  }
  HBRUSH frame = CreateSolidBrush(top);
  FrameRect(hdc, &rc, frame);
  DeleteObject(frame);
}
}  // namespace

CProgCtrl::~CProgCtrl() {
  Detach();
  if (m_cache)
    DeleteObject(m_cache);
}

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
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    Paint(hdc);
    EndPaint(m_hWnd, &ps);
    result = 0;
    return true;
  }
  case WM_PRINTCLIENT:
    Paint(reinterpret_cast<HDC>(wParam));
    result = 0;
    return true;
  case WM_SIZE:
    if (m_cache)
      DeleteObject(m_cache);
    m_cache = nullptr;
    return false;
  }
  return false;
}

void CProgCtrl::BuildCache(HDC hdc, int w, int h) {
  m_cache = CreateCompatibleBitmap(hdc, w, h);
  m_cacheSize = {w, h};
  HDC mem = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(mem, m_cache);
  PaintBackgroundBehind(m_hWnd, mem);
  HBRUSH fill = CreateSolidBrush(kBackground);
  HPEN outer = CreatePen(PS_SOLID, 1, kOuterPen), inner = CreatePen(PS_SOLID, 1, kInnerPen);
  HGDIOBJ oldBrush = SelectObject(mem, fill), oldPen = SelectObject(mem, outer);
  RoundRect(mem, 0, 0, w, h, 5, 5);
  SelectObject(mem, inner);
  SelectObject(mem, GetStockObject(NULL_BRUSH));
  RoundRect(mem, 1, 1, w - 1, h - 1, 4, 4);
  SelectObject(mem, oldBrush);
  SelectObject(mem, oldPen);
  DeleteObject(fill);
  DeleteObject(outer);
  DeleteObject(inner);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void CProgCtrl::Paint(HDC hdc) {
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  int w = rc.right, h = rc.bottom;
  if (w <= 0 || h <= 0)
    return;
  if (!m_cache || m_cacheSize.cx != w || m_cacheSize.cy != h) {
    if (m_cache)
      DeleteObject(m_cache);
    BuildCache(hdc, w, h);
  }
  HDC mem = CreateCompatibleDC(hdc);
  HBITMAP frame = CreateCompatibleBitmap(hdc, w, h);
  HGDIOBJ oldFrame = SelectObject(mem, frame);
  HDC cache = CreateCompatibleDC(hdc);
  HGDIOBJ oldCache = SelectObject(cache, m_cache);
  BitBlt(mem, 0, 0, w, h, cache, 0, 0, SRCCOPY);
  SelectObject(cache, oldCache);
  DeleteDC(cache);

  PBRANGE range = {};
  SendMessageW(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  range.iHigh = SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, 0);
  int pos = static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0));
  if (range.iHigh <= range.iLow)
    range.iHigh = range.iLow + 1;
  RECT bar = {4, 3, w - 4, h - 3};
  long long span = static_cast<long long>(bar.right - bar.left) * (pos - range.iLow) / (range.iHigh - range.iLow);
  bar.right = bar.left + static_cast<int>(span < 0 ? 0 : span > bar.right - bar.left ? bar.right - bar.left : span);
  if (bar.right > bar.left && bar.bottom > bar.top)
    FillGradient(mem, bar, kBar);

  BitBlt(hdc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, oldFrame);
  DeleteObject(frame);
  DeleteDC(mem);
}
