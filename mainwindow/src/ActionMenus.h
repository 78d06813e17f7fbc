#pragma once
#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "SendToItems.h"

// The song and list context menus as data: the Windows side turns a model into a popup menu, and
// tests read it. Texts are GBK. Pure functions; any thread.
struct MenuItem {
    std::string text;           // empty with id 0: a separator
    unsigned id = 0;
    bool grayed = false;
    std::vector<MenuItem> sub;  // a submenu when not empty (id unused)

    bool IsSeparator() const { return id == 0 && text.empty() && sub.empty(); }
};
typedef std::vector<MenuItem> MenuModel;

namespace actionmenus {

// How the list menu's expand item shows: no tree item, or the item's state.
enum TreeItemState { kNoTreeItem, kCollapsed, kExpanded, kNoChildren };

// Names go into menus as they are: "&" is doubled so that it is not taken as a mnemonic.
std::string EscapeMnemonic(const std::string& text);

// "播放" (music videos when the first song's parent is a music-video list), "添加到播放列表",
// "下载歌曲", for one song the album and artist searches, then "发送到".
MenuModel SongMenu(const SongVector& songs, const std::vector<sendto::DriveItem>& drives);
// "打开", the expand item of a tree item, "下载歌曲", "发送到", "创建桌面快捷方式". `hasSongs`:
// the lists have songs to download or copy.
MenuModel ListMenu(TreeItemState tree, bool hasSongs, const std::vector<sendto::DriveItem>& drives);
// "复制到" and the drive items; all greyed when there is nothing to copy.
MenuItem SendToMenu(bool canCopy, const std::vector<sendto::DriveItem>& drives);

// The first item with that command, searching submenus too; null when none.
const MenuItem* FindCommand(const MenuModel& menu, unsigned id);

}  // namespace actionmenus
