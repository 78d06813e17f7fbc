// Skin of the installer's outer window, one per process (made by Initialize, destroyed by
// Release): style, size, rounded outline, background, caption and navigation buttons, the step
// indicator and the banner; owns the page skin. UI thread only.
#pragma once
#include <ui/Gdi.h>

#include "DlgSubWin.h"
#include "RsrcImageWin.h"
#include "SkinButtonWin.h"

class CDlgMain : public CSubClassWndBase {
public:
  static constexpr int kSteps = 4;

  explicit CDlgMain(HINSTANCE hInst);
  ~CDlgMain() override;
  static CDlgMain* Instance() { return s_instance; }

  // Skins the page's outer window on the first call, then the page; a page that is no window or a
  // step outside 0-3 is ignored.
  void JmpToNewPage(HWND page, int step);
  void PaintBehind(HWND child, HDC hdc);

protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  void SkinOuter(HWND outer);
  void ComposeBackground();
  void DrawIndicator(HDC hdc, int width);
  CSkinButton* ButtonFor(int id);

  static CDlgMain* s_instance;
  HINSTANCE m_hInst;
  bool m_outerDone = false;
  bool m_uninstaller = false;
  int m_step = 0;
  CDlgSub m_page;
  CSkinButton m_close, m_minimize, m_back, m_next, m_cancel;
  HWND m_madeClose = nullptr, m_madeMinimize = nullptr;
  CRsrcImage m_background, m_banner, m_arrowCurrent, m_arrowOther;
  const wchar_t* m_labels[kSteps] = {};
  SIZE m_labelSize[kSteps] = {};
  bool m_measured = false;
  int m_drawnWeight[kSteps] = {};
  UINT m_backgroundId = 0;
  ui::CBitmap m_composed;  // background, indicator and banner, copied behind every skinned child
  SIZE m_composedSize = {};
  bool m_dirty = true;
};
