#include "ActionMenusWin.h"

#include "log/VxMdLog.h"
#include "vxlib/Charset.h"

namespace {

const char kLogFile[] = "folder_action.log";

bool Append(HMENU menu, const MenuItem& item) {
    if (item.IsSeparator()) return ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE;
    const std::wstring text = Charset::String2WString(item.text);
    const UINT grayed = item.grayed ? MF_GRAYED : MF_ENABLED;
    if (item.sub.empty()) return ::AppendMenuW(menu, MF_STRING | grayed, item.id, text.c_str()) != FALSE;
    HMENU sub = CContextMenu::Build(item.sub);
    if (!sub) return false;
    if (!::AppendMenuW(menu, MF_POPUP | MF_STRING | grayed, reinterpret_cast<UINT_PTR>(sub), text.c_str())) {
        ::DestroyMenu(sub);
        return false;
    }
    return true;
}

}  // namespace

std::function<UINT(HMENU)> CContextMenu::s_menuChooser;

HMENU CContextMenu::Build(const MenuModel& model) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ContextMenu", "CreatePopupMenu failed %lu", ::GetLastError());
        return nullptr;
    }
    for (const MenuItem& item : model) {
        if (!Append(menu, item)) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "ContextMenu", "AppendMenu failed %lu", ::GetLastError());
            ::DestroyMenu(menu);
            return nullptr;
        }
    }
    return menu;
}

UINT CContextMenu::Track(HWND owner, const MenuModel& model, int x, int y) {
    HMENU menu = Build(model);
    if (!menu) return 0;
    UINT chosen = 0;
    if (s_menuChooser) {
        chosen = s_menuChooser(menu);
    } else {
        // The owner must be in front, or the menu does not close when the user clicks elsewhere.
        ::SetForegroundWindow(owner);
        chosen = static_cast<UINT>(::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, owner, nullptr));
        ::PostMessageW(owner, WM_NULL, 0, 0);
    }
    ::DestroyMenu(menu);
    return chosen;
}

MenuModel CContextMenu::Read(HMENU menu) {
    MenuModel model;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        MenuItem item;
        if (!(info.fType & MFT_SEPARATOR)) {
            item.text = Charset::WString2String(text);
            item.grayed = (info.fState & MFS_GRAYED) != 0;
            if (info.hSubMenu)
                item.sub = Read(info.hSubMenu);
            else
                item.id = info.wID;
        }
        model.push_back(item);
    }
    return model;
}

std::vector<sendto::DriveItem> CContextMenu::PresentDrives() {
    return sendto::DriveItems(::GetLogicalDrives(), [](char letter) {
        const char root[4] = {letter, ':', '\\', 0};
        return static_cast<int>(::GetDriveTypeA(root));
    });
}
