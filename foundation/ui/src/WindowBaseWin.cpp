#include "ui/WindowBase.h"

#include <exception>

#include "log/VxMdLog.h"
#include "vxlib/Charset.h"

namespace ui {

namespace {
const char kLogFile[] = "ui.log";
}

CWindowBase::~CWindowBase() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND hwnd = m_hWnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        UnregisterReflectTarget(hwnd);
        m_hWnd = nullptr;
        ::DestroyWindow(hwnd);
    }
}

HINSTANCE CWindowBase::OwnModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&CWindowBase::StaticWndProc), &module);
    return module;
}

bool CWindowBase::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon,
                                      HICON smallIcon, HINSTANCE module) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = module ? module : OwnModule();
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    if (::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "RegisterWindowClass", "%s: error %lu",
                 Charset::WString2String(className).c_str(), ::GetLastError());
    return false;
}

HWND CWindowBase::Create(const wchar_t* className, HWND parent, const std::string& gbkTitle, DWORD style,
                         DWORD exStyle, const RECT* rect, HMENU menuOrId, HINSTANCE module) {
    if (m_hWnd) return nullptr;  // one window per object
    bool child = (style & WS_CHILD) != 0;
    int x = child ? 0 : CW_USEDEFAULT, y = child ? 0 : CW_USEDEFAULT;
    int cx = child ? 0 : CW_USEDEFAULT, cy = child ? 0 : CW_USEDEFAULT;
    if (rect) {
        x = rect->left;
        y = rect->top;
        cx = rect->right - rect->left;
        cy = rect->bottom - rect->top;
    }
    std::wstring title = Charset::String2WString(gbkTitle);
    // When creation fails after WM_NCCREATE, OnFinalMessage has run: `this` may be gone.
    HWND hwnd = ::CreateWindowExW(exStyle, className, title.c_str(), style, x, y, cx, cy, parent, menuOrId,
                                  module ? module : OwnModule(), this);
    if (!hwnd) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Create", "%s: error %lu",
                     Charset::WString2String(className).c_str(), ::GetLastError());
    }
    return hwnd;
}

bool CWindowBase::DestroyWindow() { return m_hWnd && ::DestroyWindow(m_hWnd) != FALSE; }

CWindowBase* CWindowBase::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    // GWLP_USERDATA is only ours in windows whose procedure is ours.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != StaticWndProc) return nullptr;
    return reinterpret_cast<CWindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CWindowBase::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp)) ? 0 : -1;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (header && OnNotify(static_cast<int>(header->idFrom), header, result)) return result;
        break;
    }
    case WM_DRAWITEM:
        if (OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_MEASUREITEM:
        if (OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_PAINT:
        if (OnPaint()) return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wp))) return TRUE;
        break;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    case WM_TIMER:
        OnTimer(wp);
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wp));
        return 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wp), LOWORD(lp), HIWORD(lp) != 0);
        return 0;
    case WM_CONTEXTMENU:
        if (OnContextMenu(reinterpret_cast<HWND>(wp), POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}))
            return 0;
        break;
    default:
        break;
    }
    return DefProc(msg, wp, lp);
}

void CWindowBase::Finish() {
    m_destroyed = false;
    try {
        OnFinalMessage();
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "OnFinalMessage", "exception");
    }
}

LRESULT CALLBACK CWindowBase::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWindowBase* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->RegisterReflectTarget(hwnd);
        }
    } else {
        self = reinterpret_cast<CWindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);

    ++self->m_depth;
    LRESULT result = 0;
    try {
        if (!CReflectTarget::ReflectToChild(hwnd, msg, wp, lp, result)) result = self->WndProc(msg, wp, lp);
    } catch (const std::exception& e) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "WndProc", "message 0x%x: %s", msg, e.what());
        result = msg == WM_NCCREATE ? FALSE : msg == WM_CREATE ? -1 : ::DefWindowProcW(hwnd, msg, wp, lp);
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "WndProc", "message 0x%x: unknown exception", msg);
        result = msg == WM_NCCREATE ? FALSE : msg == WM_CREATE ? -1 : ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->UnregisterReflectTarget(hwnd);
        self->m_hWnd = nullptr;
        self->m_destroyed = true;
    }
    // Deferred to the outermost message, so that no handler still running sees a deleted object.
    if (--self->m_depth == 0 && self->m_destroyed) self->Finish();
    return result;
}

}  // namespace ui
