#include "SkinPaintWin.h"

#include <ui/Gdi.h>

#include "DlgMainWin.h"

namespace {
ui::CFont g_fonts[2];
}  // namespace

HFONT SkinFont(bool bold) {
  ui::CFont& f = g_fonts[bold ? 1 : 0];
  if (!f)
    f.Reset(CreateFontW(12, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体"));
  return f.Get();
}

void FreeSkinFonts() {
  for (ui::CFont& f : g_fonts)
    f.Reset();
}

void DrawWindowText(HWND hWnd, HDC hdc, RECT rc, COLORREF colour, UINT align) {
  wchar_t text[261] = {};
  GetWindowTextW(hWnd, text, 261);
  ui::CSelectObject font(hdc, SkinFont(false));
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, colour);
  DrawTextW(hdc, text, -1, &rc, align | DT_SINGLELINE | DT_VCENTER);
}

void PaintBackgroundBehind(HWND child, HDC hdc) {
  if (CDlgMain* main = CDlgMain::Instance())
    main->PaintBehind(child, hdc);
}
