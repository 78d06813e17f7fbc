#include "UpdateHandlerWin.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "UpdateCheck.h"
#include "UpdateNotifierWin.h"
#include "Sha256Win.h"
#include "config/ServerAddress.h"
#include "log/VxMdLog.h"
#include "updatelib/Update.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/SharedObjectsWin.h"

namespace {

const char kLog[] = "update.log";
const int kAttempts = 3;
const DWORD kDonePollMs = 500;
const DWORD kDeliverWaitMs = 3000;
const DWORD kTaskEndWaitMs = 30000;
// A download that stalls or never ends would keep the task's mutex, and every later update, for ever.
const DWORD kStallMs = 120000;
const DWORD kDownloadBoundMs = 2 * 60 * 60 * 1000;

// Test-only: VX_UPDATER_TIME_DIVISOR (a whole number above 1, read once) divides both bounds.
DWORD Bounded(DWORD ms) {
    static const DWORD divisor = [] {
        char text[16] = {};
        DWORD n = GetEnvironmentVariableA("VX_UPDATER_TIME_DIVISOR", text, sizeof text);
        long value = n > 0 && n < sizeof text ? std::strtol(text, nullptr, 10) : 0;
        return value > 1 && value <= 100000 ? static_cast<DWORD>(value) : 1u;
    }();
    return ms / divisor;
}

enum NotifyState { kNotifyStarted = 0, kNotifyRequestBuilt = 1, kNotifyProgress = 2, kNotifyStarting = 3, kNotifyEnded = 4 };

void DeleteFileNarrow(const std::string& path) { DeleteFileW(Charset::String2WString(path).c_str()); }

}  // namespace

CUpdateHandler::CUpdateHandler(const UpdateInfo& task, CUpdateNotifier& notifier)
    : m_task(task), m_notifier(notifier), m_doneEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CUpdateHandler::~CUpdateHandler() = default;

int CUpdateHandler::Run() {
    const std::string& className = m_task.GetClassNameA();
    const std::string& savePath = m_task.GetSavePath();
    if (!Dir::MakeDir(savePath)) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "UpdateTask", "MakeDir %s failed", savePath.c_str());
        return 0;
    }
    bool existed = false;
    m_mutex.Reset(SharedObjects::CreateSharedMutex(Charset::String2WString(className + Update::kTaskMutexSuffix).c_str(), &existed));
    if (!m_mutex.Valid() || existed) {
        // Another updater works on this task: its result stays its own.
        VxMdLog::Log(kLog, VxMdLog::LEVEL_NOTICE, "UpdateTask", "%s is being updated elsewhere", className.c_str());
        m_mutex.Reset();
        return -1;
    }
    m_stopEvent.Reset(SharedObjects::CreateSharedEvent(Charset::String2WString(className).c_str(), true, false));
    if (!m_doneEvent.Valid()) {
        m_mutex.Reset();
        return 0;
    }

    WriteResult(0, std::string(), std::string());
    if (m_stopEvent.Valid()) ResetEvent(m_stopEvent.Get());
    m_notifier.Start();
    m_notifier.Send(className, kNotifyStarted, 0);

    std::string target, latestVersion;
    int result = 0;
    try {
        result = Work(target, latestVersion);
    } catch (...) {
        result = 0;
    }

    WriteResult(result, target, latestVersion);
    m_notifier.Send(className, kNotifyEnded, result);
    Sleep(kDeliverWaitMs);
    m_notifier.Stop();
    m_mutex.Reset();
    return result;
}

int CUpdateHandler::Work(std::string& target, std::string& latestVersion) {
    const std::string& savePath = m_task.GetSavePath();
    const std::string& className = m_task.GetClassNameA();

    std::string base = m_task.GetInfoUrl();
    if (base.empty()) base = GetServerAddress(kServerConfig);
    std::string param = VxMdUpdate::BuildCheckParam(className, m_task.GetCurVersion(), m_task.GetInstallSRC(),
                                                    m_task.GetUserID());
    std::string url;
    if (!VxMdUpdate::BuildCheckUrl(base, param, url)) return 0;
    m_notifier.Send(className, kNotifyRequestBuilt, 0);

    std::string answerFile = savePath + "\\" + className + ".ini";
    bool fetched = false;
    for (int attempt = 0; attempt < kAttempts && !fetched; ++attempt) fetched = FetchAnswer(url, answerFile);
    if (!fetched) return 0;

    std::string text;
    VxMdUpdate::UpdateAnswer answer;
    if (!Dir::ReadWholeFile(answerFile, text) ||
        !VxMdUpdate::ParseUpdateAnswer(text, GetServerAddress(kServerDownload), answer)) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "UpdateTask", "no usable answer in %s", answerFile.c_str());
        return 0;
    }
    latestVersion = answer.version;
    if (!VxMdUpdate::IsNewerVersion(m_task.GetCurVersion(), answer.version)) return 1;

    if (!VxMdUpdate::IsPlainPackageName(answer.fileName)) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "Download", "refused package name %s", answer.fileName.c_str());
        return 0;
    }
    target = savePath + "\\" + answer.fileName;
    if (!Download(answer.server + "/" + answer.fileName, target, answer.sha256)) return 0;
    if (!m_task.IsOnlyDownload()) {
        m_notifier.Send(className, kNotifyStarting, 1);
        StartPackage(target);
    }
    return 1;
}

bool CUpdateHandler::FetchAnswer(const std::string& url, const std::string& answerFile) {
    IVxHttpRequestMgr* http = AfxGetHttpRequestMgr();
    if (!http) return false;
    int handle = 0, error = 0;
    if (!http->SendRequest(url.c_str(), 1, nullptr, 0, &handle, &error, 0) || error != 0) {
        std::string reason;
        http->GetErrorText(reason, error);
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "UpdateCheck", "request failed: %d %s", error, reason.c_str());
        if (handle) http->CloseRequest(handle);
        return false;
    }
    char* data = nullptr;
    int length = 0;
    bool taken = http->ReadAll(handle, &data, &length, &error) != 0;
    std::string reply;
    if (taken && data && length > 0) reply.assign(data, static_cast<size_t>(length));
    operator delete(data);
    http->CloseRequest(handle);

    std::string decoded;
    bool ok = VxMdUpdate::DecodeCheckReply(reply, decoded) && Dir::WriteWholeFile(answerFile, decoded);
    if (!ok) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "UpdateCheck", "unusable reply (%d bytes)", length);
        if (taken) DeleteFileNarrow(answerFile);
    }
    return ok;
}

bool CUpdateHandler::DownloadOnce(const std::string& url, const std::string& target) {
    IVxHttpRequestMgr* http = AfxGetHttpRequestMgr();
    if (!http) return false;
    ResetEvent(m_doneEvent.Get());
    m_status = kCompleted;
    int id = http->StartDownload(url.c_str(), this, target.c_str());
    if (id <= 0) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "Download", "could not start %s", url.c_str());
        m_status = kFailed;
        return false;
    }
    m_downloadId = id;
    const DWORD started = GetTickCount();
    m_lastActivity = started;
    while (WaitForSingleObject(m_doneEvent.Get(), kDonePollMs) != WAIT_OBJECT_0) {
        DWORD now = GetTickCount();
        if (now - m_lastActivity < Bounded(kStallMs) && now - started < Bounded(kDownloadBoundMs)) continue;
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "Download", "%s after %lu ms, given up: %s",
                     now - m_lastActivity >= Bounded(kStallMs) ? "no data" : "not done", now - started, url.c_str());
        // Set first: the stop's own callback keeps a status that is not "completed".
        m_status = kFailed;
        // A read that never returns would hold StopTask as well: it is asked for on a thread of its own.
        std::thread([http, id] { http->StopTask(id, nullptr); }).detach();
        break;
    }
    // A stop from a callback is followed by one more callback: this handler must outlive it.
    if (!http->WaitTask(id, Bounded(kTaskEndWaitMs))) {
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "Download", "task %d does not end, left behind", id);
        m_abandoned = true;
    }
    m_downloadId = -1;
    return m_status == kCompleted;
}

bool CUpdateHandler::Download(const std::string& url, const std::string& target, const std::string& sha256) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (DownloadOnce(url, target)) {
            if (sha256.empty()) return true;
            // The server vouches for the bytes: a package that differs is never kept or started.
            unsigned char expected[32], actual[32];
            bool match = VxMdUpdate::ParseSha256Hex(sha256, expected) &&
                         VxMdUpdate::HashFileSha256(target, actual) && std::memcmp(expected, actual, 32) == 0;
            if (match) return true;
            VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "Download", "sha256 mismatch, %s deleted", target.c_str());
            DeleteFileNarrow(target);
            return false;
        }
        if (m_status == kStopped) return false;
    }
    return false;
}

void CUpdateHandler::StartPackage(const std::string& target) {
    if (!VxMdUpdate::IsStartablePackage(target)) return;
    const char* params = m_task.IsSetupSilent() ? " /S" : nullptr;
    HINSTANCE started = ShellExecuteA(nullptr, "open", target.c_str(), params, m_task.GetSavePath().c_str(),
                                      SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32)
        VxMdLog::Log(kLog, VxMdLog::LEVEL_WARNING, "StartPackage", "%s failed: %d", target.c_str(),
                     static_cast<int>(reinterpret_cast<INT_PTR>(started)));
}

void CUpdateHandler::WriteResult(int result, const std::string& target, const std::string& version) {
    const std::string& savePath = m_task.GetSavePath();
    if (!PathIsDirectoryA(savePath.c_str())) return;
    std::string file = savePath + "\\" + Update::kResultFileName;
    const char* section = m_task.GetClassNameA().c_str();
    char now[32];
    std::snprintf(now, sizeof now, "%lld", static_cast<long long>(std::time(nullptr)));
    WritePrivateProfileStringA(section, "IsDownloadSuccess", result == 1 ? "1" : "0", file.c_str());
    WritePrivateProfileStringA(section, "SavePath", target.c_str(), file.c_str());
    WritePrivateProfileStringA(section, "Time", now, file.c_str());
    WritePrivateProfileStringA(section, "Version", version.c_str(), file.c_str());
}

void CUpdateHandler::OnDownloadBegin(int, const char*) {}

void CUpdateHandler::OnDownloadProgress(int taskId, long long total, long long done, int) {
    try {
        if (taskId != m_downloadId) return;
        if (m_stopEvent.Valid() && WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0) {
            if (IVxHttpRequestMgr* http = AfxGetHttpRequestMgr()) http->StopTask(taskId, nullptr);
            m_status = kStopped;
            SetEvent(m_doneEvent.Get());
            return;
        }
        m_lastActivity = GetTickCount();
        m_notifier.Send(m_task.GetClassNameA(), kNotifyProgress, VxMdUpdate::ProgressPercent(total, done));
    } catch (...) {
    }
}

void CUpdateHandler::OnDownloadStopped(int taskId) {
    if (taskId != m_downloadId) return;
    // A stop asked for through the stop event keeps its own status.
    int expected = kCompleted;
    m_status.compare_exchange_strong(expected, kEndedByManager);
    SetEvent(m_doneEvent.Get());
}

void CUpdateHandler::OnDownloadFinished(int taskId, const char*) {
    if (taskId != m_downloadId) return;
    if (m_status != kStopped) m_status = kCompleted;
    SetEvent(m_doneEvent.Get());
}

void CUpdateHandler::OnDownloadInfo(int, int, int) {}

void CUpdateHandler::OnDownloadFailed(int taskId, int) {
    if (taskId != m_downloadId) return;
    if (m_status != kStopped) m_status = kFailed;
    SetEvent(m_doneEvent.Get());
}

void CUpdateHandler::OnUploadBegin(int) { std::printf("upload task begin\n"); }

void CUpdateHandler::OnUploadProgress(long long total, long long done, int speed) {
    std::printf("upload task process nTotalsize=%lld cursize=%lld speed=%d\n", total, done, speed);
}

void CUpdateHandler::OnUploadStopped() { std::printf("upload task is stopped\n"); }

void CUpdateHandler::OnUploadFinished(const char* reply, int length) {
    std::printf("upload task finished\n");
    if (reply && length > 0) std::printf("%.*s\n", length, reply);
}

void CUpdateHandler::OnUploadFailed(int error) { std::printf("upload task failed, err=%d\n", error); }
