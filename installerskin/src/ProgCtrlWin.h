// Skin of a progress bar: a rounded double frame and a bar with a vertical gradient of one colour.
// UI thread only.
#pragma once
#include "SubClassWndBaseWin.h"

class CProgCtrl : public CSubClassWndBase {
public:
  ~CProgCtrl() override;

protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnSubclassed() override;

private:
  void Paint(HDC hdc);
  void BuildCache(HDC hdc, int w, int h);
  HBITMAP m_cache = nullptr;
  SIZE m_cacheSize = {};
};
