#include "ui/Subclass.h"

#include "log/VxMdLog.h"

namespace ui {

namespace {
const UINT_PTR kSubclassId = 0x5658;  // one subclass of ours per window and object
}

CSubclassWindow::~CSubclassWindow() { Unsubclass(); }

bool CSubclassWindow::Subclass(HWND hwnd) {
    Unsubclass();
    if (!::SetWindowSubclass(hwnd, StaticProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    m_hWnd = hwnd;
    RegisterReflectTarget(hwnd);
    return true;
}

void CSubclassWindow::Unsubclass() {
    if (!m_hWnd) return;
    UnregisterReflectTarget(m_hWnd);
    ::RemoveWindowSubclass(m_hWnd, StaticProc, kSubclassId);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CSubclassWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CSubclassWindow*>(ref);
    LRESULT result = 0;
    try {
        result = self->WndProc(msg, wp, lp);
    } catch (...) {
        VxMdLog::Log("ui.log", VxMdLog::LEVEL_FATAL, "SubclassProc", "message 0x%x: exception", msg);
        result = ::DefSubclassProc(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) self->Unsubclass();
    return result;
}

}  // namespace ui
