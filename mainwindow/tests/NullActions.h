#pragma once
#include <cstdint>
#include <vector>

#include "ActionInterfaces.h"

// Every user and folder action doing nothing, for tests that stand in for the frame and record
// only the slots they care about.
class CNullActions : public IUserAction, public IFolderAction {
public:
    int SongDefault(CSongInfoBase*, int, const std::vector<int>*) override { return 0; }
    int OpenList(CSongListBase*) override { return 0; }
    int SongContextMenu(int, int, const SongVector*) override { return 0; }
    int ListContextMenu(int, int, const ListVector*) override { return 0; }
    int TreeContextMenu(int, int, HTREEITEM) override { return 0; }
    int SongsSelected(const SongVector*, int) override { return 0; }
    int ListsSelected(const ListVector*, int) override { return 0; }
    int PlayList(CSongListBase*) override { return 0; }
    int ActOnSong(CSongInfoBase*, int, const std::vector<int>*) override { return 0; }
    int ActOnList(CSongListBase*, int, const std::vector<int>*) override { return 0; }
    int Listen(const SongVector*) override { return 0; }
    int WatchMusicVideo(const SongVector*) override { return 0; }
    int AddToPlayerList(const SongVector*) override { return 0; }
    int Download(const SongVector*, int) override { return 0; }
    int PlayVideoItem(CSongInfoBase*, int) override { return 0; }
    int OpenInBrowser(CSongInfoBase*) override { return 0; }
    int CreateSongShortcuts(const SongVector*) override { return 0; }
    int CreateListShortcuts(const ListVector*) override { return 0; }
    int CopyToFolder(const SongVector*, const char*) override { return 0; }
    int ClearVideoHistory() override { return 0; }
    int Nop() override { return 0; }

    uint32_t OpenSearch(const SearchParam&, int, int) override { return 0; }
    int OpenList(CSongListBase*, int, bool) override { return 0; }
    int ListContextMenu(int, int, const ListVector*, HTREEITEM) override { return 0; }
    int ResolvePageIds(const std::vector<uint32_t>&, ListVector*, SongVector*) override { return 0; }
    int Refresh(const SearchParam*) override { return 0; }
    int JumpToPage(int) override { return 0; }
    int PlaySelection() override { return 0; }
};
