#include "ui/DialogBase.h"

#include "log/VxMdLog.h"
#include "ui/Reflect.h"

namespace ui {

namespace {
const char kLogFile[] = "ui.log";
}

CDialogBase::~CDialogBase() {
    // A dialog object destroyed before its window: the window must not reach it any more.
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        if (!m_bModal) ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialogBase::DoModal(HINSTANCE module, UINT templateId, HWND parent) {
    m_bModal = true;
    INT_PTR result = ::DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (result == -1) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "DoModal", "template %u: error %lu", templateId, ::GetLastError());
    return result;
}

HWND CDialogBase::Create(HINSTANCE module, UINT templateId, HWND parent) {
    m_bModal = false;
    HWND hwnd = ::CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, StaticDialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!hwnd) VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "Create", "template %u: error %lu", templateId, ::GetLastError());
    return hwnd;
}

void CDialogBase::EndDialog(INT_PTR result) {
    if (!m_hWnd) return;
    if (m_bModal) {
        ::EndDialog(m_hWnd, result);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}

void CDialogBase::OnClose() { EndDialog(IDCANCEL); }

HINSTANCE CDialogBase::ModuleOfAddress(const void* address) {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(address), &module);
    return module;
}

INT_PTR CDialogBase::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (OnCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
        if (id == IDCANCEL) {
            OnClose();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (!OnNotify(static_cast<int>(header->idFrom), header, result)) return FALSE;
        SetMsgResult(result);
        return TRUE;
    }
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_TIMER:
        OnTimer(wp);
        return TRUE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CDialogBase::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialogBase* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBase*>(lp);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        LRESULT reflected = 0;
        if (CReflectTarget::ReflectToChild(hwnd, msg, wp, lp, reflected)) {
            self->SetMsgResult(reflected);
            result = TRUE;
        } else {
            result = self->DialogProc(msg, wp, lp);
        }
    } catch (const std::exception& e) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "DialogProc", "message 0x%x: %s", msg, e.what());
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "DialogProc", "message 0x%x: unknown exception", msg);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        try {
            self->OnFinalMessage();
        } catch (...) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "OnFinalMessage", "exception");
        }
    }
    return result;
}

}  // namespace ui
