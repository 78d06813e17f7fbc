#include "ui/Window.h"

#include <vector>

#include "vxlib/Charset.h"

namespace ui {

void CWindow::SetText(const std::string& gbk) const {
    ::SetWindowTextW(m_hWnd, Charset::String2WString(gbk).c_str());
}

std::wstring CWindow::GetTextW() const {
    int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(length + 1);
    int got = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), got > 0 ? got : 0);
}

std::string CWindow::GetText() const { return Charset::WString2String(GetTextW()); }

void CWindow::CenterWindow(HWND over) const {
    if (!over) over = ::GetWindow(m_hWnd, GW_OWNER);
    RECT self;
    ::GetWindowRect(m_hWnd, &self);
    RECT area;
    if (over && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &area);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    int width = self.right - self.left, height = self.bottom - self.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    // Keep the whole window on the screen the target sits on.
    HMONITOR monitor = ::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{sizeof(info)};
    if (::GetMonitorInfoW(monitor, &info)) {
        const RECT& work = info.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT CWindow::GetRectInParent() const {
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace ui
