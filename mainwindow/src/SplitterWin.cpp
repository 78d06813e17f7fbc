#include "SplitterWin.h"

#include <windowsx.h>

#include <algorithm>

#include "FrameConstants.h"
#include "log/VxMdLog.h"

namespace {

const char kLogFile[] = "container.log";

void MovePane(HWND splitter, HWND pane, RECT r) {
    if (!pane) return;
    // A pane may be the splitter's child or a sibling: place it in its own parent's coordinates.
    ::MapWindowPoints(splitter, ::GetParent(pane), reinterpret_cast<POINT*>(&r), 2);
    ::SetWindowPos(pane, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The ghost bar of a drag without full drag, drawn and erased by inversion.
void InvertBar(HWND hwnd, int x, int width) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    HDC dc = ::GetDCEx(hwnd, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    ::PatBlt(dc, x, 0, width, client.bottom, DSTINVERT);
    ::ReleaseDC(hwnd, dc);
}

}  // namespace

HWND CSplitterWindowEx::Create(HWND parent, const RECT& rect, UINT id) {
    if (!RegisterWindowClass(frame::kSplitterClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
        return nullptr;
    return CWindowBase::Create(frame::kSplitterClass, parent, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                               0, &rect, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CSplitterWindowEx::SetPanes(HWND left, HWND right) {
    m_left = left;
    m_right = right;
    Layout();
}

void CSplitterWindowEx::SetLeftPaneWidth(int width) {
    m_leftWidth = std::max(0, width);
    Layout();
}

void CSplitterWindowEx::SetBarWidth(int width) {
    m_barWidth = std::max(0, width);
    Layout();
}

void CSplitterWindowEx::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) { Layout(); }

void CSplitterWindowEx::Layout() {
    if (!m_hWnd) return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    // A narrow splitter squeezes the left pane without forgetting its width.
    int left = std::min(m_leftWidth, std::max(0, static_cast<int>(client.right) - m_barWidth));
    MovePane(m_hWnd, m_left, RECT{0, 0, left, client.bottom});
    MovePane(m_hWnd, m_right, RECT{left + m_barWidth, 0, std::max(left + m_barWidth, static_cast<int>(client.right)),
                                   client.bottom});
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CSplitterWindowEx::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    int maxLeft = std::max(0, static_cast<int>(client.right) - m_barWidth);
    int barLeft = std::min(m_leftWidth, maxLeft);
    switch (msg) {
    case WM_SETCURSOR: {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        if (reinterpret_cast<HWND>(wp) == m_hWnd && LOWORD(lp) == HTCLIENT &&
            ((pt.x >= barLeft && pt.x < barLeft + m_barWidth) || m_dragging)) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));  // IDC_SIZEWE
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        int x = GET_X_LPARAM(lp);
        if (x < barLeft || x >= barLeft + m_barWidth) return 0;
        m_dragging = true;
        m_dragOffset = x - barLeft;
        m_dragLeft = barLeft;
        ::SetCapture(m_hWnd);
        if (!m_fullDrag) InvertBar(m_hWnd, m_dragLeft, m_barWidth);
        return 0;
    }
    case WM_MOUSEMOVE: {
        if (!m_dragging) return 0;
        int left = std::max(0, std::min(maxLeft, GET_X_LPARAM(lp) - m_dragOffset));
        if (left == m_dragLeft) return 0;
        if (m_fullDrag) {
            m_dragLeft = m_leftWidth = left;
            Layout();
            ::UpdateWindow(m_hWnd);
        } else {
            InvertBar(m_hWnd, m_dragLeft, m_barWidth);
            m_dragLeft = left;
            InvertBar(m_hWnd, m_dragLeft, m_barWidth);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (m_dragging) ::ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
        return 0;
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            if (!m_fullDrag) {
                InvertBar(m_hWnd, m_dragLeft, m_barWidth);
                m_leftWidth = m_dragLeft;
                Layout();
            }
        }
        return 0;
    case WM_SETFOCUS:
        if (m_left) ::SetFocus(m_left);
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        // Panes that are our children still talk to the frame above us.
        return ::SendMessageW(::GetParent(m_hWnd), msg, wp, lp);
    default:
        break;
    }
    return CWindowBase::WndProc(msg, wp, lp);
}
