#include "RsrcImageWin.h"

#include <objidl.h>
#include <gdiplus.h>

CRsrcImage::CRsrcImage() = default;
CRsrcImage::~CRsrcImage() { Free(); }

bool CRsrcImage::Load(HINSTANCE hInst, UINT id) {
  Free();
  HRSRC res = FindResourceW(hInst, MAKEINTRESOURCEW(id), L"PNG");
  if (!res)
    return false;
  DWORD size = SizeofResource(hInst, res);
  HGLOBAL loaded = LoadResource(hInst, res);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || !size)
    return false;
  // The stream must own movable memory that outlives the picture: GDI+ reads it lazily.
  m_hData = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!m_hData)
    return false;
  void* dst = GlobalLock(m_hData);
  CopyMemory(dst, bytes, size);
  GlobalUnlock(m_hData);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(m_hData, FALSE, &stream))) {
    Free();
    return false;
  }
  std::unique_ptr<Gdiplus::Image> image(new Gdiplus::Image(stream));
  stream->Release();
  if (image->GetLastStatus() != Gdiplus::Ok) {
    Free();
    return false;
  }
  m_image = std::move(image);
  return true;
}

void CRsrcImage::Free() {
  m_image.reset();
  if (m_hData)
    GlobalFree(m_hData);
  m_hData = nullptr;
}

int CRsrcImage::Width() const { return m_image ? static_cast<int>(m_image->GetWidth()) : 0; }
int CRsrcImage::Height() const { return m_image ? static_cast<int>(m_image->GetHeight()) : 0; }

void CRsrcImage::Draw(HDC hdc, int x, int y, int w, int h) const {
  if (!m_image || w <= 0 || h <= 0)
    return;
  Gdiplus::Graphics g(hdc);
  g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  g.DrawImage(m_image.get(), Gdiplus::Rect(x, y, w, h), 0, 0, Width(), Height(), Gdiplus::UnitPixel);
}
