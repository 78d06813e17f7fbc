#pragma once
#include <windows.h>

#include <string>

#include "ui/Reflect.h"
#include "ui/Window.h"

namespace ui {

// A window of a class of ours whose messages reach a C++ object. Create hands `this` over through
// lpCreateParams and the object is bound at WM_NCCREATE (messages before it, such as a top-level
// window's first WM_GETMINMAXINFO, get DefWindowProc). WndProc is a plain switch over the typed
// OnXxx members; unhandled messages go to DefWindowProc. Notifications from children that are
// CReflectTarget objects go to those children first; the object is one itself, so a CWindowBase
// child can answer for itself too. Exceptions thrown by handlers end in the static procedure
// (logged). OnFinalMessage runs once after WM_NCDESTROY, when the outermost message of the window
// has returned, so a handler may destroy the window and OnFinalMessage may `delete this`.
// GWLP_USERDATA of the window belongs to the framework. Use on the window's thread only.
class CWindowBase : public CWindow, public CReflectTarget {
public:
    CWindowBase() = default;
    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;
    // Destroys a window that is still there, without calling back into the object.
    virtual ~CWindowBase();

    // Registers a class whose procedure is ours for `module` (null: the module linking this
    // code). True when registered, also when it already was.
    static bool RegisterWindowClass(const wchar_t* className, UINT style = CS_DBLCLKS,
                                    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                    HICON icon = nullptr, HICON smallIcon = nullptr, HINSTANCE module = nullptr);
    // `rect` null: default position and size for a top-level window, empty for a child. `menuOrId`
    // is the menu of a top-level window or the control id of a child. Null on failure (logged).
    HWND Create(const wchar_t* className, HWND parent, const std::string& gbkTitle, DWORD style,
                DWORD exStyle = 0, const RECT* rect = nullptr, HMENU menuOrId = nullptr, HINSTANCE module = nullptr);
    bool DestroyWindow();

    // The object bound to a window of ours, else null.
    static CWindowBase* FromHandle(HWND hwnd);
    // The module the framework's code is linked into: the default for classes and windows.
    static HINSTANCE OwnModule();

protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(m_hWnd, msg, wp, lp); }

    // False fails the creation.
    virtual bool OnCreate(CREATESTRUCTW* /*create*/) { return true; }
    virtual void OnDestroy() {}
    // The default destroys the window.
    virtual void OnClose() { DestroyWindow(); }
    // After WM_NCDESTROY, once: the window is gone and the object is no longer bound to it.
    virtual void OnFinalMessage() {}
    // The members below return true when they handled the message; false lets DefWindowProc have it.
    // `control` is null for menus and accelerators.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(int /*id*/, NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // Menus drawn by their owner (controls draw themselves through reflection).
    virtual bool OnDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }
    virtual bool OnMeasureItem(MEASUREITEMSTRUCT* /*item*/) { return false; }
    // True when the window painted itself (it calls BeginPaint, CPaintDC).
    virtual bool OnPaint() { return false; }
    virtual bool OnEraseBkgnd(HDC /*dc*/) { return false; }
    virtual void OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnSetFocus(HWND /*previous*/) {}
    virtual void OnGetMinMaxInfo(MINMAXINFO* /*info*/) {}
    virtual void OnInitMenuPopup(HMENU /*popup*/, int /*index*/, bool /*windowMenu*/) {}
    // `screen` is (-1, -1) when the menu key was pressed.
    virtual bool OnContextMenu(HWND /*target*/, POINT /*screen*/) { return false; }

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Finish();

    int m_depth = 0;          // messages of this window on the stack
    bool m_destroyed = false; // WM_NCDESTROY seen, OnFinalMessage pending
};

}  // namespace ui
