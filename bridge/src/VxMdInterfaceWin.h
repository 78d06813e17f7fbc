#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "AddMissionPipeWin.h"
#include "MissionTable.h"
#include "ProgressDlgHolder.h"
#include "bridge/VxMdInterface.h"

class CDownJobMgr;

// The process's one bridge facade (GetVxMdInterface): turns play and download requests into
// missions for the desktop player and owns the mission table, the add-mission pipe thread, the
// job manager and the progress dialogs. Operations run on the main window's thread.
class CVxMdInterface final : public IVxMdInterface, private IPlayerLauncher {
public:
    CVxMdInterface();
    ~CVxMdInterface();
    CVxMdInterface(const CVxMdInterface&) = delete;
    CVxMdInterface& operator=(const CVxMdInterface&) = delete;

    void PlaySongs(const std::vector<CSongInfoBase*>* songs, int action) override;
    void PlayList(CNetSongList* list, int action) override;
    void PlaySong(CSongInfoBase* song, int action) override;
    void PlayMovie(MoviePlayInfo info) override;
    void DownloadSongs(const std::vector<CSongInfoBase*>* songs, int* quality, std::string* folder, int kind) override;
    void DownloadList(CSongListBase* list, int* quality, std::string* folder, int kind) override;
    void DownloadSong(CSongInfoBase* song, int* quality, std::string* folder, int kind) override;
    void CancelAll() override;
    int GetPlayerPath(std::string& path, int prompt) override;

    // Process id of a running program with that executable name (any case), 0 when none runs.

private:
    bool PlayerExists(const std::string& playerPath) override;
    void Launch(int action, const std::string& playerPath, const std::string& commandLine) override;
    void StartMission(int action, const CSongListBase& list, const std::string& playerPath);
    void DownloadFiltered(CNetSongList& list, int* quality, std::string* folder, int kind);

    CMissionTable m_missions;
    std::unique_ptr<CDownJobMgr> m_jobs;
    std::unique_ptr<CAddMissionPipe> m_pipe;
    ProgressDlgHolder m_holder;
};
