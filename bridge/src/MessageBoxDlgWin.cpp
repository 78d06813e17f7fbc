#include "MessageBoxDlg.h"

#include "BridgeModuleWin.h"
#include "ui/Controls.h"
#include "../res/resource.h"

INT_PTR CMessageBox::DoModal(HWND parent, const std::string& message) {
    m_parent = parent;
    m_message = message;
    return ui::CDialogBase::DoModal(BridgeModule(), IDD_MESSAGEBOX, parent);
}

BOOL CMessageBox::OnInitDialog() {
    CenterWindow(m_parent);
    SetDlgItemText(IDC_MB_TEXT, m_message);
    ui::CStatic(GetDlgItem(IDC_MB_ICON)).SetIcon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32516)));  // IDI_INFORMATION
    return TRUE;
}

bool CMessageBox::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        EndDialog(1);
        return true;
    }
    if (id == IDCANCEL) {
        EndDialog(2);
        return true;
    }
    return false;
}
