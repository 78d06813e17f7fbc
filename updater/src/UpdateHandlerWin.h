#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "http/VxHttpRequestMgr.h"
#include "updatelib/UpdateInfo.h"
#include "vxlib/HandleWin.h"

class CUpdateNotifier;

// Runs one update task on the main thread: asks the configuration server, downloads the package,
// optionally starts it and leaves the outcome in the result file. The download callbacks come on
// the request manager's threads and touch only the status and the two events.
class CUpdateHandler : public IVxHttpRequestObserver {
public:
    // Status of the last download.
    enum { kStopped = 0, kEndedByManager = 1, kCompleted = 2, kFailed = 3 };

    CUpdateHandler(const UpdateInfo& task, CUpdateNotifier& notifier);
    ~CUpdateHandler() override;
    CUpdateHandler(const CUpdateHandler&) = delete;
    CUpdateHandler& operator=(const CUpdateHandler&) = delete;

    // Works the task to its end. Returns the result written (1 downloaded or up to date, 0 failed);
    // -1 when the task did not start because another updater holds it.
    int Run();
    // True when a download of this handler never ended: it may still call back, so the handler
    // must live as long as the process.
    bool LeftADownloadBehind() const { return m_abandoned; }

    void OnDownloadBegin(int taskId, const char* url) override;
    void OnDownloadProgress(int taskId, long long total, long long done, int speed) override;
    void OnDownloadStopped(int taskId) override;
    void OnDownloadFinished(int taskId, const char* text) override;
    void OnDownloadInfo(int taskId, int code, int value) override;
    void OnDownloadFailed(int taskId, int error) override;
    void OnUploadBegin(int taskId) override;
    void OnUploadProgress(long long total, long long done, int speed) override;
    void OnUploadStopped() override;
    void OnUploadFinished(const char* reply, int length) override;
    void OnUploadFailed(int error) override;

private:
    int Work(std::string& target, std::string& latestVersion);
    bool FetchAnswer(const std::string& url, const std::string& answerFile);
    bool DownloadOnce(const std::string& url, const std::string& target);
    bool Download(const std::string& url, const std::string& target, const std::string& sha256);
    void StartPackage(const std::string& target);
    void WriteResult(int result, const std::string& target, const std::string& version);

    UpdateInfo m_task;
    CUpdateNotifier& m_notifier;
    CHandle m_mutex;
    CHandle m_stopEvent;
    CHandle m_doneEvent;
    std::atomic<int> m_downloadId{-1};
    std::atomic<int> m_status{kCompleted};
    std::atomic<DWORD> m_lastActivity{0};  // tick of the last progress callback
    bool m_abandoned = false;
};
