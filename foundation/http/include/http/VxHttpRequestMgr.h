#pragma once
#include <string>

// HTTP requests, a disk cache of downloaded items and cached item groups, each behind one
// process-wide interface (AfxGetHttpRequestMgr, AfxGetFileCache, AfxGetHtchFileMgr). Callers fetch
// the pointer anew at each use and never release it. Every operation may be called from any
// thread at the same time; nothing throws. Virtual functions are in their fixed slot order: never
// reorder them, only append.

#if defined(_WIN32)
#  ifdef VXHTTPREQUESTMGR_BUILD
#    define VXHTTP_API __declspec(dllexport)
#  else
#    define VXHTTP_API __declspec(dllimport)
#  endif
#else
#  define VXHTTP_API
#endif

// Error codes of the out error arguments. 0 is success; an HTTP status (400 to 599) means the
// server answered with a failure; 12000 to 12999 are the system's internet errors; the rest:
enum VxHttpError {
    VXHTTP_OK = 0,
    VXHTTP_ERR_ARGUMENT = 1,      // a null pointer, an empty or malformed address
    VXHTTP_ERR_HANDLE = 2,        // unknown or already closed handle or task
    VXHTTP_ERR_TRUNCATED = 3,     // the connection ended before the announced length
    VXHTTP_ERR_FILE = 4,          // a local file could not be written, renamed or read
    VXHTTP_ERR_STOPPED = 5,       // the task was stopped
    VXHTTP_ERR_TOO_LARGE = 6,     // a whole reply does not fit in memory
    VXHTTP_ERR_NOT_READY = 7,     // used before initialisation / wiring
    VXHTTP_ERR_SYSTEM = 8,        // another failed system call
};

// Progress of an asynchronous task. Sizes are 64-bit so that percentages of large files do not
// overflow; total is -1 while the server has not announced a length.
struct VxHttpProgress {
    int taskId;
    long long total;
    long long done;
    int state;   // 0 running, 1 finished, 2 failed, 3 stopped
    int error;   // VxHttpError or HTTP status when state is 2
};

// Told about asynchronous tasks, on the request manager's worker thread of the task. A callback may
// call StopTask for its own task. After the last callback of a task (stopped, finished or failed)
// nothing more is called for it.
class IVxHttpRequestObserver {
public:
    virtual void OnDownloadBegin(int taskId, const char* url) = 0;
    // speed: bytes per second over the task so far.
    virtual void OnDownloadProgress(int taskId, long long total, long long done, int speed) = 0;
    virtual void OnDownloadStopped(int taskId) = 0;
    // text: the final file's path.
    virtual void OnDownloadFinished(int taskId, const char* text) = 0;
    // Redirect notice: task id, HTTP status of the redirect, attempt number. Optional to act on.
    virtual void OnDownloadInfo(int taskId, int code, int value) = 0;
    virtual void OnDownloadFailed(int taskId, int error) = 0;
    virtual void OnUploadBegin(int taskId) = 0;
    virtual void OnUploadProgress(long long total, long long done, int speed) = 0;
    virtual void OnUploadStopped() = 0;
    virtual void OnUploadFinished(const char* reply, int length) = 0;
    virtual void OnUploadFailed(int error) = 0;
    virtual ~IVxHttpRequestObserver() {}
};

// Requests. A handle of OpenRequest/SendRequest stays valid until CloseRequest; reads of one handle
// are serialised, and a close from another thread waits for a read in progress.
class IVxHttpRequestMgr {
public:
    // Streamed GET. flag: 0. headers: extra request header lines ("" or null for none).
    // Non-zero when the reply's status arrived and is below 400; then *handle is set and *error 0.
    virtual int OpenRequest(const char* url, int flag, const char* headers, int* handle, int* error,
                            int reserved) = 0;
    // method: 1 POST (the only one so far) with body (may be null when length is 0).
    // Non-zero with *error 0 when the server accepted it with a status below 400.
    virtual int SendRequest(const char* url, int method, const char* body, int length, int* handle,
                            int* error, int reserved) = 0;
    // Reads the next part: *length holds the capacity on entry, the bytes read on return. A
    // complete reply ends with success and *length 0; a reply cut short ends with 0 and
    // VXHTTP_ERR_TRUNCATED.
    virtual int ReadPart(int handle, char* buffer, int* length, int* error) = 0;
    // Reads the rest of the reply into a buffer from operator new (release with operator delete;
    // null when the reply is empty). Non-zero on success.
    virtual int ReadAll(int handle, char** data, int* length, int* error) = 0;
    virtual void CloseRequest(int handle) = 0;
    // The reply's HTTP status and announced length (-1 when not announced). Non-zero for a
    // valid handle.
    virtual int GetReplyInfo(int handle, int* status, long long* contentLength) = 0;
    // Downloads url to path on a worker thread, telling observer. The file appears under its name
    // only when complete: until then the data goes to path + ".vxpart", which a stop or failure
    // deletes. Returns the task id (above 0), 0 when no task could be started.
    virtual int StartDownload(const char* url, IVxHttpRequestObserver* observer, const char* path) = 0;
    // Fills progress for a task that still runs or ended. Non-zero for a known task.
    virtual int GetTaskProgress(int taskId, VxHttpProgress* progress) = 0;
    // Stops a task and fills progress (may be null). Called from another thread it returns after
    // the task's last callback (OnDownloadStopped, or the end it reached first); called from the
    // task's own callback it returns at once and OnDownloadStopped follows. Non-zero for a known task.
    virtual int StopTask(int taskId, VxHttpProgress* progress) = 0;
    // Waits up to ms milliseconds for a task to end. Non-zero when it has ended.
    virtual int WaitTask(int taskId, unsigned int ms) = 0;
    // debug: trace every request to the debugger output. workDir: the folder of the manager's
    // own files. Non-zero on success; may be called again to change either.
    virtual int Init(int debug, const char* workDir) = 0;
    // The text of an error code of this interface. Non-zero when the code is known.
    virtual int GetErrorText(std::string& text, int error) = 0;
};

// A disk cache of items named by (group, address), one file per item below the cache folder.
// An item becomes visible only when completely written, so a crash mid-write leaves nothing that
// reads as complete.
class IVxFileCache {
public:
    // dir: the cache folder (created when missing). Non-zero on success.
    virtual int Init(int debug, const char* dir) = 0;
    // The whole item into data. Non-zero when a complete copy exists.
    virtual int ReadItem(const char* group, const char* name, std::string& data) = 0;
    // Stores a whole item. pinned: 1 keeps it out of the group's eviction and expiry (for items the
    // program owns, such as a history), 0 lets it go like any downloaded item. Non-zero on success.
    virtual int WriteItem(const char* group, const char* name, const char* data, int length,
                          int pinned) = 0;
    // Non-zero when a complete copy exists; size in bytes and stored time (seconds since 1970).
    virtual int GetItemInfo(const char* group, const char* name, long long* size, long long* stored) = 0;
    // Streamed writing: Begin returns a write handle (0 on failure); Append adds data; Commit
    // makes the item visible (replacing an older copy) and applies the group's limits; Abort
    // forgets what was written. Commit and Abort end the handle.
    virtual int BeginWrite(const char* group, const char* name) = 0;
    virtual int AppendWrite(int writeHandle, const char* data, int length) = 0;
    virtual int CommitWrite(int writeHandle) = 0;
    virtual void AbortWrite(int writeHandle) = 0;
    // Streamed reading of a complete copy: Open returns a read handle (0 when there is no copy);
    // Read fills *length bytes at most (0 at the end); Close ends the handle.
    virtual int OpenRead(const char* group, const char* name) = 0;
    virtual int ReadPart(int readHandle, char* buffer, int* length) = 0;
    virtual void CloseRead(int readHandle) = 0;
    // Limits of a group, applied at each commit: items older than maxAge seconds (0: no limit),
    // more than maxCount items or maxBytes bytes (0: no limit) go, oldest first; pinned items stay.
    virtual int SetGroupLimits(const char* group, long long maxAge, int maxCount, long long maxBytes) = 0;
    // Deletes the cached copy. 0 when no copy remains afterwards (also when there was none),
    // -1 when it could not be deleted.
    virtual int DeleteItem(const char* group, const char* name) = 0;
    // Deletes every item of a group, pinned ones too. 0 when none remains.
    virtual int ClearGroup(const char* group) = 0;
    virtual ~IVxFileCache() {}
};

// Cached item groups: an item is opened by address; it comes from the cache when a fresh complete
// copy exists, else from the server through the request manager while it is being stored.
//
// CreateGroup(name, retries, maxAge, maxCount, maxBytes, staleFallback):
//   retries        further fetch attempts after a failed first one (a failure before any byte of
//                  the body arrived: no connection, HTTP status 400 or above)
//   maxAge         seconds a cached copy is served without asking the server; 1 (or less) means
//                  "always ask the server", the copy then only serves when the server fails
//   maxCount       items kept in the group at most (0: no limit)
//   maxBytes       bytes kept in the group at most (0: no limit)
//   staleFallback  1: when every attempt failed, serve a cached copy however old
// So ("VX_NET_SONG", 3, 1, 100, 104857600, 1) fetches each list anew with up to four attempts and
// falls back to the last good copy when offline; ("VX_SEARCH_SONG", 0, 86400, 1000, 104857600, 1)
// answers a repeated search for a day from the cache and tries the server once.
class IVxHtchFileMgr {
public:
    virtual int SetFileCache(IVxFileCache* cache) = 0;
    virtual int SetRequestMgr(IVxHttpRequestMgr* requests) = 0;
    // Non-zero on success; creating an existing group updates its numbers.
    virtual int CreateGroup(const char* name, int retries, int maxAge, int maxCount, int maxBytes,
                            int staleFallback) = 0;
    // Non-zero with *handle set when the item can be read (from the cache or the server).
    virtual int OpenItem(const char* group, const char* address, int* handle) = 0;
    // The item's length when known (-1 otherwise). Non-zero for a valid handle.
    virtual int GetItemLength(int handle, long long* length) = 0;
    // Reads the next part: *length holds the capacity on entry, the bytes read on return (0 at the
    // end). 0 on failure (connection lost, item cut short).
    virtual int ReadItem(int handle, char* buffer, int* length) = 0;
    // Ends the handle. keep 1: a fetched item that was read to its complete end is stored. A fetched
    // item closed with keep 0, or not read whole, is not stored; a copy from an earlier fetch stays.
    // A cached copy that was read and closed with keep 0 is deleted. Returns non-zero when the
    // result is what keep asked for (0 when keep was 1 but the item could not be stored).
    virtual int CloseItem(int handle, int keep) = 0;
    // local: 1 when served from the cache. status: HTTP status of the fetch (0 when served from
    // the cache without asking). bytes: bytes delivered to the reader so far. Non-zero for a valid
    // handle.
    virtual int GetItemStatus(int handle, int* local, int* status, int* bytes) = 0;
    // The same figures for the last opened item of (group, address), also after its close.
    virtual int GetLastStatus(const char* group, const char* address, int* local, int* status,
                              int* bytes) = 0;
    virtual ~IVxHtchFileMgr() {}
};

extern "C" {
VXHTTP_API IVxHttpRequestMgr* AfxGetHttpRequestMgr();
VXHTTP_API IVxFileCache* AfxGetFileCache();
VXHTTP_API IVxHtchFileMgr* AfxGetHtchFileMgr();
}
