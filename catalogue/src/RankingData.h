#pragma once
#include <windows.h>

class CSongListMgr;

// The ranking thread: refreshes the ranking data directory when it is due (or waits for the
// service doing it), builds the singer index, loads the tree through the list manager (only its
// factory and loaders are used, no state of the manager) and sends kMsgTreeLoaded with the new
// root, which the receiver then owns. Runs once per start of the library.
class CRankingData {
public:
    // Starts the thread; the handle is the caller's. Null when no thread could be made.
    static HANDLE StartThread(CSongListMgr* manager);
};
