// Draws into an off-screen bitmap of a rectangle of `target` and copies it there when destroyed,
// so that a skinned control never flickers through its background.
#pragma once
#include <windows.h>

#include <ui/Gdi.h>

// Owns a memory device context.
class CDcHandle {
public:
  explicit CDcHandle(HDC dc) : m_dc(dc) {}
  ~CDcHandle() {
    if (m_dc)
      DeleteDC(m_dc);
  }
  CDcHandle(const CDcHandle&) = delete;
  CDcHandle& operator=(const CDcHandle&) = delete;
  HDC Get() const { return m_dc; }

private:
  HDC m_dc;
};

class CMemoryDC {
public:
  CMemoryDC(HDC target, const RECT& rc)
      : m_target(target), m_rc(rc), m_dc(CreateCompatibleDC(target)),
        m_bitmap(CreateCompatibleBitmap(target, Width(), Height())), m_select(m_dc.Get(), m_bitmap.Get()) {}
  ~CMemoryDC() { BitBlt(m_target, m_rc.left, m_rc.top, Width(), Height(), m_dc.Get(), 0, 0, SRCCOPY); }
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
  operator HDC() const { return m_dc.Get(); }
  int Width() const { return m_rc.right - m_rc.left; }
  int Height() const { return m_rc.bottom - m_rc.top; }

private:
  HDC m_target;
  RECT m_rc;
  // Destroyed in reverse: the bitmap is selected out, deleted, then the context.
  CDcHandle m_dc;
  ui::CBitmap m_bitmap;
  ui::CSelectObject m_select;
};
