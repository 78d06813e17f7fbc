#include "ui/Reflect.h"

#include "WindowRegistryWin.h"

namespace ui {

namespace {
// An in-process map rather than a window property: Wine answers GetPropW through its server,
// and a list's custom drawing asks once per cell.
CWindowRegistry<CReflectTarget*>& Targets() {
    static CWindowRegistry<CReflectTarget*> s_targets;
    return s_targets;
}
}  // namespace

void CReflectTarget::RegisterReflectTarget(HWND hwnd) {
    if (hwnd) Targets().Set(hwnd, this);
}

void CReflectTarget::UnregisterReflectTarget(HWND hwnd) {
    // Another object may have taken the window over since: leave its registration alone.
    if (hwnd && FromHandle(hwnd) == this) Targets().Erase(hwnd);
}

CReflectTarget* CReflectTarget::FromHandle(HWND hwnd) {
    CReflectTarget* target = nullptr;
    return hwnd && Targets().Get(hwnd, target) ? target : nullptr;
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
