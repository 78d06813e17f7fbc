#pragma once
#include <cstdint>
#include <vector>

class CSongInfoBase;
class CSongListBase;
struct SearchParam;
// Same declaration as <commctrl.h>, so portable code can name a tree item without windows.h.
struct _TREEITEM;
typedef struct _TREEITEM* HTREEITEM;

typedef std::vector<CSongInfoBase*> SongVector;
typedef std::vector<CSongListBase*> ListVector;

// What the views ask the main frame to do with songs and lists. The slot order is part of the
// contract with every view that calls through a pointer: never reorder. `source` names the view
// (or page) the request came from; `extra` carries per-view values such as a video episode index.
// Songs and lists stay owned by the caller. User-interface thread only.
class IUserAction {
public:
    virtual ~IUserAction() {}                                                           // 0
    virtual int SongDefault(CSongInfoBase* song, int source, const std::vector<int>* extra) = 0;  // 1
    virtual int OpenList(CSongListBase* list) = 0;                                      // 2
    virtual int SongContextMenu(int x, int y, const SongVector* songs) = 0;             // 3
    virtual int ListContextMenu(int x, int y, const ListVector* lists) = 0;             // 4
    virtual int TreeContextMenu(int x, int y, HTREEITEM item) = 0;                      // 5
    virtual int SongsSelected(const SongVector* songs, int source) = 0;                 // 6
    virtual int ListsSelected(const ListVector* lists, int source) = 0;                 // 7
    virtual int PlayList(CSongListBase* list) = 0;                                      // 8
    virtual int ActOnSong(CSongInfoBase* song, int source, const std::vector<int>* extra) = 0;    // 9
    virtual int ActOnList(CSongListBase* list, int source, const std::vector<int>* extra) = 0;    // 10
    virtual int Listen(const SongVector* songs) = 0;                                    // 11
    virtual int WatchMusicVideo(const SongVector* songs) = 0;                           // 12
    virtual int AddToPlayerList(const SongVector* songs) = 0;                           // 13
    virtual int Download(const SongVector* songs, int option) = 0;                      // 14
    // A negative index picks the first video entry of the song's address.
    virtual int PlayVideoItem(CSongInfoBase* song, int index) = 0;                      // 15
    virtual int OpenInBrowser(CSongInfoBase* song) = 0;                                 // 16
    virtual int CreateSongShortcuts(const SongVector* songs) = 0;                       // 17
    virtual int CreateListShortcuts(const ListVector* lists) = 0;                       // 18
    virtual int CopyToFolder(const SongVector* songs, const char* folder) = 0;          // 19
    virtual int ClearVideoHistory() = 0;                                                // 20
    virtual int Nop() = 0;                                                              // 21
};

// Navigation and the commands that act on the current selection. Same slot rule and thread as
// IUserAction.
class IFolderAction {
public:
    virtual ~IFolderAction() {}                                                         // 0
    // Returns the request's cookie.
    virtual uint32_t OpenSearch(const SearchParam& request, int action, int extra) = 0; // 1
    virtual int OpenList(CSongListBase* list, int origin, bool force) = 0;              // 2
    virtual int SongContextMenu(int x, int y, const SongVector* songs) = 0;             // 3
    virtual int ListContextMenu(int x, int y, const ListVector* lists, HTREEITEM item) = 0;  // 4
    virtual int ResolvePageIds(const std::vector<uint32_t>& ids, ListVector* lists, SongVector* songs) = 0;  // 5
    // Null: reopen the current history entry.
    virtual int Refresh(const SearchParam* request) = 0;                                // 6
    // -1 keeps the stored page.
    virtual int JumpToPage(int page) = 0;                                               // 7
    virtual int PlaySelection() = 0;                                                    // 8
};

// Set by the program right after the main frame is built and cleared when its loop ends; null
// outside that span, so a view must check before calling.
extern IUserAction* g_pUserAction;
extern IFolderAction* g_pFolderAction;
