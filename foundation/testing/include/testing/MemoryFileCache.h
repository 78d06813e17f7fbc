#pragma once
// The file cache's item calls over maps, for readers that keep a stored item in the cache; the
// streaming and group calls do nothing.
#include <map>
#include <string>

#include "http/VxHttpRequestMgr.h"

namespace vxtest {

class CMemoryFileCache : public IVxFileCache {
public:
    std::map<std::string, std::string> items;
    std::map<std::string, int> pinned;

    static std::string Key(const char* group, const char* name) { return std::string(group) + "/" + name; }

    int Init(int, const char*) override { return 1; }
    int ReadItem(const char* group, const char* name, std::string& data) override {
        auto it = items.find(Key(group, name));
        if (it == items.end()) return 0;
        data = it->second;
        return 1;
    }
    int WriteItem(const char* group, const char* name, const char* data, int length, int pin) override {
        items[Key(group, name)].assign(data, static_cast<size_t>(length));
        pinned[Key(group, name)] = pin;
        return 1;
    }
    int GetItemInfo(const char*, const char*, long long*, long long*) override { return 0; }
    int BeginWrite(const char*, const char*) override { return 0; }
    int AppendWrite(int, const char*, int) override { return 0; }
    int CommitWrite(int) override { return 0; }
    void AbortWrite(int) override {}
    int OpenRead(const char*, const char*) override { return 0; }
    int ReadPart(int, char*, int*) override { return 0; }
    void CloseRead(int) override {}
    int SetGroupLimits(const char*, long long, int, long long) override { return 1; }
    int DeleteItem(const char* group, const char* name) override {
        items.erase(Key(group, name));
        pinned.erase(Key(group, name));
        return 0;
    }
    int ClearGroup(const char*) override { return 0; }
};

}  // namespace vxtest
