#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ActionInterfaces.h"
#include "catalogue/NetSongData.h"

// IUserAction on the main frame T: hands playing and downloading to the player bridge and writes
// one user-action record per song and action. Context menus are built by T's folder actions,
// which also carry out their commands. The member definitions are instantiated for CMainFrame
// only (UserActionImplWin.cpp). User-interface thread only.
//
// Empty song vectors do nothing and report success; missing songs, lists or resources end an
// action quietly with 0.
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

    // The source number of selections reported by a web page.
    static const int kSourcePage = 2;

protected:
    ~CUserActionImpl();
    // The frame forwards every catalogue answer here before handling it itself. True when
    // `cookie` is the album search of ActOnList: the answer is then taken (its album is played)
    // and the frame must not handle it.
    bool OnAlbumSearchPage(long cookie, SearchResult* result);
    // The frame forwards the end of every request (finished, failed, cancelled), so that a later
    // ActOnList for the same album does not wait on a request that is gone.
    void OnAlbumSearchEnded(long cookie);

private:
    T* Frame() { return static_cast<T*>(this); }
    // A list of a video kind (10 to 13, 15), itself or under one.
    static bool IsUnderVideoKind(const CSongListBase* list);
    void AddRecentVideo(CSongInfoBase& song);

    long m_albumCookie = -1;
    std::string m_albumName, m_albumSinger;
};
