#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "http/VxHttpRequestMgr.h"

// The item-group manager behind AfxGetHtchFileMgr: serves an item from the cache when a fresh
// complete copy exists, else streams it from the request manager into the cache as the caller
// reads it. Portable: it knows the other two only by their interfaces.
class CHtchFileMgr : public IVxHtchFileMgr {
public:
    int SetFileCache(IVxFileCache* cache) override;
    int SetRequestMgr(IVxHttpRequestMgr* requests) override;
    int CreateGroup(const char* name, int retries, int maxAge, int maxCount, int maxBytes,
                    int staleFallback) override;
    int OpenItem(const char* group, const char* address, int* handle) override;
    int GetItemLength(int handle, long long* length) override;
    int ReadItem(int handle, char* buffer, int* length) override;
    int CloseItem(int handle, int keep) override;
    int GetItemStatus(int handle, int* local, int* status, int* bytes) override;
    int GetLastStatus(const char* group, const char* address, int* local, int* status, int* bytes) override;

private:
    struct GroupSpec {
        int retries = 0;
        int maxAge = 0;
        int maxCount = 0;
        int maxBytes = 0;
        bool staleFallback = false;
    };
    struct Item {
        std::mutex lock;
        std::string group, address;
        bool local = false;
        int cacheRead = 0;      // cache read handle when local
        int request = 0;        // request handle when fetched
        int cacheWrite = 0;     // cache write handle while fetching
        int status = 0;
        long long length = -1;
        long long bytes = 0;
        bool ended = false;     // the reply reached its complete end
        bool failed = false;
    };
    struct Status {
        int local = 0, status = 0, bytes = 0;
    };

    std::shared_ptr<Item> Find(int handle);
    void Remember(const Item& item);

    std::mutex m_lock;
    IVxFileCache* m_cache = nullptr;
    IVxHttpRequestMgr* m_requests = nullptr;
    std::map<std::string, GroupSpec> m_groups;
    std::map<int, std::shared_ptr<Item>> m_items;
    std::map<std::string, Status> m_last;   // by group + "\n" + address
    int m_nextHandle = 1;
};
