#pragma once
#include <windows.h>

#include <string>

#include "ui/Window.h"

namespace ui {

// A dialog from a template of a module. Modal through DoModal, modeless through Create; the
// object is bound to its window at WM_INITDIALOG and DialogProc dispatches to the OnXxx members.
// Exceptions thrown by a handler end in the static procedure (logged). Notifications from a
// child that is a CReflectTarget go to that child first. A modeless dialog that
// deletes itself does so in OnFinalMessage, after which the object must not be touched.
// Use on the thread that created the window only.
class CDialogBase : public CWindow {
public:
    CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;
    virtual ~CDialogBase();

    // The dialog's result (EndDialog's value), -1 when the window could not be created.
    INT_PTR DoModal(HINSTANCE module, UINT templateId, HWND parent);
    HWND Create(HINSTANCE module, UINT templateId, HWND parent);
    // Ends a modal dialog, destroys a modeless one.
    void EndDialog(INT_PTR result);
    bool IsModal() const { return m_bModal; }

    CWindow GetDlgItem(int id) const { return CWindow(::GetDlgItem(m_hWnd, id)); }
    void SetDlgItemText(int id, const std::string& gbk) const { GetDlgItem(id).SetText(gbk); }
    std::string GetDlgItemText(int id) const { return GetDlgItem(id).GetText(); }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void SetCheck(int id, bool checked) const { ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED); }

    // The module that holds the code of the caller's module (a DLL's own, not the exe's).
    static HINSTANCE ModuleOfAddress(const void* address);

protected:
    // Returns TRUE when the message was handled; results that dialogs report through
    // DWLP_MSGRESULT are set with SetMsgResult.
    virtual INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp);
    void SetMsgResult(LRESULT result) const { ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result); }

    // TRUE lets the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // True when handled. IDCANCEL (Esc, the close box of a modal dialog) ends with IDCANCEL
    // unless handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(int /*id*/, NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // The default ends a modal dialog with IDCANCEL and destroys a modeless one.
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR /*id*/) {}
    // True when the dialog painted itself (it calls BeginPaint).
    virtual bool OnPaint() { return false; }
    virtual void OnDestroy() {}
    // After WM_NCDESTROY: the window is gone.
    virtual void OnFinalMessage() {}

    bool m_bModal = false;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace ui
