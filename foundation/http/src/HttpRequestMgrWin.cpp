#include "HttpRequestMgrWin.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "CacheFs.h"
#include "vxlib/Charset.h"

namespace {

const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                            INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_KEEP_CONNECTION;
const char kPartSuffix[] = ".vxpart";
const size_t kMaxWholeReply = 256u * 1024 * 1024;
const size_t kMaxFinishedTasks = 256;

struct InternetHandle {
    HINTERNET h = nullptr;
    ~InternetHandle() { Reset(); }
    void Reset() {
        if (h) InternetCloseHandle(h);
        h = nullptr;
    }
};

struct Request {
    std::mutex lock;
    InternetHandle connect;   // only for requests with a body
    InternetHandle request;
    int status = 0;
    long long length = -1;
    long long read = 0;
    bool ended = false;
};

struct Task {
    int id = 0;
    std::string url, path;
    IVxHttpRequestObserver* observer = nullptr;
    std::atomic<bool> stop{false};
    std::thread::id thread;
    std::mutex lock;
    std::condition_variable cv;
    bool started = false;   // the id has been handed to the caller
    bool done = false;      // the last callback has returned
    VxHttpProgress progress{};
};

bool IsHttpUrl(const char* url) {
    return url && (_strnicmp(url, "http://", 7) == 0 || _strnicmp(url, "https://", 8) == 0) && std::strlen(url) < 8192;
}

int LastInternetError() {
    DWORD e = GetLastError();
    return e ? static_cast<int>(e) : VXHTTP_ERR_SYSTEM;
}

class CHttpRequestMgr : public IVxHttpRequestMgr {
public:
    int OpenRequest(const char* url, int flag, const char* headers, int* handle, int* error, int) override;
    int SendRequest(const char* url, int method, const char* body, int length, int* handle, int* error, int) override;
    int ReadPart(int handle, char* buffer, int* length, int* error) override;
    int ReadAll(int handle, char** data, int* length, int* error) override;
    void CloseRequest(int handle) override;
    int GetReplyInfo(int handle, int* status, long long* contentLength) override;
    int StartDownload(const char* url, IVxHttpRequestObserver* observer, const char* path) override;
    int GetTaskProgress(int taskId, VxHttpProgress* progress) override;
    int StopTask(int taskId, VxHttpProgress* progress) override;
    int WaitTask(int taskId, unsigned int ms) override;
    int Init(int debug, const char* workDir) override;
    int GetErrorText(std::string& text, int error) override;

private:
    HINTERNET Session();
    void Trace(const char* format, ...);
    int Register(const std::shared_ptr<Request>& r);
    std::shared_ptr<Request> Find(int handle);
    int Finish(const std::shared_ptr<Request>& r, int* handle, int* error);
    int Read(Request& r, char* buffer, int* length, int* error);
    std::shared_ptr<Task> FindTask(int id);
    void RunTask(const std::shared_ptr<Task>& task);
    int Download(Task& task, long long& total, long long& done, DWORD start);

    std::mutex m_lock;
    HINTERNET m_session = nullptr;
    bool m_debug = false;
    std::string m_workDir;
    int m_nextHandle = 1;
    int m_nextTask = 1;
    std::map<int, std::shared_ptr<Request>> m_requests;
    std::map<int, std::shared_ptr<Task>> m_tasks;
};

HINTERNET CHttpRequestMgr::Session() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_session) {
        m_session = InternetOpenA("VxMelodisk/1.0", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        if (!m_session) Trace("InternetOpen failed, error %lu", GetLastError());
    }
    return m_session;
}

void CHttpRequestMgr::Trace(const char* format, ...) {
    if (!m_debug) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutputDebugStringA((std::string("VxHttp: ") + line + "\n").c_str());
}

int CHttpRequestMgr::Register(const std::shared_ptr<Request>& r) {
    std::lock_guard<std::mutex> lock(m_lock);
    int handle = m_nextHandle++;
    if (m_nextHandle <= 0) m_nextHandle = 1;
    m_requests[handle] = r;
    return handle;
}

std::shared_ptr<Request> CHttpRequestMgr::Find(int handle) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_requests.find(handle);
    return it == m_requests.end() ? nullptr : it->second;
}

// Reads the status and length of a sent request and hands out its handle when the status is good.
int CHttpRequestMgr::Finish(const std::shared_ptr<Request>& r, int* handle, int* error) {
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(r->request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        *error = LastInternetError();
        return 0;
    }
    r->status = static_cast<int>(status);
    char text[32] = {0};
    DWORD textSize = sizeof text - 1;
    if (HttpQueryInfoA(r->request.h, HTTP_QUERY_CONTENT_LENGTH, text, &textSize, nullptr)) {
        char* end = nullptr;
        long long n = std::strtoll(text, &end, 10);
        if (end != text && n >= 0) r->length = n;
    }
    if (status >= 400) {
        Trace("HTTP status %lu", status);
        *error = static_cast<int>(status);
        return 0;
    }
    *handle = Register(r);
    *error = VXHTTP_OK;
    return 1;
}

int CHttpRequestMgr::OpenRequest(const char* url, int, const char* headers, int* handle, int* error, int) {
    int dummy = 0;
    if (!error) error = &dummy;
    if (!handle || !IsHttpUrl(url)) {
        *error = VXHTTP_ERR_ARGUMENT;
        return 0;
    }
    *handle = 0;
    HINTERNET session = Session();
    if (!session) {
        *error = VXHTTP_ERR_NOT_READY;
        return 0;
    }
    Trace("GET %s", url);
    auto r = std::make_shared<Request>();
    bool extra = headers && *headers;
    r->request.h = InternetOpenUrlA(session, url, extra ? headers : nullptr, extra ? static_cast<DWORD>(-1) : 0,
                                    kRequestFlags, 0);
    if (!r->request.h) {
        *error = LastInternetError();
        Trace("GET %s failed, error %d", url, *error);
        return 0;
    }
    return Finish(r, handle, error);
}

int CHttpRequestMgr::SendRequest(const char* url, int method, const char* body, int length, int* handle,
                                 int* error, int) {
    int dummy = 0;
    if (!error) error = &dummy;
    if (!handle || !IsHttpUrl(url) || method != 1 || length < 0 || (length > 0 && !body)) {
        *error = VXHTTP_ERR_ARGUMENT;
        return 0;
    }
    *handle = 0;
    HINTERNET session = Session();
    if (!session) {
        *error = VXHTTP_ERR_NOT_READY;
        return 0;
    }
    URL_COMPONENTSA parts;
    ZeroMemory(&parts, sizeof parts);
    parts.dwStructSize = sizeof parts;
    std::vector<char> host(1024), path(8192), extra(8192);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(url, 0, 0, &parts) || !host[0]) {
        *error = VXHTTP_ERR_ARGUMENT;
        return 0;
    }
    Trace("POST %s (%d bytes)", url, length);
    auto r = std::make_shared<Request>();
    r->connect.h = InternetConnectA(session, host.data(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!r->connect.h) {
        *error = LastInternetError();
        return 0;
    }
    std::string object = std::string(path.data()) + extra.data();
    if (object.empty()) object = "/";
    DWORD flags = kRequestFlags & ~INTERNET_FLAG_RELOAD;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    r->request.h = HttpOpenRequestA(r->connect.h, "POST", object.c_str(), nullptr, nullptr, nullptr, flags | INTERNET_FLAG_RELOAD, 0);
    if (!r->request.h) {
        *error = LastInternetError();
        return 0;
    }
    static const char kType[] = "Content-Type: application/octet-stream\r\n";
    if (!HttpSendRequestA(r->request.h, kType, static_cast<DWORD>(-1), const_cast<char*>(body), static_cast<DWORD>(length))) {
        *error = LastInternetError();
        Trace("POST %s failed, error %d", url, *error);
        return 0;
    }
    return Finish(r, handle, error);
}

int CHttpRequestMgr::Read(Request& r, char* buffer, int* length, int* error) {
    if (r.ended) {
        *length = 0;
        return 1;
    }
    DWORD got = 0;
    if (!InternetReadFile(r.request.h, buffer, static_cast<DWORD>(*length), &got)) {
        *error = LastInternetError();
        *length = 0;
        return 0;
    }
    r.read += got;
    *length = static_cast<int>(got);
    if (got == 0) {
        // WinINet reports a connection that closed early as a plain end: compare with the length.
        if (r.length >= 0 && r.read < r.length) {
            *error = VXHTTP_ERR_TRUNCATED;
            return 0;
        }
        r.ended = true;
    }
    return 1;
}

int CHttpRequestMgr::ReadPart(int handle, char* buffer, int* length, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    if (!length || *length < 0 || (!buffer && *length > 0)) {
        *error = VXHTTP_ERR_ARGUMENT;
        return 0;
    }
    auto r = Find(handle);
    if (!r) {
        *length = 0;
        *error = VXHTTP_ERR_HANDLE;
        return 0;
    }
    std::lock_guard<std::mutex> lock(r->lock);
    *error = VXHTTP_OK;
    if (*length == 0) return 1;
    return Read(*r, buffer, length, error);
}

int CHttpRequestMgr::ReadAll(int handle, char** data, int* length, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    if (!data || !length) {
        *error = VXHTTP_ERR_ARGUMENT;
        return 0;
    }
    *data = nullptr;
    *length = 0;
    auto r = Find(handle);
    if (!r) {
        *error = VXHTTP_ERR_HANDLE;
        return 0;
    }
    std::lock_guard<std::mutex> lock(r->lock);
    std::string all;
    if (r->length > 0 && static_cast<unsigned long long>(r->length) <= kMaxWholeReply) all.reserve(static_cast<size_t>(r->length));
    std::vector<char> buf(65536);
    for (;;) {
        int n = static_cast<int>(buf.size());
        if (!Read(*r, buf.data(), &n, error)) return 0;
        if (n == 0) break;
        if (all.size() + static_cast<size_t>(n) > kMaxWholeReply) {
            *error = VXHTTP_ERR_TOO_LARGE;
            return 0;
        }
        all.append(buf.data(), static_cast<size_t>(n));
    }
    // One byte more, zero, so that a text reply can be used as a C string.
    char* out = static_cast<char*>(::operator new(all.size() + 1, std::nothrow));
    if (!out) {
        *error = VXHTTP_ERR_TOO_LARGE;
        return 0;
    }
    memcpy(out, all.data(), all.size());
    out[all.size()] = '\0';
    *data = out;
    *length = static_cast<int>(all.size());
    *error = VXHTTP_OK;
    return 1;
}

void CHttpRequestMgr::CloseRequest(int handle) {
    std::shared_ptr<Request> r;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_requests.find(handle);
        if (it == m_requests.end()) return;
        r = it->second;
        m_requests.erase(it);
    }
    // Waits for a read in progress on another thread; the handles close with the last reference.
    std::lock_guard<std::mutex> lock(r->lock);
    r->request.Reset();
    r->connect.Reset();
}

int CHttpRequestMgr::GetReplyInfo(int handle, int* status, long long* contentLength) {
    auto r = Find(handle);
    if (!r) return 0;
    if (status) *status = r->status;
    if (contentLength) *contentLength = r->length;
    return 1;
}

std::shared_ptr<Task> CHttpRequestMgr::FindTask(int id) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_tasks.find(id);
    return it == m_tasks.end() ? nullptr : it->second;
}

int CHttpRequestMgr::StartDownload(const char* url, IVxHttpRequestObserver* observer, const char* path) {
    if (!observer) return 0;
    auto task = std::make_shared<Task>();
    task->url = url ? url : "";
    task->path = path ? path : "";
    task->observer = observer;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        task->id = m_nextTask++;
        if (m_nextTask <= 0) m_nextTask = 1;
        task->progress.taskId = task->id;
        task->progress.total = -1;
        if (m_tasks.size() >= kMaxFinishedTasks) {
            for (auto it = m_tasks.begin(); it != m_tasks.end();) {
                std::lock_guard<std::mutex> tl(it->second->lock);
                it = it->second->done ? m_tasks.erase(it) : std::next(it);
            }
        }
        m_tasks[task->id] = task;
    }
    try {
        std::thread worker([this, task] { RunTask(task); });
        {
            std::lock_guard<std::mutex> lock(task->lock);
            task->thread = worker.get_id();
        }
        worker.detach();
    } catch (...) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_tasks.erase(task->id);
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(task->lock);
        task->started = true;
    }
    task->cv.notify_all();
    return task->id;
}

void CHttpRequestMgr::RunTask(const std::shared_ptr<Task>& task) {
    try {
        {
            // No callback before the caller holds the id that the callbacks carry.
            std::unique_lock<std::mutex> lock(task->lock);
            task->cv.wait(lock, [&] { return task->started; });
        }
        IVxHttpRequestObserver* obs = task->observer;
        obs->OnDownloadBegin(task->id, task->url.c_str());
        long long total = -1, done = 0;
        int error = Download(*task, total, done, GetTickCount());
        int state = error == VXHTTP_OK ? 1 : (error == VXHTTP_ERR_STOPPED ? 3 : 2);
        {
            std::lock_guard<std::mutex> lock(task->lock);
            task->progress.state = state;
            task->progress.error = state == 2 ? error : 0;
        }
        if (state == 1)
            obs->OnDownloadFinished(task->id, task->path.c_str());
        else if (state == 3)
            obs->OnDownloadStopped(task->id);
        else
            obs->OnDownloadFailed(task->id, error);
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> lock(task->lock);
        task->done = true;
    }
    task->cv.notify_all();
}

// Returns VXHTTP_OK, VXHTTP_ERR_STOPPED or the failure's error code.
int CHttpRequestMgr::Download(Task& task, long long& total, long long& done, DWORD start) {
    if (task.path.empty()) return VXHTTP_ERR_ARGUMENT;
    int handle = 0, error = 0;
    if (task.stop) return VXHTTP_ERR_STOPPED;
    if (!OpenRequest(task.url.c_str(), 0, "", &handle, &error, 0)) return error ? error : VXHTTP_ERR_SYSTEM;
    struct Closer {
        CHttpRequestMgr* mgr;
        int handle;
        ~Closer() { mgr->CloseRequest(handle); }
    } closer{this, handle};
    GetReplyInfo(handle, nullptr, &total);
    {
        std::lock_guard<std::mutex> lock(task.lock);
        task.progress.total = total;
    }
    std::string part = task.path + kPartSuffix;
    std::FILE* file = CacheFs::Open(part, "wb");
    if (!file) return VXHTTP_ERR_FILE;
    std::vector<char> buf(256 * 1024);
    int result = VXHTTP_OK;
    for (;;) {
        if (task.stop) {
            result = VXHTTP_ERR_STOPPED;
            break;
        }
        int n = static_cast<int>(buf.size());
        if (!ReadPart(handle, buf.data(), &n, &error)) {
            result = error ? error : VXHTTP_ERR_SYSTEM;
            break;
        }
        if (n == 0) break;
        if (std::fwrite(buf.data(), 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) {
            result = VXHTTP_ERR_FILE;
            break;
        }
        done += n;
        {
            std::lock_guard<std::mutex> lock(task.lock);
            task.progress.done = done;
        }
        DWORD ms = GetTickCount() - start;
        long long speed = ms ? done * 1000 / ms : done;
        task.observer->OnDownloadProgress(task.id, total, done, speed > INT_MAX ? INT_MAX : static_cast<int>(speed));
    }
    if (std::fclose(file) != 0 && result == VXHTTP_OK) result = VXHTTP_ERR_FILE;
    if (result == VXHTTP_OK && task.stop) result = VXHTTP_ERR_STOPPED;
    if (result == VXHTTP_OK && !CacheFs::Replace(part, task.path)) result = VXHTTP_ERR_FILE;
    if (result != VXHTTP_OK) CacheFs::Remove(part);
    return result;
}

int CHttpRequestMgr::GetTaskProgress(int taskId, VxHttpProgress* progress) {
    auto task = FindTask(taskId);
    if (!task) return 0;
    std::lock_guard<std::mutex> lock(task->lock);
    if (progress) *progress = task->progress;
    return 1;
}

int CHttpRequestMgr::StopTask(int taskId, VxHttpProgress* progress) {
    auto task = FindTask(taskId);
    if (!task) return 0;
    task->stop = true;
    std::unique_lock<std::mutex> lock(task->lock);
    if (task->thread != std::this_thread::get_id()) task->cv.wait(lock, [&] { return task->done; });
    if (progress) {
        *progress = task->progress;
        if (!task->done) progress->state = 3;   // stopping: its stop callback follows this call
    }
    return 1;
}

int CHttpRequestMgr::WaitTask(int taskId, unsigned int ms) {
    auto task = FindTask(taskId);
    if (!task) return 0;
    std::unique_lock<std::mutex> lock(task->lock);
    if (task->thread == std::this_thread::get_id()) return task->done ? 1 : 0;
    return task->cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return task->done; }) ? 1 : 0;
}

int CHttpRequestMgr::Init(int debug, const char* workDir) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_debug = debug != 0;
        m_workDir = workDir ? workDir : "";
    }
    if (!Session()) return 0;
    return m_workDir.empty() || CacheFs::MakeDirs(m_workDir) ? 1 : 0;
}

int CHttpRequestMgr::GetErrorText(std::string& text, int error) {
    static const char* const kTexts[] = {
        "no error", "invalid argument", "unknown or closed request handle or task",
        "the connection ended before the whole reply arrived", "a local file could not be written or renamed",
        "the task was stopped", "the reply is too large", "the request manager is not ready",
        "a system call failed"};
    if (error >= 0 && error < static_cast<int>(sizeof kTexts / sizeof kTexts[0])) {
        text = kTexts[error];
        return 1;
    }
    char buf[512];
    if (error >= 400 && error <= 599) {
        std::snprintf(buf, sizeof buf, "the server answered with HTTP status %d", error);
        text = buf;
        return 1;
    }
    if (error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleA("wininet.dll"),
                                 static_cast<DWORD>(error), 0, buf, sizeof buf, nullptr);
        while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == ' ')) --n;
        text = n ? std::string(buf, n) : "internet error " + std::to_string(error);
        return 1;
    }
    text = "unknown error " + std::to_string(error);
    return 0;
}

}  // namespace

IVxHttpRequestMgr* CreateHttpRequestMgr() { return new (std::nothrow) CHttpRequestMgr(); }
