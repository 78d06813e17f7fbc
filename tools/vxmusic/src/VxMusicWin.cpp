// The stand-in for the maker's desktop player: takes the client's "/mdrun" command lines, fetches
// missions from the client, downloads what a download mission asks for from the stand-in web server
// and reports on the client's down-state pipe. One player per installation: a later start hands
// its command line to the running one and ends.
//
// Environment (read by the first instance, inherited from whoever starts it):
//   VX_PLAYER_JOURNAL        journal file (default "journal.txt" beside the exe)
//   VX_PLAYER_MODE           fail:K | toomany | stop | silent | exit-mid (see README.md)
//   VX_PLAYER_IDLE_SECONDS   seconds without work before the player exits (default 30)
//   VX_PLAYER_PACE_MS        pause the server makes between 64 KiB pieces of a file
#include <windows.h>

#include <cstdlib>
#include <deque>
#include <memory>

#include "PlayerWin.h"
#include "http/VxHttpRequestMgr.h"
#include "vxmusic/StandInNamesWin.h"

namespace {

const UINT kQuitMessage = WM_APP + 1;
const UINT_PTR kIdleTimer = 1;

struct Queued {
    std::string command;
    const char* via;
};

// Fetches missions in arrival order, so that a long download never makes a mission wait for its
// fetch (the client forgets unfetched missions after a minute).
class Player {
public:
    Player() : m_mode(ParseMode(Env("VX_PLAYER_MODE"))), m_downloader(m_mode) {
        int seconds = std::atoi(Env("VX_PLAYER_IDLE_SECONDS").c_str());
        m_idleMs = (seconds > 0 ? seconds : 30) * 1000u;
        m_lastWork = GetTickCount();
        m_thread = std::thread([this] { Run(); });
    }

    // From the window's thread. False for "/mdrun quit": the caller ends the process.
    bool Accept(const std::string& commandLine, const char* via) {
        PlayerCommand cmd = ParseCommand(commandLine);
        if (cmd.kind == PlayerCommand::kQuit) {
            m_downloader.Cancel();
            m_journal.Append(via, cmd.text, std::string());
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_queue.push_back(Queued{commandLine, via});
        }
        m_wake.notify_all();
        return true;
    }

    bool IdleLongEnough() {
        bool busy;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            busy = m_handling || !m_queue.empty();
        }
        busy = busy || m_downloader.Busy();
        DWORD now = GetTickCount();
        if (busy) m_lastWork = now;
        return !busy && now - m_lastWork >= m_idleMs;
    }

private:
    static std::string Env(const char* name) {
        const char* v = std::getenv(name);
        return v ? v : "";
    }

    void Run() {
        for (;;) {
            Queued item;
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_wake.wait(lock, [this] { return !m_queue.empty(); });
                item = m_queue.front();
                m_queue.pop_front();
                m_handling = true;
            }
            Handle(item);
            std::lock_guard<std::mutex> lock(m_lock);
            m_handling = false;
        }
    }

    void Handle(const Queued& item) {
        PlayerCommand cmd = ParseCommand(item.command);
        std::string mission;
        if (cmd.kind == PlayerCommand::kPlay || cmd.kind == PlayerCommand::kDownload)
            FetchMission(cmd.mission, mission);
        m_journal.Append(item.via, cmd.text, mission);
        if (cmd.kind == PlayerCommand::kCancel) {
            m_downloader.Cancel();
        } else if (cmd.kind == PlayerCommand::kDownload && !mission.empty()) {
            std::vector<DownloadFile> files;
            if (ParseDownloadMission(cmd.mission, mission, files)) m_downloader.Enqueue(std::move(files));
        }
        // Playing is the real player's business: the stand-in only shows that it got the songs.
    }

    PlayerMode m_mode;
    Journal m_journal;
    Downloader m_downloader;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Queued> m_queue;
    bool m_handling = false;
    DWORD m_idleMs = 30000;
    DWORD m_lastWork = 0;
    std::thread m_thread;
};

Player* g_player = nullptr;
bool g_leaving = false;

void Leave(HWND window) {
    // Refuse forwarded commands from here on: a later start then becomes the player itself.
    g_leaving = true;
    DestroyWindow(window);
    PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (g_leaving || !data || data->dwData != VxStandIn::kForwardMagic) return FALSE;
        std::string command(static_cast<const char*>(data->lpData), data->cbData);
        if (!g_player->Accept(command, "forward")) PostMessageA(window, kQuitMessage, 0, 0);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == kIdleTimer && !g_leaving && g_player->IdleLongEnough()) Leave(window);
        return 0;
    case kQuitMessage:
        if (!g_leaving) Leave(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Hands the command line to the running player. True once it took it.
bool Forward(const std::string& commandLine) {
    HWND window = VxStandIn::FindPlayerWindow();
    if (!window) return false;
    COPYDATASTRUCT data;
    data.dwData = VxStandIn::kForwardMagic;
    data.cbData = static_cast<DWORD>(commandLine.size());
    data.lpData = const_cast<char*>(commandLine.data());
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000,
                               &result) &&
           result == TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::string command = commandLine ? commandLine : "";
    HANDLE mutex = CreateMutexA(nullptr, FALSE, VxStandIn::MutexName().c_str());
    // Either we become the player, or one runs (or is starting) and takes the command line; one that
    // is just leaving refuses it and frees the mutex shortly.
    bool owner = false;
    for (int attempt = 0; attempt < 200 && !owner; ++attempt) {
        DWORD wait = WaitForSingleObject(mutex, 0);
        owner = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (!owner) {
            if (Forward(command)) return 0;
            Sleep(50);
        }
    }
    if (!owner) return 2;

    AfxGetHttpRequestMgr()->Init(0, nullptr);
    g_player = new Player;  // never destroyed: the process ends with ExitProcess

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    std::string className = VxStandIn::WindowClassName();
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, className.c_str(), "vxmusic", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
    if (!window) return 1;
    if (!g_player->Accept(command, "start")) LeaveProcess(0);
    SetTimer(window, kIdleTimer, 200, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    LeaveProcess(0);
}
