// Base of every skin that takes over an existing window's procedure. UI thread only.
#pragma once
#include <windows.h>

class CSubClassWndBase {
public:
  CSubClassWndBase() = default;
  CSubClassWndBase(const CSubClassWndBase&) = delete;
  CSubClassWndBase& operator=(const CSubClassWndBase&) = delete;
  virtual ~CSubClassWndBase();

  // False when hWnd is no window or is already taken by another skin.
  bool Attach(HWND hWnd);
  // Gives the window its own procedure back; harmless when not attached or the window is gone.
  void Detach();
  HWND Handle() const { return m_hWnd; }

protected:
  // The message map: returns true when the message was handled and result set.
  virtual bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
  virtual void OnSubclassed() {}
  LRESULT DefProc(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

private:
  static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref);
};
