#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/Reflect.h"
#include "ui/Window.h"

namespace ui {

// Takes over a window's messages through SetWindowSubclass; WndProc sees them first and passes
// the rest on with DefProc. Detaches itself when the window is destroyed. Exceptions end in the
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
    LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp) { return ::DefSubclassProc(m_hWnd, msg, wp, lp); }

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);
};

}  // namespace ui
