// A push button drawn with four pictures (normal, over, pressed, disabled) and a text colour per
// state. Its parent hands it WM_DRAWITEM. UI thread only.
#pragma once
#include "RsrcImageWin.h"
#include "SubClassWndBaseWin.h"

class CSkinButton : public CSubClassWndBase {
public:
  enum State { kNormal, kOver, kPressed, kDisabled, kStates };

  // Loads the pictures (a missing one leaves only the text) and the state colours.
  void SetSkin(HINSTANCE hInst, const UINT (&ids)[kStates], const COLORREF (&colours)[kStates]);
  void DrawItem(const DRAWITEMSTRUCT& dis);

protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnSubclassed() override;

private:
  CRsrcImage m_images[kStates];
  COLORREF m_colours[kStates] = {};
  bool m_over = false;
};
