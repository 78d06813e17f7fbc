#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "ActionMenus.h"
#include "catalogue/SearchTypes.h"

template <class T>
class CUserActionImpl;

// IFolderAction on the main frame T: navigation (carried out by the frame's rules), the menu-bar
// and context-menu commands acting on the selection captured when a menu opened, copying to a
// drive, and desktop shortcuts. The member definitions are instantiated for CMainFrame only
// (FolderActionImplWin.cpp). User-interface thread only.
template <class T>
class CFolderActionImpl : public IFolderAction {
public:
    // Returns the request's cookie, 0 when the frame refused it.
    uint32_t OpenSearch(const SearchParam& request, int action, int extra) override;
    int OpenList(CSongListBase* list, int origin, bool force) override;
    // Shows the song menu for `songs` (1 when a menu was shown).
    int SongContextMenu(int x, int y, const SongVector* songs) override;
    // Shows the list menu for `lists`, or for the list of the tree `item` when `lists` is empty.
    int ListContextMenu(int x, int y, const ListVector* lists, HTREEITEM item) override;
    // Each id (decimal) is looked up among the frame's current answer (sub-lists first, then
    // songs), then among the children and songs of the current history entry's list and of the
    // last video answer; ids found nowhere are skipped. Returns the number found.
    int ResolvePageIds(const std::vector<uint32_t>& ids, ListVector* lists, SongVector* songs) override;
    int Refresh(const SearchParam* request) override;
    int JumpToPage(int page) override;
    int PlaySelection() override;

protected:
    ~CFolderActionImpl();
    // The frame's WM_COMMAND goes here after the frame's own commands; true when handled.
    bool OnFolderCommand(int id);
    // Greys the menu-bar items of a popup that opens (refresh, back, forward, up, copy to) and
    // names the history jumps after their entries.
    void UpdateFolderMenu(HMENU popup);

    // The selection captured when a context menu opened (the frame's clones, not owned); valid
    // only while m_menuActive.
    SongVector m_menuSongs;
    ListVector m_menuLists;
    HTREEITEM m_menuTreeItem = nullptr;
    std::string m_menuArtist, m_menuAlbum;
    bool m_menuActive = false;

private:
    friend class CUserActionImpl<T>;
    struct Capture;

    T* Frame() { return static_cast<T*>(this); }
    IUserAction* UserAction();
    // The songs commands act on: the captured ones (or the songs of the captured lists) while a
    // context menu runs, else the selected rows, or the page's last reported selection when a web
    // page is shown.
    SongVector SelectedSongs();
    ListVector SelectedLists();
    // A list's songs: its own, or the rows when it is the list being shown.
    SongVector SongsOfLists(const ListVector& lists);
    // Tracks the menu and runs the chosen command on the selection still alive afterwards.
    int RunContextMenu(const MenuModel& model, int x, int y, const Capture& capture);
    void DropStaleSelection(const Capture& capture);
    void ClearMenuSelection();
    void CopyToDrive(char letter);
    void CreateDesktopShortcut();
    void SearchFromMenu(int kind, const std::string& key);
    void JumpBack(int id);

    // Ids of what a web page last reported as selected (decimal), resolved when used.
    std::vector<std::string> m_pageSongIds, m_pageListIds;
};
