// A GDI+ picture read from a "PNG" resource of the plug-in. Needs GDI+ started.
#pragma once
#include <windows.h>

#include <memory>

namespace Gdiplus { class Image; }

class CRsrcImage {
public:
  CRsrcImage();
  ~CRsrcImage();
  // False (and empty) when the resource is missing or unreadable.
  bool Load(HINSTANCE hInst, UINT id);
  void Free();
  bool IsNull() const { return !m_image; }
  int Width() const;
  int Height() const;
  // Stretched into (x, y, w, h); nothing when empty.
  void Draw(HDC hdc, int x, int y, int w, int h) const;
  void Draw(HDC hdc, int x, int y) const { Draw(hdc, x, y, Width(), Height()); }

private:
  std::unique_ptr<Gdiplus::Image> m_image;
  HGLOBAL m_hData = nullptr;
};
