// Skin of the engine's current inner page: transparent look, skinned buttons, owner-drawn texts,
// the progress bar and check boxes handed over with kMsgSkinCheckBox. UI thread only.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "CheckBoxWin.h"
#include "ProgCtrlWin.h"
#include "SkinButtonWin.h"

class CCheckBoxOwner {
public:
  virtual ~CCheckBoxOwner();
  void TakeCheckBox(HINSTANCE hInst, HWND box);
  CCheckBox* FindCheckBox(HWND box);
  void ReleaseCheckBoxes();

private:
  HIMAGELIST m_images = nullptr;
  std::vector<std::unique_ptr<CCheckBox>> m_boxes;
};

class CDlgSub : public CSubClassWndBase, public CCheckBoxOwner {
public:
  explicit CDlgSub(HINSTANCE hInst) : m_hInst(hInst) {}
  ~CDlgSub() override;
  int Step() const { return m_step; }
  void SetStep(int step) { m_step = step; }
  void SetUninstaller(bool uninstaller) { m_uninstaller = uninstaller; }
  // Undoes the page's subclassing and every child skin.
  void DetachAll();

protected:
  bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnSubclassed() override;

private:
  void MakeOwnerDrawn(int id);
  void DrawText(const DRAWITEMSTRUCT& dis);

  HINSTANCE m_hInst;
  bool m_uninstaller = false;
  int m_step = -1;
  CSkinButton m_browse;
  CSkinButton m_details;
  CProgCtrl m_progress;
};
