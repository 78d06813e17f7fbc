#include "ui/UpdateUi.h"

#include <commctrl.h>

#include <algorithm>

#include "vxlib/Charset.h"

namespace ui {

void CUpdateUi::Enable(UINT id, bool enabled) {
    State& state = m_states[id];
    if (state.hasEnabled && state.enabled == enabled) return;
    state.hasEnabled = true;
    state.enabled = enabled;
    m_toolBarsDirty = true;
}

void CUpdateUi::SetCheck(UINT id, bool checked) {
    State& state = m_states[id];
    if (state.hasChecked && state.checked == checked) return;
    state.hasChecked = true;
    state.checked = checked;
    m_toolBarsDirty = true;
}

void CUpdateUi::SetText(UINT id, const std::string& gbk) {
    State& state = m_states[id];
    state.hasText = true;
    state.text = Charset::String2WString(gbk);
}

void CUpdateUi::AddToolBar(HWND toolbar) {
    if (!toolbar || std::find(m_toolBars.begin(), m_toolBars.end(), toolbar) != m_toolBars.end()) return;
    m_toolBars.push_back(toolbar);
    m_toolBarsDirty = true;
}

void CUpdateUi::RemoveToolBar(HWND toolbar) {
    m_toolBars.erase(std::remove(m_toolBars.begin(), m_toolBars.end(), toolbar), m_toolBars.end());
}

void CUpdateUi::UpdateMenu(HMENU popup) const {
    int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(popup, i);
        if (id == static_cast<UINT>(-1)) continue;  // a submenu
        auto found = m_states.find(id);
        if (found == m_states.end()) continue;
        const State& state = found->second;
        if (state.hasEnabled) ::EnableMenuItem(popup, i, MF_BYPOSITION | (state.enabled ? MF_ENABLED : MF_GRAYED));
        if (state.hasChecked) ::CheckMenuItem(popup, i, MF_BYPOSITION | (state.checked ? MF_CHECKED : MF_UNCHECKED));
        if (state.hasText) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_STRING;
            info.dwTypeData = const_cast<wchar_t*>(state.text.c_str());
            ::SetMenuItemInfoW(popup, i, TRUE, &info);
        }
    }
}

void CUpdateUi::UpdateToolBars() {
    if (!m_toolBarsDirty) return;
    m_toolBarsDirty = false;
    for (HWND toolbar : m_toolBars) {
        if (!::IsWindow(toolbar)) continue;
        for (const auto& entry : m_states) {
            const State& state = entry.second;
            // Commands without a button answer -1 to TB_COMMANDTOINDEX: nothing to do.
            if (::SendMessageW(toolbar, TB_COMMANDTOINDEX, entry.first, 0) < 0) continue;
            if (state.hasEnabled) ::SendMessageW(toolbar, TB_ENABLEBUTTON, entry.first, MAKELPARAM(state.enabled ? TRUE : FALSE, 0));
            if (state.hasChecked) ::SendMessageW(toolbar, TB_CHECKBUTTON, entry.first, MAKELPARAM(state.checked ? TRUE : FALSE, 0));
        }
    }
}

}  // namespace ui
