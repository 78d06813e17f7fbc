#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "vxlib/HandleWin.h"

// The service's side of the ranking data directory: the check, the download threads and the copy
// step under the ranking mutex. Methods run on the message thread. The download threads share the
// mutex and the abort flag by shared ownership, so a thread that outlives Shutdown's wait still
// finds them intact.
class CRankingRefresh {
public:
    CRankingRefresh();  // creates the ranking mutex (not owned)
    ~CRankingRefresh();
    CRankingRefresh(const CRankingRefresh&) = delete;
    CRankingRefresh& operator=(const CRankingRefresh&) = delete;

    // Installs an archive left in place when allowed, then starts a download unless the data is
    // today's and the root file exists.
    void Check();
    // Installs an archive left in place whether or not the main program runs.
    void InstallArchive();
    // Sets the abort flag and waits up to `waitMs` for the download threads; releases this
    // object's handles.
    void Shutdown(DWORD waitMs);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::vector<CHandle> m_threads;
};
