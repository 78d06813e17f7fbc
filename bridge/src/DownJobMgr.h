#pragma once
#include <string>

class CSongListBase;

// The download jobs of the player's download missions: four lists (waiting, downing, finished,
// failed) under one lock, the down-state pipe server (receive thread) and the translate thread
// that applies the player's messages and sends the "vxmdinterface" notifications. One per
// process, created and destroyed by the facade; its constructor starts the threads, its
// destructor stops them.
class CDownJobMgr {
public:
    CDownJobMgr();
    ~CDownJobMgr();
    CDownJobMgr(const CDownJobMgr&) = delete;
    CDownJobMgr& operator=(const CDownJobMgr&) = delete;

    // folder ends with a path separator; quality 3 (WMA) or 4 (MP3).
    void AddJob(CSongListBase* list, const std::string& folder, int mission, int quality);
    // The mission was not fetched in time: its waiting jobs fail.
    void MoveJobToFailed(int mission);
    void MoveAllJobToFailed();
    // Tells a running player to cancel its downloads and forgets every job, without a notification.
    void CancleAll();
    void GetState(int& waiting, int& failed, int& downing, int& finished);
    void CheckDownloadStatus(bool& busy, bool& playerGone);

private:
    struct Impl;
    Impl* m_impl;
};
