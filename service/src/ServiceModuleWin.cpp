#include "ServiceModuleWin.h"

#include <objbase.h>

#include <string>

#include "RealRunServiceWin.h"
#include "ServiceCommandLine.h"
#include "ServiceHandlesWin.h"
#include "ServiceLog.h"
#include "log/VxMdLog.h"
#include "resource.h"
#include "vxlib/Charset.h"
#include "vxlib/SharedObjectsWin.h"

namespace {

const char kTag[] = "VxMdService";
const char kPerUserClasses[] = "Software\\Classes\\";
const char kLocalService[] = "LocalService";
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\services\\";
const char kFailureActions[] = "FailureActions";
const wchar_t kDependencies[] = L"RPCSS\0";  // a list: double NUL at the end
const char kNoUiVariable[] = "VX_SERVICE_NO_UI";
const DWORD kRestartDelayMs = 60000;
const DWORD kUninstallStopWaitMs = 10000;
const DWORD kStopPendingHintMs = 3 * CVxMdServiceModule::kStopWaitMs + 1000;

void WriteStd(DWORD which, const std::string& text) {
    HANDLE h = GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

LONG SetString(HKEY root, const std::string& subkey, const char* name, const std::string& value) {
    CRegKeyHandle key;
    LONG r = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (r != ERROR_SUCCESS) return r;
    return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

LONG DeleteValue(HKEY root, const std::string& subkey, const char* name) {
    CRegKeyHandle key;
    LONG r = RegOpenKeyExA(root, subkey.c_str(), 0, KEY_SET_VALUE, key.Receive());
    if (r == ERROR_SUCCESS) r = RegDeleteValueA(key.Get(), name);
    return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

LONG DeleteKey(HKEY root, const std::string& subkey) {
    LONG r = RegDeleteKeyA(root, subkey.c_str());
    return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

bool WindowStationVisible() {
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    return station && GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
           (flags.dwFlags & WSF_VISIBLE);
}

}  // namespace

const char CVxMdServiceModule::kAppId[] = "{472A22DD-9963-49F3-9B51-4FF2CC63B9AE}";
const wchar_t CVxMdServiceModule::kMutexName[] = L"Global\\VixoMelodiskServiceMutex_20110427";
CVxMdServiceModule* CVxMdServiceModule::s_module = nullptr;

CVxMdServiceModule::CVxMdServiceModule() { s_module = this; }

CVxMdServiceModule::~CVxMdServiceModule() {
    StopWorker();
    s_module = nullptr;
}

int CVxMdServiceModule::WinMain(const char* commandLine) {
    VxMdLog::LogInit(kServiceLogName);
    if (!LoadStringA(GetModuleHandleA(nullptr), IDS_SERVICENAME, m_name, sizeof m_name)) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "no service name resource");
        return ERROR_RESOURCE_NAME_NOT_FOUND;
    }
    // Registration switches run even while an instance runs: "UnregServer" has to stop it.
    switch (ParseServiceSwitch(commandLine)) {
    case ServiceSwitch::kRegServer: return RegisterAppId(false, false);
    case ServiceSwitch::kRegServerPerUser: return RegisterAppId(true, false);
    case ServiceSwitch::kUnregServer: return Unregister(false);
    case ServiceSwitch::kUnregServerPerUser: return Unregister(true);
    case ServiceSwitch::kService: {
        int result = RegisterAppId(false, true);
        return result ? result : InstallService();
    }
    case ServiceSwitch::kRun: m_service = false; break;
    case ServiceSwitch::kNone: m_service = IsServiceRegistered(); break;
    }

    bool existed = false;
    CHandle mutex(SharedObjects::CreateSharedMutex(kMutexName, &existed));
    if (!mutex.Valid() || existed) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "another instance runs (%lu), exit",
                     mutex.Valid() ? 0ul : GetLastError());
        return 0;
    }
    return m_service ? RunService() : RunPlain();
}

int CVxMdServiceModule::RegisterAppId(bool perUser, bool service) {
    HKEY root = perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    const std::string classes = perUser ? kPerUserClasses : "";
    const std::string appIdKey = classes + "AppID\\" + kAppId;
    LONG r = SetString(root, appIdKey, nullptr, m_name);
    if (r == ERROR_SUCCESS) r = SetString(root, classes + "AppID\\" + m_name + ".EXE", "AppID", kAppId);
    if (r == ERROR_SUCCESS) r = service ? SetString(root, appIdKey, kLocalService, m_name) : DeleteValue(root, appIdKey, kLocalService);
    if (r != ERROR_SUCCESS) VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "AppID registration failed %ld", r);
    return static_cast<int>(r);
}

int CVxMdServiceModule::UnregisterAppId(bool perUser) {
    HKEY root = perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    const std::string classes = perUser ? kPerUserClasses : "";
    const std::string appIdKey = classes + "AppID\\" + kAppId;
    LONG r = DeleteValue(root, appIdKey, kLocalService);
    if (r == ERROR_SUCCESS) r = DeleteKey(root, appIdKey);
    if (r == ERROR_SUCCESS) r = DeleteKey(root, classes + "AppID\\" + m_name + ".EXE");
    if (r != ERROR_SUCCESS) VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "AppID removal failed %ld", r);
    return static_cast<int>(r);
}

int CVxMdServiceModule::Unregister(bool perUser) {
    int result = Uninstall();
    return result ? result : UnregisterAppId(perUser);
}

bool CVxMdServiceModule::IsServiceRegistered() {
    CRegKeyHandle key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string("AppID\\") + kAppId).c_str(), 0, KEY_QUERY_VALUE,
                      key.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    return RegQueryValueExA(key.Get(), kLocalService, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool CVxMdServiceModule::IsInstalled() {
    CScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) return false;
    CScHandle service(OpenServiceA(scm.Get(), m_name, SERVICE_QUERY_CONFIG));
    return static_cast<bool>(service);
}

int CVxMdServiceModule::InstallService() {
    if (!IsInstalled()) {
        CScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!scm) {
            DWORD err = GetLastError();
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "OpenSCManager failed %lu", err);
            return static_cast<int>(err);
        }
        char path[MAX_PATH] = {};
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
        const std::wstring binary = L"\"" + Charset::String2WString(path) + L"\"";
        const std::wstring name = Charset::String2WString(m_name);
        // The wide call: Wine's CreateServiceA stores a dependency list that runs past its end.
        CScHandle service(CreateServiceW(scm.Get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                         binary.c_str(), nullptr, nullptr, kDependencies, nullptr, nullptr));
        if (!service) {
            DWORD err = GetLastError();
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "CreateService failed %lu", err);
            return static_cast<int>(err);
        }
    }
    return WriteFailureActions();
}

int CVxMdServiceModule::WriteFailureActions() {
    // Reset period, reboot message, command, action count, offset of the actions, then three
    // restarts after a minute each.
    const DWORD value[] = {0, 0, 0, 3, 20, SC_ACTION_RESTART, kRestartDelayMs, SC_ACTION_RESTART, kRestartDelayMs,
                           SC_ACTION_RESTART, kRestartDelayMs};
    static_assert(sizeof value == 44, "the value's layout is fixed");
    CRegKeyHandle key;
    LONG r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kServicesKey) + m_name).c_str(), 0, KEY_SET_VALUE,
                           key.Receive());
    if (r == ERROR_SUCCESS) {
        r = RegSetValueExA(key.Get(), kFailureActions, 0, REG_BINARY, reinterpret_cast<const BYTE*>(value), sizeof value);
    }
    if (r != ERROR_SUCCESS) VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "FailureActions failed %ld", r);
    return static_cast<int>(r);
}

int CVxMdServiceModule::Uninstall() {
    if (!IsInstalled()) return 0;
    CScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) {
        DWORD err = GetLastError();
        Complain("Could not open Service Manager");
        return static_cast<int>(err);
    }
    CScHandle service(OpenServiceA(scm.Get(), m_name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        DWORD err = GetLastError();
        Complain("Could not open service");
        return static_cast<int>(err);
    }
    SERVICE_STATUS status = {};
    if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        // Deletion completes only when the process has ended; give the stop its time.
        const DWORD start = GetTickCount();
        while (status.dwCurrentState != SERVICE_STOPPED && GetTickCount() - start < kUninstallStopWaitMs) {
            Sleep(100);
            if (!QueryServiceStatus(service.Get(), &status)) break;
        }
    } else {
        DWORD err = GetLastError();
        if (err != ERROR_SERVICE_NOT_ACTIVE && err != ERROR_SERVICE_CANNOT_ACCEPT_CTRL) {
            VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "ControlService failed %lu", err);
            Complain("Could not stop service");
        }
    }
    if (!DeleteService(service.Get())) {
        DWORD err = GetLastError();
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "DeleteService failed %lu", err);
        Complain("Could not delete service");
        return static_cast<int>(err);
    }
    return 0;
}

void CVxMdServiceModule::Complain(const char* text) {
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "%s", text);
    WriteStd(STD_ERROR_HANDLE, std::string(text) + "\n");
    char quiet[8] = {};
    if (GetEnvironmentVariableA(kNoUiVariable, quiet, sizeof quiet) > 0 || !WindowStationVisible()) return;
    MessageBoxA(nullptr, text, m_name, MB_OK | MB_ICONERROR);
}

void CVxMdServiceModule::LogEvent(const char* text) {
    VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "%s", text);
    HANDLE source = RegisterEventSourceA(nullptr, m_name);
    if (source) {
        const char* strings[] = {text};
        ReportEventA(source, EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(source);
    }
    if (!m_service) WriteStd(STD_OUTPUT_HANDLE, std::string(text) + "\n");
}

bool CVxMdServiceModule::StartWorker() {
    std::lock_guard<std::mutex> hold(m_workerLock);
    if (!m_worker) m_worker = std::make_unique<CRealRunService>();
    return m_worker->Start();
}

void CVxMdServiceModule::StopWorker() {
    std::lock_guard<std::mutex> hold(m_workerLock);
    if (!m_worker) return;
    m_worker->Stop();
    m_worker.reset();
}

void CVxMdServiceModule::RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int CVxMdServiceModule::RunPlain() {
    m_serviceThreadId = GetCurrentThreadId();
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 0;
    if (StartWorker()) {
        LogEvent("Service started");
        RunMessageLoop();
        LogEvent("Service stopped");
    } else {
        result = ERROR_SERVICE_SPECIFIC_ERROR;
    }
    StopWorker();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

int CVxMdServiceModule::RunService() {
    m_serviceDone.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SERVICE_TABLE_ENTRYA table[] = {{m_name, ServiceMainEntry}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        DWORD err = GetLastError();
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "StartServiceCtrlDispatcher failed %lu", err);
        return static_cast<int>(err);
    }
    return static_cast<int>(m_status.dwWin32ExitCode);
}

void WINAPI CVxMdServiceModule::ServiceMainEntry(DWORD, LPSTR*) {
    try {
        s_module->ServiceMain();
    } catch (...) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "exception in ServiceMain");
    }
}

void WINAPI CVxMdServiceModule::HandlerEntry(DWORD code) {
    try {
        s_module->Handler(code);
    } catch (...) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "exception in the control handler");
    }
}

void CVxMdServiceModule::ServiceMain() {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue the stop's WM_QUIT goes to
    m_serviceThreadId = GetCurrentThreadId();
    m_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    m_statusHandle = RegisterServiceCtrlHandlerA(m_name, HandlerEntry);
    if (!m_statusHandle) {
        LogEvent("Handler not installed");
        return;
    }
    SetStatus(SERVICE_START_PENDING);
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (StartWorker()) {
        LogEvent("Service started");
        if (!m_stopRequested) SetStatus(SERVICE_RUNNING);
        RunMessageLoop();
    } else {
        std::lock_guard<std::mutex> hold(m_statusLock);
        m_status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    }
    StopWorker();  // already done when a stop request ended the loop
    if (SUCCEEDED(com)) CoUninitialize();
    LogEvent("Service stopped");
    SetEvent(m_serviceDone.Get());
    if (!m_stopRequested) SetStatus(SERVICE_STOPPED);
}

void CVxMdServiceModule::Handler(DWORD code) {
    switch (code) {
    case SERVICE_CONTROL_STOP:
        m_stopRequested = true;
        SetStatus(SERVICE_STOP_PENDING);
        StopWorker();
        PostThreadMessageA(m_serviceThreadId, WM_QUIT, 0, 0);
        // Reporting STOPPED lets the process end: give ServiceMain its time to finish first.
        WaitForSingleObject(m_serviceDone.Get(), kStopWaitMs);
        SetStatus(SERVICE_STOPPED);
        break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
    case SERVICE_CONTROL_INTERROGATE:
    case SERVICE_CONTROL_SHUTDOWN:
        break;
    default:
        LogEvent("Bad service request");
        break;
    }
}

void CVxMdServiceModule::SetStatus(DWORD state) {
    std::lock_guard<std::mutex> hold(m_statusLock);
    m_status.dwCurrentState = state;
    // A stop is taken only once running: the start must not race the stop sequence.
    m_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    m_status.dwCheckPoint = 0;
    m_status.dwWaitHint = state == SERVICE_STOP_PENDING ? kStopPendingHintMs : 0;
    if (!SetServiceStatus(m_statusHandle, &m_status)) {
        VxMdLog::Log(kServiceLogFile, VxMdLog::LEVEL_DEBUG, kTag, "SetServiceStatus(%lu) failed %lu", state,
                     GetLastError());
    }
}
