#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "ui/Gdi.h"
#include "ui/RsrcImage.h"

namespace ui {

CGdiplusStartup::CGdiplusStartup() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
}

CGdiplusStartup::~CGdiplusStartup() {
    if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

CRsrcImage::CRsrcImage() = default;
CRsrcImage::~CRsrcImage() { Release(); }

void CRsrcImage::Release() {
    m_bitmap.reset();
    if (m_data) {
        ::GlobalFree(m_data);
        m_data = nullptr;
    }
}

bool CRsrcImage::Load(HINSTANCE module, UINT id, const wchar_t* type) {
    Release();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return false;
    DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return false;
    // GDI+ reads the stream lazily: it needs movable memory of its own that lives with the bitmap.
    m_data = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!m_data) return false;
    void* target = ::GlobalLock(m_data);
    memcpy(target, bytes, size);
    ::GlobalUnlock(m_data);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(m_data, FALSE, &stream))) {
        Release();
        return false;
    }
    m_bitmap.reset(Gdiplus::Bitmap::FromStream(stream));
    stream->Release();
    if (!m_bitmap || m_bitmap->GetLastStatus() != Gdiplus::Ok) {
        Release();
        return false;
    }
    return true;
}

int CRsrcImage::Width() const { return m_bitmap ? static_cast<int>(m_bitmap->GetWidth()) : 0; }
int CRsrcImage::Height() const { return m_bitmap ? static_cast<int>(m_bitmap->GetHeight()) : 0; }

void CRsrcImage::Draw(HDC dc, int x, int y) const {
    if (!m_bitmap) return;
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(m_bitmap.get(), x, y, Width(), Height());
}

}  // namespace ui
