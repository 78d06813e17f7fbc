#pragma once
#include <windows.h>

#include <string>

namespace ui {

// A non-owning handle of any window, with the calls our windows share. Narrow texts are GBK and
// go through the wide APIs, so they show right whatever the thread's code page.
class CWindow {
public:
    CWindow(HWND hwnd = nullptr) : m_hWnd(hwnd) {}
    operator HWND() const { return m_hWnd; }
    HWND GetHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    void SetText(const std::string& gbk) const;
    std::string GetText() const;
    std::wstring GetTextW() const;
    void Show(bool show) const { ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void Enable(bool enable) const { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    // Centres over `over` (the owner when null, the work area when there is none).
    void CenterWindow(HWND over = nullptr) const;
    // The window's rectangle in its parent's client coordinates.
    RECT GetRectInParent() const;

protected:
    HWND m_hWnd;
};

}  // namespace ui
