#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "catalogue/SearchTypes.h"

// IFolderAction on the main frame T: navigation (carried out by the frame's rules), the menu-bar
// and context-menu commands acting on the selection captured when a menu opened, copying to a
// drive, and desktop shortcuts. The member definitions are instantiated for CMainFrame only
// (FolderActionImplWin.cpp). User-interface thread only.
template <class T>
class CFolderActionImpl : public IFolderAction {
public:
    uint32_t OpenSearch(const SearchParam& request, int action, int extra) override;
    int OpenList(CSongListBase* list, int origin, bool force) override;
    int SongContextMenu(int x, int y, const SongVector* songs) override;
    int ListContextMenu(int x, int y, const ListVector* lists, HTREEITEM item) override;
    int ResolvePageIds(const std::vector<uint32_t>& ids, ListVector* lists, SongVector* songs) override;
    int Refresh(const SearchParam* request) override;
    int JumpToPage(int page) override;
    int PlaySelection() override;

protected:
    ~CFolderActionImpl();
    // The frame's WM_COMMAND goes here after the frame's own commands; true when handled.
    bool OnFolderCommand(int id);
    // Greys the menu-bar items of a popup that opens (refresh, back, forward, up, copy to) and
    // fills the back drop-down.
    void UpdateFolderMenu(HMENU popup);

    // The selection captured when a context menu opened (the frame's clones, not owned).
    SongVector m_menuSongs;
    ListVector m_menuLists;
    HTREEITEM m_menuTreeItem = nullptr;
    std::string m_menuArtist, m_menuAlbum;

private:
    T* Frame() { return static_cast<T*>(this); }
    // The selected rows when the list is shown, else the captured songs.
    SongVector SelectedSongs();
    void CopyToDrive(char letter);
    void CreateDesktopShortcut();
};
