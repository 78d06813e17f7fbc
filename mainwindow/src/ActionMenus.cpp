#include "ActionMenus.h"

#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "resource.h"

namespace actionmenus {
namespace {

const uint32_t kMusicVideoList = 3;

MenuItem Item(const std::string& text, unsigned id, bool grayed = false) {
    MenuItem item;
    item.text = text;
    item.id = id;
    item.grayed = grayed;
    return item;
}

MenuItem Separator() {
    return MenuItem();
}

bool FirstParentIsMusicVideo(const SongVector& songs) {
    if (songs.empty() || !songs.front()) return false;
    const CNetSongList* list = dynamic_cast<const CNetSongList*>(songs.front()->GetParent());
    return list && list->GetListType() == kMusicVideoList;
}

bool AnyHasMkv(const SongVector& songs) {
    for (const CSongInfoBase* song : songs) {
        if (song && song->GetMKV()) return true;
    }
    return false;
}

std::string Quoted(const char* label, const std::string& name) {
    return std::string(label) + " \"" + EscapeMnemonic(name) + "\"";
}

}  // namespace

std::string EscapeMnemonic(const std::string& text) {
    // No GBK trail byte is "&", so every one of them is a real ampersand.
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

MenuItem SendToMenu(bool canCopy, const std::vector<sendto::DriveItem>& drives) {
    MenuItem sendTo = Item("发送到", 0, !canCopy);
    sendTo.sub.push_back(Item("复制到", ID_EDIT_COPYTO, !canCopy));
    for (const sendto::DriveItem& drive : drives) sendTo.sub.push_back(Item(drive.text, sendto::MenuCommandOf(drive.letter), !canCopy));
    return sendTo;
}

MenuModel SongMenu(const SongVector& songs, const std::vector<sendto::DriveItem>& drives) {
    MenuModel menu;
    if (FirstParentIsMusicVideo(songs))
        menu.push_back(Item("播放", ID_SONG_PLAY_MV, !AnyHasMkv(songs)));
    else
        menu.push_back(Item("播放", ID_SONG_PLAY));
    menu.push_back(Item("添加到播放列表", ID_SONG_ADD));
    menu.push_back(Item("下载歌曲", ID_SONG_DOWNLOAD));
    menu.push_back(Separator());
    if (songs.size() == 1 && songs.front()) {
        const CSongInfoBase& song = *songs.front();
        menu.push_back(Item(Quoted("搜索专辑", song.GetAlbum()), ID_SEARCH_ALBUM, song.GetAlbum().empty()));
        menu.push_back(Item(Quoted("搜索歌手", song.GetArtist()), ID_SEARCH_ARTIST, song.GetArtist().empty()));
        menu.push_back(Separator());
    }
    menu.push_back(SendToMenu(!songs.empty(), drives));
    return menu;
}

MenuModel ListMenu(TreeItemState tree, bool hasSongs, const std::vector<sendto::DriveItem>& drives) {
    MenuModel menu;
    menu.push_back(Item("打开", ID_LIST_OPEN));
    if (tree == kExpanded)
        menu.push_back(Item("折叠", ID_TREE_TOGGLE));
    else if (tree != kNoTreeItem)
        menu.push_back(Item("展开", ID_TREE_TOGGLE, tree == kNoChildren));
    menu.push_back(Separator());
    menu.push_back(Item("下载歌曲", ID_SONG_DOWNLOAD, !hasSongs));
    menu.push_back(SendToMenu(hasSongs, drives));
    menu.push_back(Separator());
    menu.push_back(Item("创建桌面快捷方式", ID_DESKTOP_SHORTCUT));
    return menu;
}

const MenuItem* FindCommand(const MenuModel& menu, unsigned id) {
    for (const MenuItem& item : menu) {
        if (!item.sub.empty()) {
            if (const MenuItem* found = FindCommand(item.sub, id)) return found;
        } else if (item.id == id && !item.IsSeparator()) {
            return &item;
        }
    }
    return nullptr;
}

}  // namespace actionmenus
