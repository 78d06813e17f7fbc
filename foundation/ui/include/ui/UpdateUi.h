#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ui/MessageLoop.h"

namespace ui {

// The state of commands (enabled, checked, menu text) as the program last decided it, applied to
// the elements that show them: to a popup menu when it opens (the frame calls UpdateMenu from
// WM_INITMENUPOPUP) and to the toolbars from the idle handler, only after something changed.
// Commands never set keep whatever state their menu items and buttons have. Use on the UI thread.
class CUpdateUi : public CIdleHandler {
public:
    void Enable(UINT id, bool enabled);
    void SetCheck(UINT id, bool checked);
    // GBK; shown by menu items only.
    void SetText(UINT id, const std::string& gbk);

    // The toolbar's buttons follow the table from the next idle time on (not owned).
    void AddToolBar(HWND toolbar);
    void RemoveToolBar(HWND toolbar);

    // Applies the table to the items of `popup` (not to its submenus: they get their own
    // WM_INITMENUPOPUP).
    void UpdateMenu(HMENU popup) const;
    // Applies the table to the toolbars when it changed since the last time.
    void UpdateToolBars();
    void OnIdle() override { UpdateToolBars(); }

private:
    struct State {
        bool hasEnabled = false, enabled = true;
        bool hasChecked = false, checked = false;
        bool hasText = false;
        std::wstring text;
    };
    std::map<UINT, State> m_states;
    std::vector<HWND> m_toolBars;
    bool m_toolBarsDirty = false;
};

}  // namespace ui
