#pragma once
#include <windows.h>

#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace ui {

// An image (PNG and whatever else GDI+ reads) from a module's resources. GDI+ must be running
// (CGdiplusStartup) while the image is loaded, drawn and destroyed.
class CRsrcImage {
public:
    CRsrcImage();
    ~CRsrcImage();
    CRsrcImage(const CRsrcImage&) = delete;
    CRsrcImage& operator=(const CRsrcImage&) = delete;

    // False when the resource is missing or no image; the previous image is released either way.
    bool Load(HINSTANCE module, UINT id, const wchar_t* type = L"PNG");
    void Release();
    bool IsLoaded() const { return m_bitmap != nullptr; }
    int Width() const;
    int Height() const;
    // At its natural size, top-left at (x, y).
    void Draw(HDC dc, int x, int y) const;

private:
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
    HGLOBAL m_data = nullptr;  // the stream's memory must outlive the bitmap
};

}  // namespace ui
