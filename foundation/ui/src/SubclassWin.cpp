#include "ui/Subclass.h"

#include "WindowRegistryWin.h"
#include "log/VxMdLog.h"

namespace ui {

namespace {

struct SubclassRecord {
    CSubclassWindow* object;  // null once detached while another procedure sits above ours
    WNDPROC previous;
};

CWindowRegistry<SubclassRecord>& Records() {
    static CWindowRegistry<SubclassRecord> s_records;
    return s_records;
}

}  // namespace

CSubclassWindow::~CSubclassWindow() { Unsubclass(); }

bool CSubclassWindow::Subclass(HWND hwnd) {
    Unsubclass();
    if (!hwnd || !::IsWindow(hwnd)) return false;
    SubclassRecord record = {this, nullptr};
    if (Records().Get(hwnd, record)) {
        // Already ours: this object takes the window over from the one before, which lets go.
        if (record.object && record.object != this) {
            record.object->m_hWnd = nullptr;
            record.object->m_previous = nullptr;
        }
        record.object = this;
        Records().Set(hwnd, record);
    } else {
        record = {this, nullptr};
        Records().Set(hwnd, record);
        record.previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSubclassWindow::StaticProc)));
        if (!record.previous) {
            Records().Erase(hwnd);
            return false;
        }
        Records().Set(hwnd, record);
    }
    m_previous = record.previous;
    m_hWnd = hwnd;
    RegisterReflectTarget(hwnd);
    return true;
}

void CSubclassWindow::Unsubclass() {
    if (!m_hWnd) return;
    UnregisterReflectTarget(m_hWnd);
    SubclassRecord record = {};
    if (Records().Get(m_hWnd, record) && record.object == this) {
        const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC));
        if (current == &CSubclassWindow::StaticProc) {
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record.previous));
            Records().Erase(m_hWnd);
        } else {
            // Someone subclassed after us: our procedure stays in their chain and only forwards.
            record.object = nullptr;
            Records().Set(m_hWnd, record);
        }
    }
    m_hWnd = nullptr;
    m_previous = nullptr;
}

LRESULT CALLBACK CSubclassWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SubclassRecord record = {};
    if (!Records().Get(hwnd, record)) return ::DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    if (!record.object) {
        result = record.previous ? ::CallWindowProcW(record.previous, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
    } else {
        try {
            result = record.object->WndProc(msg, wp, lp);
        } catch (...) {
            VxMdLog::Log("ui.log", VxMdLog::LEVEL_FATAL, "SubclassProc", "message 0x%x: exception", msg);
            result = record.previous ? ::CallWindowProcW(record.previous, hwnd, msg, wp, lp) : 0;
        }
    }
    if (msg == WM_NCDESTROY) {
        SubclassRecord now = {};
        if (Records().Get(hwnd, now) && now.object) now.object->Unsubclass();
        Records().Erase(hwnd);
    }
    return result;
}

}  // namespace ui
