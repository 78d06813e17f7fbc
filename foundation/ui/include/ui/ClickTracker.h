#pragma once
#include <windows.h>
#include <windowsx.h>

namespace ui {

// A left-button press released over the same window is a click. The press takes the mouse, so
// that a release outside the window ends it too, and losing the mouse cancels it.
class CClickTracker {
public:
    // Handles the button and capture messages (true when msg was one of them); clicked tells
    // whether a click has just ended.
    bool Handle(HWND hwnd, UINT msg, LPARAM lp, bool& clicked) {
        clicked = false;
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            m_pressed = true;
            ::SetCapture(hwnd);
            return true;
        case WM_LBUTTONUP: {
            const bool pressed = m_pressed;
            m_pressed = false;
            if (::GetCapture() == hwnd) ::ReleaseCapture();
            RECT client{};
            ::GetClientRect(hwnd, &client);
            const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            clicked = pressed && ::PtInRect(&client, at);
            return true;
        }
        case WM_CAPTURECHANGED:
            m_pressed = false;
            return true;
        default:
            return false;
        }
    }

private:
    bool m_pressed = false;
};

}  // namespace ui
