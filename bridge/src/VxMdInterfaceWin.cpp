#include "VxMdInterfaceWin.h"

#include <shellapi.h>

#include <cstdlib>
#include <mutex>

#include "DownJobMgr.h"
#include "DownProgressDlg.h"
#include "DownloadDlg.h"
#include "PlayerInstallPrompt.h"
#include "datadef/SongInfo.h"
#include "log/VxMdLog.h"
#include "vxlib/Dir.h"
#include "vxlib/StringUtility.h"
#include "vxlib/System.h"
#include "vxlib/UserId.h"

namespace {

const char kLogFile[] = "MsgHandler.txt";
const char kPlayerExeName[] = "vxmusic.exe";
const char kMoviePlayerExe[] = "VxMdMoviePlayer.exe";
const char kQueuedText[] = "已经添加到下载队列，稍后为您下载";
const int kNewestPlayerMinVersion = 6013;
const int kOlderPlayerMinVersion = 5203;

struct DialogWording {
    const char* caption;
    const char* folderLabel;
};

DialogWording WordingFor(int kind) {
    switch (kind) {
    case kDownloadKindDownload: return {"下载提示", "下载到："};
    case kDownloadKindCopy: return {"复制提示", "复制到："};
    default: return {"发送提示", "发送到"};
    }
}

// A list of clones of the given songs (null entries skipped); the caller owns it.
std::unique_ptr<CNetSongList> CloneSongs(const std::vector<CSongInfoBase*>& songs) {
    std::unique_ptr<CNetSongList> list(new CNetSongList);
    for (CSongInfoBase* song : songs) {
        if (!song) continue;
        CSongInfoBase* copy = song->Clone();
        copy->SetParent(list.get());
        list->GetSongInfoVector().push_back(copy);
    }
    return list;
}

void FillDownloadDialog(CDownloadDlg& dlg, const CSongListBase& list, int kind) {
    DialogWording wording = WordingFor(kind);
    dlg.m_strCaption = wording.caption;
    dlg.m_strFolderLabel = wording.folderLabel;
    const std::vector<CSongInfoBase*>& songs = list.GetSongInfoVector();
    if (songs.size() == 1) {
        const CSongInfoBase& song = *songs.front();
        dlg.m_strNameLine = song.GetName();
        if (!song.GetArtist().empty()) dlg.m_strNameLine += "-" + song.GetArtist();
        if (const CNetResource* mp3 = song.GetMP3()) {
            dlg.m_strMp3Text = "MP3    高品音质  ";
            if (mp3->GetFileSize() > 0) dlg.m_strMp3Text += utility::FileSizeToString(mp3->GetFileSize());
        }
        dlg.m_strWmaText = "WMA  标准音质  ";
        if (song.GetWMA()->GetFileSize() > 0) dlg.m_strWmaText += utility::FileSizeToString(song.GetWMA()->GetFileSize());
    } else {
        dlg.m_strNameLine = "您一共选中了" + std::to_string(songs.size()) + "个文件";
        dlg.m_strMp3Text = "优先下载MP3格式";
        dlg.m_strWmaText = "优先下载WMA格式";
    }
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

}  // namespace

CVxMdInterface::CVxMdInterface() : m_missions(rand()), m_jobs(new CDownJobMgr) {
    CDownJobMgr* jobs = m_jobs.get();
    m_pipe.reset(new CAddMissionPipe(m_missions, MissionTiming::FromEnvironment(),
                                     [jobs](int mission) { jobs->MoveJobToFailed(mission); }));
    m_pipe->Start();
}

CVxMdInterface::~CVxMdInterface() {
    std::list<CDownProgressDlg*> dialogs = m_holder.others;
    if (m_holder.current) dialogs.push_back(m_holder.current);
    for (CDownProgressDlg* dlg : dialogs)
        if (IsWindow(dlg->GetHwnd())) DestroyWindow(dlg->GetHwnd());
    m_holder.current = nullptr;
    m_holder.others.clear();
    m_pipe->Stop();
    m_jobs->CancleAll();
    m_jobs.reset();
}

void CVxMdInterface::PlaySongs(const std::vector<CSongInfoBase*>* songs, int action) {
    if (!songs || songs->empty()) return;
    std::unique_ptr<CNetSongList> list = CloneSongs(*songs);
    PlayList(list.get(), action);
}

void CVxMdInterface::PlaySong(CSongInfoBase* song, int action) {
    if (!song) return;
    std::vector<CSongInfoBase*> songs(1, song);
    PlaySongs(&songs, action);
}

void CVxMdInterface::PlayList(CNetSongList* list, int action) {
    if (!list) return;
    std::string playerPath;
    if (GetPlayerPath(playerPath, 1) == 1) StartMission(action, *list, playerPath);
}

void CVxMdInterface::PlayMovie(MoviePlayInfo info) {
    std::string folder;
    if (!Dir::GetVxPath(PATH_PROGRAM, folder)) return;
    std::string exe = folder + kMoviePlayerExe;
    // The player splits at "|" and takes the rest as the title, so only the title may hold one: an
    // address gets it percent-encoded (the same address to a browser); no file name holds one.
    std::string url;
    for (char c : info.url) url += c == '|' ? std::string("%7C") : std::string(1, c);
    if (info.icon.find('|') != std::string::npos) info.icon.clear();
    std::string commandLine = StringUtility::Format("/mdplay %d|%d|%s|%s|%s", info.width, info.height, info.icon.c_str(),
                                                    url.c_str(), info.title.c_str());
    HINSTANCE started = ShellExecuteA(nullptr, nullptr, exe.c_str(), commandLine.c_str(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "PlayMovie", "%s: error %d", exe.c_str(),
                     static_cast<int>(reinterpret_cast<INT_PTR>(started)));
}

void CVxMdInterface::DownloadSongs(const std::vector<CSongInfoBase*>* songs, int* quality, std::string* folder, int kind) {
    if (!songs || songs->empty()) return;
    std::unique_ptr<CNetSongList> list = CloneSongs(*songs);
    DownloadList(list.get(), quality, folder, kind);
}

void CVxMdInterface::DownloadSong(CSongInfoBase* song, int* quality, std::string* folder, int kind) {
    if (!song) return;
    std::vector<CSongInfoBase*> songs(1, song);
    DownloadSongs(&songs, quality, folder, kind);
}

void CVxMdInterface::DownloadList(CSongListBase* list, int* quality, std::string* folder, int kind) {
    if (!list || !quality) return;
    // The caller's list stays whole (it may be the catalogue's own): the songs without WMA are
    // left out of a copy instead.
    std::unique_ptr<CNetSongList> filtered(new CNetSongList);
    for (CSongInfoBase* song : list->GetSongInfoVector()) {
        if (!song || !song->GetWMA()) continue;
        CSongInfoBase* copy = song->Clone();
        copy->SetParent(filtered.get());
        filtered->GetSongInfoVector().push_back(copy);
    }
    if (filtered->GetSongInfoVector().empty()) return;
    DownloadFiltered(*filtered, quality, folder, kind);
}

void CVxMdInterface::DownloadFiltered(CNetSongList& list, int* quality, std::string* folder, int kind) {
    std::string playerPath;
    if (GetPlayerPath(playerPath, 1) != 1) return;

    CDownloadDlg dlg;
    FillDownloadDialog(dlg, list, kind);
    std::string chosenFolder;
    if (*quality == kActionAskQuality) {
        if (folder && !folder->empty()) dlg.m_strSuggestedFolder = *folder;
        if (dlg.DoModal(GetActiveWindow()) != IDOK) return;
        chosenFolder = dlg.GetChosenFolder();
        if (chosenFolder.empty() || !Dir::IsDirectory(chosenFolder)) return;
        *quality = dlg.IsMp3Chosen() ? kActionDownloadMp3 : kActionDownloadWma;
    } else if (*quality == kActionDownloadWma || *quality == kActionDownloadMp3) {
        if (folder) chosenFolder = WithSeparator(*folder);
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "DownloadList", "no download quality: %d", *quality);
        return;
    }

    m_jobs->AddJob(&list, chosenFolder, m_missions.NextNumber(), *quality);
    if (m_holder.current) {
        StartMission(*quality, list, playerPath);
        MessageBoxA(GetActiveWindow(), kQueuedText, dlg.m_strCaption.c_str(), MB_OK);
        return;
    }
    CDownProgressDlg* progress = new CDownProgressDlg(&m_holder, chosenFolder, m_jobs.get());
    m_holder.current = progress;
    if (progress->Create(GetActiveWindow())) {
        ShowWindow(progress->GetHwnd(), SW_SHOW);
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "DownloadList", "progress dialog not created");
        m_holder.current = nullptr;
        delete progress;
    }
    StartMission(*quality, list, playerPath);
}

void CVxMdInterface::CancelAll() {
    m_jobs->CancleAll();
    m_missions.Clear();
}

int CVxMdInterface::GetPlayerPath(std::string& path, int prompt) {
    std::string newer, older;
    int version = 0;
    bool newerExists = Dir::GetVxPath(PATH_PLAYER_EXE, newer) && Dir::IsExistFile(newer);
    if (newerExists && UserId::GetPlaydeck6Version(version) && version >= kNewestPlayerMinVersion) {
        path = newer;
        return 1;
    }
    bool olderExists = Dir::GetVxPath(PATH_PLAYER_OLD_EXE, older) && Dir::IsExistFile(older);
    if (olderExists && UserId::GetPlaydeckVersion(version) && version >= kOlderPlayerMinVersion) {
        path = older;
        return 1;
    }
    // The folders of both players are always known, so "not installed" means neither file is there.
    path = olderExists ? older : (newerExists ? newer : std::string());
    if (prompt) NoPlayerPrompt(path.empty());
    return 0;
}

bool CVxMdInterface::PlayerExists(const std::string& playerPath) { return Dir::IsExistFile(playerPath); }

void CVxMdInterface::Launch(int action, const std::string& playerPath, const std::string& commandLine) {
    if (action == kActionPlaySongs || action == kActionPlayMv || action == kActionPlayAdd)
        AllowSetForegroundWindow(System::FindProcessId(kPlayerExeName));
    ShellExecuteA(nullptr, nullptr, playerPath.c_str(), commandLine.c_str(), nullptr, SW_SHOWNORMAL);
}

void CVxMdInterface::StartMission(int action, const CSongListBase& list, const std::string& playerPath) {
    if (!m_missions.StartMission(action, list, playerPath, GetTickCount(), *this))
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "StartMission", "player missing: %s", playerPath.c_str());
}

namespace {

CVxMdInterface* g_facade = nullptr;
std::once_flag g_facadeOnce;

}  // namespace

extern "C" VXMDINTERFACE_API IVxMdInterface* GetVxMdInterface() {
    try {
        std::call_once(g_facadeOnce, [] { g_facade = new CVxMdInterface; });
    } catch (...) {
        return nullptr;
    }
    return g_facade;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit the other threads are gone and waiting for them would hang: only an
    // explicit unload tears the facade down.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        try {
            delete g_facade;
        } catch (...) {
        }
        g_facade = nullptr;
        CloseInstallWindow();
    }
    return TRUE;
}
