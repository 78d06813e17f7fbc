#pragma once
#include <windows.h>

namespace ui {

// A window object that handles the notifications its parent receives about it (WM_COMMAND from a
// control, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM), so that a control draws and answers for
// itself. The parent's procedure offers each such message to the child first and handles it
// itself only when the child did not. Use on the window's thread.
class CReflectTarget {
public:
    // Offers a parent's message to the child object that raised it; true when the child handled
    // it, `result` then being what the parent's procedure returns.
    static bool ReflectToChild(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    CReflectTarget() = default;
    ~CReflectTarget() = default;
    CReflectTarget(const CReflectTarget&) = delete;
    CReflectTarget& operator=(const CReflectTarget&) = delete;

    // While registered, the parent's notifications about `hwnd` reach this object. Unregister
    // before the object goes; a window destroyed without it leaves nothing behind that matters.
    void RegisterReflectTarget(HWND hwnd);
    void UnregisterReflectTarget(HWND hwnd);

    // True when handled. `code` is the notification code (BN_CLICKED, EN_CHANGE, ...).
    virtual bool OnReflectedCommand(int /*code*/) { return false; }
    virtual bool OnReflectedNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnReflectedDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }
    virtual bool OnReflectedMeasureItem(MEASUREITEMSTRUCT* /*item*/) { return false; }

private:
    static CReflectTarget* FromHandle(HWND hwnd);
};

}  // namespace ui
