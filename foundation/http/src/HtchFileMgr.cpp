#include "HtchFileMgr.h"

#include <climits>

#include "CacheFs.h"

int CHtchFileMgr::SetFileCache(IVxFileCache* cache) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_cache = cache;
    if (m_cache) {
        // Age is not a reason to drop a copy: an old copy still serves when the server fails.
        for (const auto& g : m_groups) m_cache->SetGroupLimits(g.first.c_str(), 0, g.second.maxCount, g.second.maxBytes);
    }
    return cache ? 1 : 0;
}

int CHtchFileMgr::SetRequestMgr(IVxHttpRequestMgr* requests) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests = requests;
    return requests ? 1 : 0;
}

int CHtchFileMgr::CreateGroup(const char* name, int retries, int maxAge, int maxCount, int maxBytes,
                              int staleFallback) {
    if (!name || !*name) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    GroupSpec& g = m_groups[name];
    g.retries = retries < 0 ? 0 : (retries > 10 ? 10 : retries);
    g.maxAge = maxAge;
    g.maxCount = maxCount;
    g.maxBytes = maxBytes;
    g.staleFallback = staleFallback != 0;
    if (m_cache) m_cache->SetGroupLimits(name, 0, maxCount, maxBytes);
    return 1;
}

int CHtchFileMgr::OpenItem(const char* group, const char* address, int* handle) {
    if (!group || !address || !*address || !handle) return 0;
    *handle = 0;
    GroupSpec settings;
    IVxFileCache* cache;
    IVxHttpRequestMgr* requests;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_groups.find(group);
        if (it == m_groups.end()) return 0;
        settings = it->second;
        cache = m_cache;
        requests = m_requests;
    }
    auto item = std::make_shared<Item>();
    item->group = group;
    item->address = address;

    long long size = 0, stored = 0;
    bool haveCopy = cache && cache->GetItemInfo(group, address, &size, &stored);
    // The stored time comes from the entry's header, so any value: subtracting it may overflow.
    bool fresh = haveCopy && settings.maxAge > 1 && stored > CacheFs::Now() - settings.maxAge;
    if (fresh) item->cacheRead = cache->OpenRead(group, address);

    if (!item->cacheRead && requests) {
        for (int attempt = 0; attempt <= settings.retries; ++attempt) {
            int h = 0, error = 0;
            if (requests->OpenRequest(address, 0, "", &h, &error, 0)) {
                item->request = h;
                int status = 0;
                requests->GetReplyInfo(h, &status, &item->length);
                item->status = status;
                break;
            }
            item->status = error;
        }
        if (item->request && cache) item->cacheWrite = cache->BeginWrite(group, address);
    }
    if (!item->cacheRead && !item->request && haveCopy && settings.staleFallback && cache)
        item->cacheRead = cache->OpenRead(group, address);
    if (item->cacheRead) {
        item->local = true;
        long long len = 0;
        if (cache->GetItemInfo(group, address, &len, nullptr)) item->length = len;
    } else if (!item->request) {
        Remember(*item);
        return 0;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    *handle = m_nextHandle++;
    m_items[*handle] = item;
    return 1;
}

std::shared_ptr<CHtchFileMgr::Item> CHtchFileMgr::Find(int handle) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_items.find(handle);
    return it == m_items.end() ? nullptr : it->second;
}

int CHtchFileMgr::GetItemLength(int handle, long long* length) {
    auto item = Find(handle);
    if (!item || !length) return 0;
    std::lock_guard<std::mutex> lock(item->lock);
    *length = item->length;
    return 1;
}

int CHtchFileMgr::ReadItem(int handle, char* buffer, int* length) {
    auto item = Find(handle);
    if (!item || !length || *length < 0 || (!buffer && *length > 0)) return 0;
    IVxFileCache* cache;
    IVxHttpRequestMgr* requests;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        cache = m_cache;
        requests = m_requests;
    }
    std::lock_guard<std::mutex> lock(item->lock);
    if (item->failed) {
        *length = 0;
        return 0;
    }
    int ok;
    if (item->local) {
        ok = cache ? cache->ReadPart(item->cacheRead, buffer, length) : 0;
    } else {
        int error = 0;
        ok = requests ? requests->ReadPart(item->request, buffer, length, &error) : 0;
        if (ok && *length == 0) item->ended = true;
        if (ok && *length > 0 && item->cacheWrite && cache &&
            !cache->AppendWrite(item->cacheWrite, buffer, *length)) {
            cache->AbortWrite(item->cacheWrite);   // the reader still gets the data, it just is not kept
            item->cacheWrite = 0;
        }
    }
    if (!ok) {
        item->failed = true;
        *length = 0;
        return 0;
    }
    item->bytes += *length;
    if (item->length >= 0 && item->bytes >= item->length) item->ended = true;
    return 1;
}

int CHtchFileMgr::CloseItem(int handle, int keep) {
    std::shared_ptr<Item> item;
    IVxFileCache* cache;
    IVxHttpRequestMgr* requests;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_items.find(handle);
        if (it == m_items.end()) return 0;
        item = it->second;
        m_items.erase(it);
        cache = m_cache;
        requests = m_requests;
    }
    std::lock_guard<std::mutex> lock(item->lock);
    Remember(*item);
    if (item->cacheRead && cache) cache->CloseRead(item->cacheRead);
    if (item->request && requests) requests->CloseRequest(item->request);
    bool stored = false;
    if (item->cacheWrite && cache) {
        if (keep && item->ended && !item->failed)
            stored = cache->CommitWrite(item->cacheWrite) != 0;
        else
            cache->AbortWrite(item->cacheWrite);
    }
    if (item->local && !keep && cache) return cache->DeleteItem(item->group.c_str(), item->address.c_str()) == 0 ? 1 : 0;
    // A fetch that is not stored leaves an earlier copy alone: a copy is replaced only on commit,
    // so it is still whole, and it is what the stale fallback serves when the server fails.
    return keep ? (item->local || stored ? 1 : 0) : 1;
}

int CHtchFileMgr::GetItemStatus(int handle, int* local, int* status, int* bytes) {
    auto item = Find(handle);
    if (!item) return 0;
    std::lock_guard<std::mutex> lock(item->lock);
    if (local) *local = item->local ? 1 : 0;
    if (status) *status = item->status;
    if (bytes) *bytes = item->bytes > INT_MAX ? INT_MAX : static_cast<int>(item->bytes);
    return 1;
}

void CHtchFileMgr::Remember(const Item& item) {
    Status s;
    s.local = item.local ? 1 : 0;
    s.status = item.status;
    s.bytes = item.bytes > INT_MAX ? INT_MAX : static_cast<int>(item.bytes);
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_last.size() > 1000) m_last.clear();
    m_last[item.group + "\n" + item.address] = s;
}

int CHtchFileMgr::GetLastStatus(const char* group, const char* address, int* local, int* status, int* bytes) {
    if (!group || !address) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_last.find(std::string(group) + "\n" + address);
    if (it == m_last.end()) return 0;
    if (local) *local = it->second.local;
    if (status) *status = it->second.status;
    if (bytes) *bytes = it->second.bytes;
    return 1;
}
