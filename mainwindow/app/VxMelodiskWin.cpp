// The main window program: shortcut hand-off, one instance per machine, the libraries in their
// order, the frame's message loop, and the exit record.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "CrashDumpWin.h"
#include "FrameConstants.h"
#include "MainFrameWin.h"
#include "UserActRecord.h"
#include "UserActRecordWin.h"
#include "bridge/VxMdInterface.h"
#include "config/ConfigManager.h"
#include "http/VxHttpRequestMgr.h"
#include "log/VxMdLog.h"
#include "ui/MessageLoop.h"
#include "vxlib/Dir.h"
#include "vxlib/SharedObjectsWin.h"
#include "vxlib/StringUtility.h"

// Installed before the entry runs and removed at unload.
CCrashDump g_crashDump;

namespace {

const char kLogFile[] = "VxMelodisk.txt";

CCommandLine g_commandLine;
HANDLE g_instanceMutex = nullptr;

// Hands a desktop play shortcut's list straight to the player; true when the player was started.
bool HandOffShortcut() {
    std::string id;
    if (!g_commandLine.PlayIco(id)) return false;
    const std::string playerArgs = "/mdrun playico|" + id;
    IVxMdInterface* bridge = GetVxMdInterface();
    std::string path;
    if (!bridge || !bridge->GetPlayerPath(path, 1) || path.empty() || !Dir::IsExistFile(path)) return false;
    const HINSTANCE started = ::ShellExecuteA(nullptr, nullptr, path.c_str(), playerArgs.c_str(), nullptr, SW_SHOWNORMAL);
    VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "playico", "%s %s -> %d", path.c_str(), playerArgs.c_str(),
                 static_cast<int>(reinterpret_cast<INT_PTR>(started)));
    return reinterpret_cast<INT_PTR>(started) > 32;
}

void Forward(HWND target, const std::string& text) {
    COPYDATASTRUCT data = {};
    data.dwData = frame::kCopyDataForwardId;
    data.cbData = static_cast<DWORD>(text.size() + 1);
    data.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                          frame::kForwardTimeoutMs, &result);
}

// True when this is the first instance (the mutex is then held).
bool TakeInstance() {
    bool existed = false;
    HANDLE mutex = SharedObjects::CreateSharedMutex(frame::kInstanceMutex, &existed);
    if (mutex && !existed) {
        g_instanceMutex = mutex;
        return true;
    }
    if (!g_commandLine.IsAutoRun()) {
        HWND first = CMainFrame::SharedMainWindow();
        VxMdLog::Log(kLogFile, VxMdLog::LEVEL_NOTICE, "SingleInstance", "forward to %p", static_cast<void*>(first));
        if (first) {
            Forward(first, frame::kShowIt);
            Forward(first, ::GetCommandLineA());
        }
    }
    if (mutex) ::CloseHandle(mutex);
    return false;
}

int RunLoop() {
    ui::CMessageLoop loop;
    ui::CThreadLoops::Add(&loop);
    int result = 0;
    {
        auto frame = std::make_unique<CMainFrame>(g_commandLine);
        g_pUserAction = frame.get();
        g_pFolderAction = frame.get();
        if (frame->CreateFrame()) {
            ::ShowWindow(*frame, g_commandLine.IsAutoRun() ? SW_HIDE : SW_SHOW);
            ::UpdateWindow(*frame);
            result = loop.Run();
        }
        g_pUserAction = nullptr;
        g_pFolderAction = nullptr;
        ui::CThreadLoops::Remove();
    }
    return result;
}

// `from` is this start's own source: later starts forward command lines that replace the stored one.
void WriteExitRecord(DWORD startTick, const std::string& from) {
    const DWORD now = ::GetTickCount();
    if (now < startTick) return;
    const std::string text = UserActRecord::ExitText(UserActRecord::CurrentUserId(), ExitRecordSource(from),
                                                     static_cast<int>((now - startTick) / 1000));
    VxMdLog::LogUserActMsg(UserActRecord::kExit, text.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    VxMdLog::LogInit("VxMelodisk");
    g_commandLine = CCommandLine(commandLine ? commandLine : "");
    if (HandOffShortcut()) return 0;

    const std::string from = g_commandLine.From();
    const DWORD startTick = ::GetTickCount();
    if (!TakeInstance()) return 0;

    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    IConfigManager* config = AfxGetConfigManager();
    std::string logLevel;
    if (config) config->GetString("LogMsg", "realloglevel", logLevel, "");
    g_crashDump.SetDumpType(CCrashDump::kDefaultDumpType);
    std::string dataFolder;
    Dir::GetVxPath(PATH_USER_ROOT, dataFolder);
    Dir::GetVxPath(PATH_USER_DATA, dataFolder);
    logLevel.clear();
    if (config) config->GetString("LogMsg", "realloglevel", logLevel, "");
    StringUtility::Str2Lower(logLevel);
    const int debug = logLevel == "debug" ? 1 : 0;

    IVxHttpRequestMgr* requests = AfxGetHttpRequestMgr();
    IVxFileCache* cache = AfxGetFileCache();
    IVxHtchFileMgr* files = AfxGetHtchFileMgr();
    if (requests) requests->Init(debug, dataFolder.c_str());
    if (cache) cache->Init(debug, (dataFolder + "cache").c_str());
    if (files) {
        files->SetRequestMgr(requests);
        files->SetFileCache(cache);
    }

    const int result = RunLoop();

    if (g_instanceMutex) {
        ::CloseHandle(g_instanceMutex);
        g_instanceMutex = nullptr;
    }
    WriteExitRecord(startTick, from);
    ::CoUninitialize();
    return result;
}
