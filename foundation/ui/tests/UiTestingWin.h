#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/WindowBase.h"

// The class every test window uses; common controls loaded once.
inline const wchar_t* TestClass() {
    static const wchar_t* name = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        ui::CWindowBase::RegisterWindowClass(L"VxUiTestWindow");
        return L"VxUiTestWindow";
    }();
    return name;
}

// What happened, in order, as the tests compare it.
using Events = std::vector<std::string>;

inline RECT TestRect() { return RECT{0, 0, 400, 300}; }
