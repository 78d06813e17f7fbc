// Skin of a progress bar: a rounded double frame and a bar with a vertical gradient of one colour.
// UI thread only.
#pragma once
#include <ui/Gdi.h>

#include "SubClassWndBaseWin.h"

class CProgCtrl : public CSubClassWndBase {
protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnSubclassed() override;

private:
  void Paint(HDC hdc);
  void BuildCache(HDC hdc, int w, int h);
  ui::CBitmap m_cache;  // the parent's background and the frame
  SIZE m_cacheSize = {};
};
