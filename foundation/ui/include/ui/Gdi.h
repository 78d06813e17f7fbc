#pragma once
#include <windows.h>

namespace ui {

// Owns one GDI object (font, brush, pen, bitmap, region); deletes it when replaced or destroyed.
template <class T>
class CGdiObject {
public:
    explicit CGdiObject(T handle = nullptr) : m_handle(handle) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }

    void Reset(T handle = nullptr) {
        if (m_handle) ::DeleteObject(m_handle);
        m_handle = handle;
    }
    T Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    T m_handle;
};

using CFont = CGdiObject<HFONT>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;
using CBitmap = CGdiObject<HBITMAP>;

// Selects an object into a device context for its own lifetime.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// BeginPaint / EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
    PAINTSTRUCT m_ps;
};

// Paints a window off screen, so that its parts appear at once: draw on Dc() (the size of the
// client area); the picture is copied to the window when the holder goes out of scope. Nothing is
// made for an empty client area (Empty()).
class CBufferedPaint {
public:
    explicit CBufferedPaint(HWND hwnd) : m_paint(hwnd) {
        ::GetClientRect(hwnd, &m_client);
        if (Empty()) return;
        m_dc = ::CreateCompatibleDC(m_paint);
        m_bitmap = ::CreateCompatibleBitmap(m_paint, m_client.right, m_client.bottom);
        m_old = ::SelectObject(m_dc, m_bitmap);
    }
    ~CBufferedPaint() {
        if (!m_dc) return;
        ::BitBlt(m_paint, 0, 0, m_client.right, m_client.bottom, m_dc, 0, 0, SRCCOPY);
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    CBufferedPaint(const CBufferedPaint&) = delete;
    CBufferedPaint& operator=(const CBufferedPaint&) = delete;
    bool Empty() const { return m_client.right <= 0 || m_client.bottom <= 0; }
    HDC Dc() const { return m_dc; }
    const RECT& Client() const { return m_client; }

private:
    CPaintDC m_paint;
    RECT m_client{};
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

// GDI+ is started for the holder's lifetime (nesting is allowed: each holder has its own token).
class CGdiplusStartup {
public:
    CGdiplusStartup();
    ~CGdiplusStartup();
    CGdiplusStartup(const CGdiplusStartup&) = delete;
    CGdiplusStartup& operator=(const CGdiplusStartup&) = delete;
    bool IsStarted() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

}  // namespace ui
