// A check box drawn by the skin with its own checked state (initially checked): the page skin
// toggles it on the page's WM_COMMAND and hands it WM_DRAWITEM. UI thread only.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "SubClassWndBaseWin.h"

class CCheckBox : public CSubClassWndBase {
public:
  explicit CCheckBox(HIMAGELIST images) : m_images(images) {}
  void Toggle();
  void DrawItem(const DRAWITEMSTRUCT& dis);

protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnSubclassed() override;

private:
  HIMAGELIST m_images;  // owned by the page skin
  bool m_checked = true;
};
