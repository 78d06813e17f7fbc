#pragma once
#include <windows.h>

#include <string>

#include "ui/DialogBase.h"

// The two-button prompt (template 107, "Vixo提示"): 1 for "立即安装", 2 for "取消" or closing.
class CMessageBox : public ui::CDialogBase {
public:
    INT_PTR DoModal(HWND parent, const std::string& message);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnClose() override { EndDialog(2); }

private:
    HWND m_parent = nullptr;
    std::string m_message;
};
