// Shows the bridge's dialogs one after another in fixed states, so that they can be looked at and
// captured (scripts/screenshots-bridge). For each dialog it writes "<name>.ready" into the folder
// given as its argument and goes on when "<name>.done" appears there.
#include <windows.h>

#include <string>
#include <thread>

#include "../src/DownProgressDlg.h"
#include "../src/DownloadDlg.h"
#include "../src/MessageBoxDlg.h"
#include "../src/NoVxMusicDlg2.h"
#include "../src/ProgressDlgHolder.h"
#include "core/MessageManager.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Dir.h"

namespace {

std::string g_folder;

void Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
}

// Announces that `name` is on screen and pumps until the capture is done (at most 20 s).
void Present(const std::string& name) {
    Pump(500);
    HANDLE ready = CreateFileA((g_folder + name + ".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    for (int i = 0; i < 400 && !Dir::IsExistFile(g_folder + name + ".done"); ++i) Pump(50);
}

// Presents a modal dialog from a helper thread, then cancels it.
void CloseWhenPresented(const std::string& name, const char* caption) {
    std::thread([name, caption] {
        HWND dlg = nullptr;
        for (int i = 0; i < 200 && !(dlg = FindWindowA("#32770", caption)); ++i) Sleep(50);
        Sleep(500);
        HANDLE ready = CreateFileA((g_folder + name + ".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
        for (int i = 0; i < 400 && !Dir::IsExistFile(g_folder + name + ".done"); ++i) Sleep(50);
        if (dlg) PostMessageA(dlg, WM_CLOSE, 0, 0);
    }).detach();
}

CNetSongList* SongsNamed(const char* const* names, int count) {
    CNetSongList* list = new CNetSongList;
    for (int i = 0; i < count; ++i) {
        CNetSongInfo* song = new CNetSongInfo;
        song->SetName(names[i]);
        song->SetArtist("歌手");
        song->SetParent(list);
        list->GetSongInfoVector().push_back(song);
    }
    return list;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    g_folder = cmdLine;
    if (!g_folder.empty() && g_folder.back() != '\\') g_folder += '\\';

    CDownloadDlg download;
    download.m_strNameLine = "月亮代表我的心-歌手";
    download.m_strMp3Text = "MP3    高品音质  4.2 MB";
    download.m_strWmaText = "WMA  标准音质  3.1 MB";
    download.m_strSuggestedFolder = "C:\\Music\\";
    CloseWhenPresented("download", "下载提示");
    download.DoModal(nullptr);

    ProgressDlgHolder holder;
    CDownProgressDlg* progress = new CDownProgressDlg(&holder, "C:\\Music\\", nullptr);
    holder.current = progress;
    if (!progress->Create(nullptr)) return 1;
    ShowWindow(progress->GetHwnd(), SW_SHOW);
    IMessageManager* manager = AfxGetMessageManager();
    manager->Send(kVxMdInterfaceChannel, kDownStart,
                  {Variant::String("月亮代表我的心-歌手.wma"), Variant::ULong(1), Variant::ULong(3),
                   Variant::String("C:\\Music\\")});
    manager->Post(kVxMdInterfaceChannel, kDownProgress, 0,
                  {Variant::ULong(30000), Variant::ULong(1500000), Variant::ULong(4200000)});
    Present("progress");

    const char* const finishedNames[] = {"月亮代表我的心", "甜蜜蜜"};
    const char* const failedNames[] = {"小城故事"};
    CNetSongList* finished = SongsNamed(finishedNames, 2);
    CNetSongList* failed = SongsNamed(failedNames, 1);
    std::vector<std::string> targets = {"C:\\Music\\月亮代表我的心-歌手.wma", "C:\\Music\\甜蜜蜜-歌手.wma"};
    manager->Send(kVxMdInterfaceChannel, kDownFinishAll,
                  {Variant::ULong(3), Variant::ULong(2), Variant::ULong(1), Variant::Pointer(&targets),
                   Variant::Pointer(failed), Variant::Pointer(finished)});
    delete finished;
    delete failed;
    Present("summary");
    if (holder.others.size() + (holder.current ? 1 : 0) > 0) DestroyWindow(progress->GetHwnd());

    CloseWhenPresented("prompt", "Vixo提示");
    CMessageBox().DoModal(nullptr, "您尚未安装VixoPlaydeck，请先安装。");

    // The install window fed the updater's notify text, as its watcher posts it.
    CNoVxMusicDlg2 install;
    if (!install.Create()) return 1;
    install.Reset();
    ShowWindow(install.GetHwnd(), SW_SHOWNORMAL);
    install.CenterWindow();
    PostMessageW(install.GetHwnd(), CNoVxMusicDlg2::kMsgUpdateNotify, 0,
                 reinterpret_cast<LPARAM>(new std::string("VxMelodisk_Update_Playdeck|2|37")));
    Present("install");
    return 0;
}
