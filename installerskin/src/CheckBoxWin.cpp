#include "CheckBoxWin.h"

#include "MemoryDcWin.h"
#include "SkinPaintWin.h"

void CCheckBox::OnSubclassed() {
  LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
  SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CCheckBox::Toggle() {
  m_checked = !m_checked;
  if (m_hWnd)
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CCheckBox::ProcessMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  switch (msg) {
  case BM_GETCHECK:
    result = m_checked ? BST_CHECKED : BST_UNCHECKED;
    return true;
  case BM_SETCHECK:
    // The engine must not undo what the user chose on the skinned box.
    result = m_checked ? BST_CHECKED : BST_UNCHECKED;
    return true;
  case WM_ERASEBKGND:
    result = 1;
    return true;
  }
  return false;
}

void CCheckBox::DrawItem(const DRAWITEMSTRUCT& dis) {
  CMemoryDC mem(dis.hDC, dis.rcItem);
  PaintBackgroundBehind(dis.hwndItem, mem);
  if (m_images)
    ImageList_Draw(m_images, m_checked ? 2 : 1, mem, 0, 3, ILD_TRANSPARENT);
  DrawWindowText(dis.hwndItem, mem, RECT{16 + 2, 0, mem.Width(), mem.Height()}, RGB(0, 0, 0), DT_LEFT);
}
