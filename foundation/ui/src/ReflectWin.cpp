#include "ui/Reflect.h"

namespace ui {

namespace {
// A window property rather than a map: it needs no lock, and it dies with the window.
const wchar_t kReflectProperty[] = L"VxUi.ReflectTarget";
}

void CReflectTarget::RegisterReflectTarget(HWND hwnd) {
    if (hwnd) ::SetPropW(hwnd, kReflectProperty, static_cast<HANDLE>(this));
}

void CReflectTarget::UnregisterReflectTarget(HWND hwnd) {
    // Another object may have taken the window over since: leave its registration alone.
    if (hwnd && FromHandle(hwnd) == this) ::RemovePropW(hwnd, kReflectProperty);
}

CReflectTarget* CReflectTarget::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CReflectTarget*>(::GetPropW(hwnd, kReflectProperty)) : nullptr;
}

bool CReflectTarget::ReflectToChild(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND: {
        // lp is null for menus and accelerators: nobody to reflect to.
        CReflectTarget* child = FromHandle(reinterpret_cast<HWND>(lp));
        if (!child || !child->OnReflectedCommand(HIWORD(wp))) return false;
        result = 0;
        return true;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        CReflectTarget* child = header ? FromHandle(header->hwndFrom) : nullptr;
        LRESULT answer = 0;
        if (!child || !child->OnReflectedNotify(header, answer)) return false;
        result = answer;
        return true;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (!item || item->CtlType == ODT_MENU) return false;
        CReflectTarget* child = FromHandle(item->hwndItem);
        if (!child || !child->OnReflectedDrawItem(item)) return false;
        result = TRUE;
        return true;
    }
    case WM_MEASUREITEM: {
        // The structure names no window: the control id does.
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (!item || item->CtlType == ODT_MENU) return false;
        CReflectTarget* child = FromHandle(::GetDlgItem(parent, static_cast<int>(item->CtlID)));
        if (!child || !child->OnReflectedMeasureItem(item)) return false;
        result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

}  // namespace ui
