#pragma once
#include <windows.h>

#include <string>

// The two-button prompt (template 107, "Vixo提示"): 1 for "立即安装", 2 for "取消" or closing.
class CMessageBox {
public:
    INT_PTR DoModal(HWND parent, const std::string& message);
};
