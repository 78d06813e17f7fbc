#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "catalogue/NetSongData.h"

// IUserAction on the main frame T: hands playing and downloading to the player bridge and writes
// one user-action record per song and action. Context menus are built here; their commands go to
// T's folder actions. The member definitions are instantiated for CMainFrame only
// (UserActionImplWin.cpp). User-interface thread only.
template <class T>
class CUserActionImpl : public IUserAction {
public:
    int SongDefault(CSongInfoBase* song, int source, const std::vector<int>* extra) override;
    int OpenList(CSongListBase* list) override;
    int SongContextMenu(int x, int y, const SongVector* songs) override;
    int ListContextMenu(int x, int y, const ListVector* lists) override;
    int TreeContextMenu(int x, int y, HTREEITEM item) override;
    int SongsSelected(const SongVector* songs, int source) override;
    int ListsSelected(const ListVector* lists, int source) override;
    int PlayList(CSongListBase* list) override;
    int ActOnSong(CSongInfoBase* song, int source, const std::vector<int>* extra) override;
    int ActOnList(CSongListBase* list, int source, const std::vector<int>* extra) override;
    int Listen(const SongVector* songs) override;
    int WatchMusicVideo(const SongVector* songs) override;
    int AddToPlayerList(const SongVector* songs) override;
    int Download(const SongVector* songs, int option) override;
    int PlayVideoItem(CSongInfoBase* song, int index) override;
    int OpenInBrowser(CSongInfoBase* song) override;
    int CreateSongShortcuts(const SongVector* songs) override;
    int CreateListShortcuts(const ListVector* lists) override;
    int CopyToFolder(const SongVector* songs, const char* folder) override;
    int ClearVideoHistory() override;
    int Nop() override { return 0; }

protected:
    ~CUserActionImpl();
    // The frame forwards the catalogue's answers here while an album search of ActOnList runs.
    // True when `cookie` was that search (the answer is then taken).
    bool OnAlbumSearchPage(long cookie, SearchResult* result);

private:
    T* Frame() { return static_cast<T*>(this); }

    long m_albumCookie = -1;
    std::string m_albumName, m_albumSinger;
};
