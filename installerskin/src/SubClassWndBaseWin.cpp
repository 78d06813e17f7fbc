#include "SubClassWndBaseWin.h"

#include <commctrl.h>

namespace {
constexpr UINT_PTR kSubclassId = 0x56584D53;
}

CSubClassWndBase::~CSubClassWndBase() { Detach(); }

bool CSubClassWndBase::Attach(HWND hWnd) {
  Detach();
  DWORD_PTR existing = 0;
  if (!IsWindow(hWnd) || GetWindowSubclass(hWnd, Proc, kSubclassId, &existing))
    return false;
  if (!SetWindowSubclass(hWnd, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  m_hWnd = hWnd;
  OnSubclassed();
  return true;
}

void CSubClassWndBase::Detach() {
  if (m_hWnd && IsWindow(m_hWnd))
    RemoveWindowSubclass(m_hWnd, Proc, kSubclassId);
  m_hWnd = nullptr;
}

LRESULT CSubClassWndBase::DefProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CSubClassWndBase::Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR ref) {
  auto* self = reinterpret_cast<CSubClassWndBase*>(ref);
  if (msg == WM_NCDESTROY) {
    // The engine destroys pages on its own; forget the window before it goes.
    RemoveWindowSubclass(hWnd, Proc, kSubclassId);
    self->m_hWnd = nullptr;
    return DefSubclassProc(hWnd, msg, wParam, lParam);
  }
  LRESULT result = 0;
  try {
    if (self->ProcessMessage(msg, wParam, lParam, result))
      return result;
  } catch (...) {
  }
  return DefSubclassProc(hWnd, msg, wParam, lParam);
}
