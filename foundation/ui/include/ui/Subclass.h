#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/Reflect.h"
#include "ui/Window.h"

namespace ui {

// Takes over a window's messages by replacing its window procedure (comctl32's SetWindowSubclass
// looks its data up with GetPropW, which Wine answers through its server: a list took seconds to
// fill); WndProc sees them first and passes the rest on with DefProc. Detaches itself when the window is destroyed. Exceptions end in the
// static procedure. While subclassed, the parent's notifications about the window are reflected
// to the OnReflectedXxx members (a parent of ours reflects them). Use on the window's thread.
class CSubclassWindow : public CWindow, public CReflectTarget {
public:
    CSubclassWindow() = default;
    CSubclassWindow(const CSubclassWindow&) = delete;
    CSubclassWindow& operator=(const CSubclassWindow&) = delete;
    virtual ~CSubclassWindow();

    bool Subclass(HWND hwnd);
    void Unsubclass();
    bool IsSubclassed() const { return m_hWnd != nullptr; }

protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) { return DefProc(msg, wp, lp); }
    LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp) {
        return m_previous ? ::CallWindowProcW(m_previous, m_hWnd, msg, wp, lp) : ::DefWindowProcW(m_hWnd, msg, wp, lp);
    }

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    WNDPROC m_previous = nullptr;
};

}  // namespace ui
