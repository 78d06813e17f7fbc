#include "PlayerInstallPrompt.h"

#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <atomic>
#include <initializer_list>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BridgeModuleWin.h"
#include "MessageBoxDlg.h"
#include "NoVxMusicDlg2.h"
#include "ThreadEndWin.h"
#include "TimeDivisorWin.h"
#include "log/VxMdLog.h"
#include "ui/Controls.h"
#include "vxlib/Charset.h"
#include "vxlib/HandleWin.h"
#include "vxlib/StringUtility.h"
#include "../res/resource.h"

namespace {

const char kLogFile[] = "dl_mgr.log";
const char kNotInstalledText[] = "您尚未安装VixoPlaydeck，请先安装。";
const char kTooOldText[] = "您的Playdeck版本过低，请先安装更新。";
const char kConnecting[] = "正在连接服务器…";
const char kReadingInfo[] = "正在获取升级信息…";
const char kDownloading[] = "正在下载…(%d%%)";
const char kInstalling[] = "下载完成，正在安装…";
const char kDownloaded[] = "下载完成";
const char kRetryQuestion[] = "下载最新版VixoPlaydeck失败。是否重试？";
const char kRetryCaption[] = "下载失败";

const DWORD kPipeBufferSize = 1024 * 1024;
const DWORD kPassMs = 1000;
const DWORD kSilentClientMs = 5000;
const UINT_PTR kUpdaterWatchTimer = 1;
// Passes without an updater before the update counts as ended; the second one rules out a look
// taken while the last notify was still on its way.
const int kGonePasses = 2;

enum NotifyState { kTaskStarted = 0, kRequestBuilt = 1, kDownloading2 = 2, kStartingPackage = 3, kTaskEnded = 4 };

DWORD PassMs() { return BridgeTestDivided(kPassMs); }

PlaydeckUpdateCalls g_calls = DefaultPlaydeckUpdateCalls();

CNoVxMusicDlg2* g_installWindow = nullptr;
std::atomic<bool> g_watching{false};
bool g_installWhenReady = false;
int g_updateRunning = 0;
HANDLE g_stopEvent = nullptr;
HANDLE g_doneEvent = nullptr;
HANDLE g_watcherThread = nullptr;
OVERLAPPED g_overlapped = {};

struct WatcherArgs {
    HWND window;
    HANDLE stop;
    HANDLE done;
    HANDLE running;  // set first; the starter's to close
};

// Completes an overlapped operation, giving up when the stop event comes first (a client that
// connects and never writes must not hold the window's thread, which waits for this thread) or
// when the client stays silent for kSilentClientMs (the updater's notifies must get through).
bool Complete(HANDLE pipe, OVERLAPPED& ov, BOOL started, HANDLE stop, DWORD& bytes, bool& stopped) {
    if (started) return true;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    HANDLE waits[2] = {ov.hEvent, stop};
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, BridgeTestDivided(kSilentClientMs));
    if (woke != WAIT_OBJECT_0) {
        stopped = woke != WAIT_TIMEOUT;
        CancelIo(pipe);
        GetOverlappedResult(pipe, &ov, &bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &ov, &bytes, TRUE) != FALSE;
}

void PostNotify(HWND window, std::string text) {
    std::unique_ptr<std::string> heap(new std::string(std::move(text)));
    if (PostMessageW(window, CNoVxMusicDlg2::kMsgUpdateNotify, 0, reinterpret_cast<LPARAM>(heap.get())))
        heap.release();  // the window frees it
    else
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateNotify", "post failed: %lu", GetLastError());
}

void Watch(const WatcherArgs& args) {
    g_watching = true;
    CHandle pipe(CreateNamedPipeA(kUpdateNotifyPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kPipeBufferSize,
                                  NMPWAIT_WAIT_FOREVER, nullptr));
    if (!pipe.Valid()) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateNotify", "CreateNamedPipe failed: %lu", GetLastError());
        return;
    }
    std::vector<char> buffer(kPipeBufferSize);
    OVERLAPPED& ov = g_overlapped;
    bool pending = false;
    bool stopped = false;
    while (!stopped && WaitForSingleObject(args.stop, 0) != WAIT_OBJECT_0) {
        bool connected = false;
        if (!pending) {
            ResetEvent(ov.hEvent);
            if (ConnectNamedPipe(pipe.Get(), &ov)) {
                connected = true;
            } else {
                DWORD error = GetLastError();
                // A client that came before the connect call: connected, with nothing to complete.
                if (error == ERROR_PIPE_CONNECTED) connected = true;
                else if (error == ERROR_IO_PENDING) pending = true;
                else {
                    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateNotify", "ConnectNamedPipe failed: %lu", error);
                    break;
                }
            }
        }
        if (!connected) {
            // A pass without a client keeps the connect pending and looks at the stop event again.
            HANDLE waits[2] = {ov.hEvent, args.stop};
            DWORD woke = WaitForMultipleObjects(2, waits, FALSE, PassMs());
            if (woke == WAIT_TIMEOUT) continue;
            if (woke != WAIT_OBJECT_0) {
                stopped = true;
                break;
            }
            pending = false;
            DWORD bytes = 0;
            if (!GetOverlappedResult(pipe.Get(), &ov, &bytes, TRUE)) {
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateNotify", "connection failed: %lu", GetLastError());
                DisconnectNamedPipe(pipe.Get());
                break;
            }
        }
        // One message per connection, ended by its NUL; it may come in more than one piece.
        size_t used = 0;
        while (used < buffer.size() && !stopped) {
            DWORD read = 0;
            ResetEvent(ov.hEvent);
            BOOL started = ReadFile(pipe.Get(), buffer.data() + used, static_cast<DWORD>(buffer.size() - used), &read, &ov);
            if (!Complete(pipe.Get(), ov, started, args.stop, read, stopped) || read == 0) break;
            used += read;
            if (buffer[used - 1] == '\0') break;
        }
        if (used > 0 && !stopped) PostNotify(args.window, std::string(buffer.data(), used - 1));
        DisconnectNamedPipe(pipe.Get());
    }
    if (pending) {
        CancelIo(pipe.Get());
        DWORD ignored = 0;
        GetOverlappedResult(pipe.Get(), &ov, &ignored, TRUE);
    }
}

unsigned __stdcall WatcherThread(void* param) {
    HANDLE done = static_cast<WatcherArgs*>(param)->done;
    SetEvent(static_cast<WatcherArgs*>(param)->running);
    {
        std::unique_ptr<WatcherArgs> args(static_cast<WatcherArgs*>(param));
        try {
            Watch(*args);
        } catch (...) {
            VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "UpdateNotify", "watcher ended by an exception");
        }
    }
    threadend::ReportDoneAndPark(done);
    return 0;
}

void StopWatcher() {
    if (!g_stopEvent || !g_doneEvent) return;
    SetEvent(g_stopEvent);
    if (g_watcherThread) {
        threadend::EndParkedThread(g_watcherThread, g_doneEvent, INFINITE);
        CloseHandle(g_watcherThread);
    }
    CloseHandle(g_stopEvent);
    CloseHandle(g_doneEvent);
    if (g_overlapped.hEvent) CloseHandle(g_overlapped.hEvent);
    g_watcherThread = g_stopEvent = g_doneEvent = g_overlapped.hEvent = nullptr;
    g_watching = false;
}

void StartUpdate() {
    g_installWhenReady = true;
    StopWatcher();
    if (g_stopEvent || g_doneEvent) return;
    if (g_calls.install()) {
        g_installWhenReady = false;
        if (g_installWindow) PostMessageW(g_installWindow->GetHwnd(), WM_CLOSE, 0, 0);
        return;
    }
    g_stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_overlapped = OVERLAPPED{};
    g_overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CHandle running(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    WatcherArgs* args = new WatcherArgs{g_installWindow->GetHwnd(), g_stopEvent, g_doneEvent, running.Get()};
    if (g_stopEvent && g_doneEvent && g_overlapped.hEvent && running.Valid())
        g_watcherThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &WatcherThread, args, 0, nullptr));
    if (g_watcherThread) {
        // A thread that has not reached this library's code when the library unloads would start
        // in unmapped code later, and StopWatcher would wait for it for ever.
        WaitForSingleObject(running.Get(), INFINITE);
        g_watching = true;
    } else {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "StartUpdate", "watcher not started: %lu", GetLastError());
        delete args;
        for (HANDLE* h : {&g_stopEvent, &g_doneEvent, &g_overlapped.hEvent}) {
            if (*h) CloseHandle(*h);
            *h = nullptr;
        }
    }
    if (!g_updateRunning) g_updateRunning = g_calls.update();
    if (g_updateRunning && g_installWindow) g_installWindow->WatchUpdater();
}

// A decimal field read as a floating-point value and truncated toward zero.
int FieldNumber(const std::string& field) {
    double value = std::atof(field.c_str());
    if (!(value > -1e9)) return std::isnan(value) ? 0 : -1000000000;
    if (value > 1e9) return 1000000000;
    return static_cast<int>(value);
}

}  // namespace

PlaydeckUpdateCalls DefaultPlaydeckUpdateCalls() {
    return PlaydeckUpdateCalls{&Update::GetPlaydeckUpdateResult, &Update::InstallNewVersionPlaydeck, &Update::UpdatePlaydeck,
                               &Update::IsPlaydeckUpdateRunning};
}

void SetPlaydeckUpdateCalls(const PlaydeckUpdateCalls& calls) { g_calls = calls; }

bool CNoVxMusicDlg2::Create() { return ui::CDialogBase::Create(BridgeModule(), IDD_NOVXMUSIC, nullptr) != nullptr; }

void CNoVxMusicDlg2::Reset() {
    ui::CProgressBar bar(GetDlgItem(IDC_NV_PROGRESS));
    bar.SetRange(0, 100);
    bar.SetPos(0);
    SetDlgItemText(IDC_NV_STATUS, kConnecting);
}

void CNoVxMusicDlg2::Hide() {
    g_installWhenReady = false;
    ShowWindow(m_hWnd, SW_HIDE);
    StopWatcher();
}

bool CNoVxMusicDlg2::OnCommand(int id, int code, HWND) {
    if (id != IDCANCEL || code != BN_CLICKED) return false;
    Hide();
    return true;
}

void CNoVxMusicDlg2::OnClose() { Hide(); }

void CNoVxMusicDlg2::WatchUpdater() {
    m_silentPasses = 0;
    SetTimer(m_hWnd, kUpdaterWatchTimer, PassMs(), nullptr);
}

// An updater that died, hung up or found its task taken sends no end: without this the update
// would count as running for the rest of the session and never start again.
void CNoVxMusicDlg2::OnTimer(UINT_PTR id) {
    if (id != kUpdaterWatchTimer) return;
    if (!g_updateRunning) {
        KillTimer(m_hWnd, kUpdaterWatchTimer);
        return;
    }
    if (g_calls.running()) {
        m_silentPasses = 0;
        return;
    }
    if (++m_silentPasses < kGonePasses) return;
    KillTimer(m_hWnd, kUpdaterWatchTimer);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "UpdateNotify", "the updater ended without its last notify");
    // What it left in its result still counts.
    Update::UpdateResult result;
    bool downloaded = g_calls.getResult(result) && result.downloadSuccess;
    if (!IsWindowVisible(m_hWnd)) {
        g_updateRunning = 0;
        return;
    }
    HandleNotify(std::string(Update::kPlaydeckClassName) + "|" + std::to_string(kTaskEnded) + "|" + (downloaded ? "1" : "0"));
}

INT_PTR CNoVxMusicDlg2::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kMsgUpdateNotify) return ui::CDialogBase::DialogProc(msg, wp, lp);
    std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lp));
    if (text) HandleNotify(*text);
    return TRUE;
}

void CNoVxMusicDlg2::HandleNotify(const std::string& text) {
    std::vector<std::string> fields;
    StringUtility::Tokenize(text, "|", fields);
    if (fields.size() != 3 || fields[0] != Update::kPlaydeckClassName) return;
    int state = FieldNumber(fields[1]);
    int value = FieldNumber(fields[2]);
    ui::CProgressBar bar(GetDlgItem(IDC_NV_PROGRESS));
    std::string status;
    switch (state) {
    case kTaskStarted:
        status = kConnecting;
        break;
    case kRequestBuilt:
        status = kReadingInfo;
        break;
    case kDownloading2:
        bar.SetPos(value);
        status = StringUtility::Format(kDownloading, value);
        break;
    case kStartingPackage:
        bar.SetPos(100);
        status = kInstalling;
        break;
    case kTaskEnded:
        g_updateRunning = 0;
        if (value != 0 && g_installWhenReady && g_calls.install()) {
            SetDlgItemText(IDC_NV_STATUS, kDownloaded);
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            return;
        }
        if (MessageBoxW(m_hWnd, Charset::String2WString(kRetryQuestion).c_str(),
                        Charset::String2WString(kRetryCaption).c_str(), MB_ICONQUESTION | MB_YESNO) == IDYES) {
            Reset();
            StopWatcher();
            StartUpdate();
        } else {
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        }
        return;
    default:
        break;
    }
    SetDlgItemText(IDC_NV_STATUS, status);
}

int NoPlayerPrompt(bool notInstalled) {
    try {
        if (g_watching && g_installWindow && g_installWindow->IsWindow()) {
            g_installWhenReady = true;
            ShowWindow(g_installWindow->GetHwnd(), SW_SHOWNORMAL);
            g_installWindow->CenterWindow();
            SetForegroundWindow(g_installWindow->GetHwnd());
            return 1;
        }
        CMessageBox prompt;
        if (prompt.DoModal(GetActiveWindow(), notInstalled ? kNotInstalledText : kTooOldText) == 2) {
            g_installWhenReady = false;
            return 1;
        }
        Update::UpdateResult result;
        if (g_calls.getResult(result) && result.downloadSuccess && g_calls.install()) return 1;

        if (!g_installWindow) {
            std::unique_ptr<CNoVxMusicDlg2> window(new CNoVxMusicDlg2);
            if (!window->Create()) {
                VxMdLog::Log(kLogFile, VxMdLog::LEVEL_WARNING, "NoPlayerPrompt", "install window not created");
                return 0;
            }
            g_installWindow = window.release();
        }
        g_installWindow->Reset();
        StopWatcher();
        StartUpdate();
        ShowWindow(g_installWindow->GetHwnd(), SW_SHOWNORMAL);
        g_installWindow->CenterWindow();
        return 1;
    } catch (...) {
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_FATAL, "NoPlayerPrompt", "exception");
        return 0;
    }
}

void CloseInstallWindow() {
    try {
        if (g_installWindow) {
            HWND hwnd = g_installWindow->GetHwnd();
            if (hwnd && IsWindow(hwnd)) {
                SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                DestroyWindow(hwnd);
            }
            delete g_installWindow;
            g_installWindow = nullptr;
        }
        StopWatcher();
        g_watching = false;
        // The library goes away with whatever it started: a later load begins afresh.
        g_updateRunning = 0;
        g_installWhenReady = false;
    } catch (...) {
    }
}
