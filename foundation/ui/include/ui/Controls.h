#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/Window.h"

namespace ui {

// Thin non-owning wrappers over common controls: only the calls our windows use.

class CButton : public CWindow {
public:
    using CWindow::CWindow;
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetCheck(bool checked) const { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }
    void Click() const { Send(BM_CLICK); }
};

class CStatic : public CWindow {
public:
    using CWindow::CWindow;
    void SetIcon(HICON icon) const { Send(STM_SETICON, reinterpret_cast<WPARAM>(icon)); }
};

class CComboBox : public CWindow {
public:
    using CWindow::CWindow;
    void ResetContent() const { Send(CB_RESETCONTENT); }
    int InsertString(int index, const std::string& gbk) const;
    int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    std::string GetLBText(int index) const;
    bool GetComboBoxInfo(COMBOBOXINFO& info) const;
};

class CProgressBar : public CWindow {
public:
    using CWindow::CWindow;
    void SetRange(int low, int high) const { Send(PBM_SETRANGE32, low, high); }
    void SetPos(int pos) const { Send(PBM_SETPOS, pos); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
};

class CAnimateCtrl : public CWindow {
public:
    using CWindow::CWindow;
    // Opens an AVI resource of `module` (the control must have been created with that module's
    // instance or ACS_* styles; Animate_OpenEx takes the module explicitly).
    bool Open(HINSTANCE module, UINT resourceId) const {
        return Send(ACM_OPENW, reinterpret_cast<WPARAM>(module), static_cast<LPARAM>(resourceId)) != 0;
    }
    bool Play(UINT from = 0, UINT to = static_cast<UINT>(-1), UINT repeat = static_cast<UINT>(-1)) const {
        return Send(ACM_PLAY, repeat, MAKELONG(from, to)) != 0;
    }
    void Stop() const { Send(ACM_STOP); }
    void Close() const { Send(ACM_OPENW, 0, 0); }
};

}  // namespace ui
