#include "SkinButtonWin.h"

#include "MemoryDcWin.h"
#include "SkinPaintWin.h"

void CSkinButton::SetSkin(HINSTANCE hInst, const UINT (&ids)[kStates], const COLORREF (&colours)[kStates]) {
  for (int i = 0; i < kStates; ++i) {
    m_images[i].Load(hInst, ids[i]);
    m_colours[i] = colours[i];
  }
}

void CSkinButton::OnSubclassed() {
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

bool CSkinButton::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
  case BM_SETSTYLE:
    // The engine marks its default button with BS_DEFPUSHBUTTON, which would drop the skin.
    result = DefProc(msg, (wParam & ~BS_TYPEMASK) | BS_OWNERDRAW, lParam);
    return true;
  case WM_MOUSEMOVE:
    if (!m_over) {
      m_over = true;
      TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, m_hWnd, 0};
      TrackMouseEvent(&tme);
      InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    return false;
  case WM_MOUSELEAVE:
    m_over = false;
    InvalidateRect(m_hWnd, nullptr, FALSE);
    return false;
  case WM_ERASEBKGND:
    result = 1;
    return true;
  }
  return false;
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& dis) {
  State state = kNormal;
  if (dis.itemState & ODS_DISABLED)
    state = kDisabled;
  else if (dis.itemState & ODS_SELECTED)
    state = kPressed;
  else if (m_over)
    state = kOver;
  CMemoryDC mem(dis.hDC, dis.rcItem);
  PaintBackgroundBehind(dis.hwndItem, mem);
  m_images[state].Draw(mem, 0, 0, mem.Width(), mem.Height());
  DrawWindowText(dis.hwndItem, mem, RECT{0, 0, mem.Width(), mem.Height()}, m_colours[state], DT_CENTER);
}
