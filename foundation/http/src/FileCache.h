#pragma once
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "http/VxHttpRequestMgr.h"

// The disk cache behind AfxGetFileCache. Layout: dir\<group>\<16 hex digits of a hash of the name>.vxc,
// each file a header (magic "VXC1", flags, stored time, body length, the name) and the body.
// Writes go to a ".tmp" file that is renamed over the entry when complete; a file whose length
// disagrees with its header is treated as absent and removed.
class CFileCache : public IVxFileCache {
public:
    int Init(int debug, const char* dir) override;
    int ReadItem(const char* group, const char* name, std::string& data) override;
    int WriteItem(const char* group, const char* name, const char* data, int length, int pinned) override;
    int GetItemInfo(const char* group, const char* name, long long* size, long long* stored) override;
    int BeginWrite(const char* group, const char* name) override;
    int AppendWrite(int writeHandle, const char* data, int length) override;
    int CommitWrite(int writeHandle) override;
    void AbortWrite(int writeHandle) override;
    int OpenRead(const char* group, const char* name) override;
    int ReadPart(int readHandle, char* buffer, int* length) override;
    void CloseRead(int readHandle) override;
    int SetGroupLimits(const char* group, long long maxAge, int maxCount, long long maxBytes) override;
    int DeleteItem(const char* group, const char* name) override;
    int ClearGroup(const char* group) override;
    ~CFileCache() override;

    // Entry file name of a name (exposed for tests that damage entries).
    static std::string EntryFileName(const std::string& name);
    std::string EntryPath(const std::string& group, const std::string& name);

private:
    struct Entry {
        std::string name;
        long long stored = 0;
        long long size = 0;
        bool pinned = false;
        long long seq = 0;   // order of storing, for items of the same second
    };
    struct Group {
        bool loaded = false;
        long long maxAge = 0;
        int maxCount = 0;
        long long maxBytes = 0;
        std::map<std::string, Entry> entries;   // by entry file name
    };
    struct Writer {
        std::mutex lock;
        std::string group, name, tmpPath;
        std::FILE* file = nullptr;
        long long size = 0;
        bool pinned = false;
        bool failed = false;
    };
    struct Reader {
        std::mutex lock;
        std::FILE* file = nullptr;
        long long left = 0;
    };

    std::string GroupDir(const std::string& group);
    Group& LoadGroup(const std::string& group);
    // Opens an entry and checks its header; the file is positioned at the body.
    std::FILE* OpenEntry(const std::string& path, const std::string& name, Entry* entry);
    int Commit(const std::shared_ptr<Writer>& w);
    void Trim(const std::string& group, Group& g);

    std::mutex m_lock;
    std::string m_dir;
    bool m_debug = false;
    int m_nextHandle = 1;
    long long m_seq = 0;
    std::map<std::string, Group> m_groups;
    std::map<int, std::shared_ptr<Writer>> m_writers;
    std::map<int, std::shared_ptr<Reader>> m_readers;
};
