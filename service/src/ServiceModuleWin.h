#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "vxlib/HandleWin.h"

class CRealRunService;

// The service process: command-line switches, AppID registration, installation in the service
// control manager, the service's entry points and the plain run, each running instance guarded by
// the single-instance mutex. One per process: WinMain runs on the main thread, ServiceMain and the
// control handler on the threads the control manager gives them.
//
// Uninstallation failures are shown in a message box only when the process's window station is
// visible and the environment variable VX_SERVICE_NO_UI is unset (tests and the silent installer
// set it); they are always logged and written to the standard error.
class CVxMdServiceModule {
public:
    static const char kAppId[];
    static const wchar_t kMutexName[];
    static const DWORD kStopWaitMs = 2000;

    CVxMdServiceModule();
    ~CVxMdServiceModule();
    CVxMdServiceModule(const CVxMdServiceModule&) = delete;
    CVxMdServiceModule& operator=(const CVxMdServiceModule&) = delete;

    // `commandLine` without the program name. Returns the process exit code: 0 on success (also
    // when another instance runs), else a Win32 error code.
    int WinMain(const char* commandLine);

private:
    int RegisterAppId(bool perUser, bool service);
    int UnregisterAppId(bool perUser);
    int Unregister(bool perUser);
    int InstallService();
    int WriteFailureActions();
    bool IsInstalled();
    int Uninstall();  // 0 or the failure's Win32 error
    bool IsServiceRegistered();

    int RunPlain();
    int RunService();
    static void WINAPI ServiceMainEntry(DWORD argc, LPSTR* argv);
    static void WINAPI HandlerEntry(DWORD code);
    void ServiceMain();
    void Handler(DWORD code);
    void SetStatus(DWORD state);

    bool StartWorker();
    void StopWorker();
    void RunMessageLoop();
    void LogEvent(const char* text);
    void Complain(const char* text);

    static CVxMdServiceModule* s_module;

    char m_name[256] = {};
    bool m_service = false;
    DWORD m_serviceThreadId = 0;
    SERVICE_STATUS_HANDLE m_statusHandle = nullptr;
    std::mutex m_statusLock;  // ServiceMain and the control handler both report
    SERVICE_STATUS m_status = {};
    std::atomic<bool> m_stopRequested{false};
    CHandle m_serviceDone;  // set when ServiceMain has left its loop and cleaned up

    std::mutex m_workerLock;
    std::unique_ptr<CRealRunService> m_worker;
};
