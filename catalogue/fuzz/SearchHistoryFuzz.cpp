// The stored search history (the cache item "quorlin_history": 2052-byte records) as the search
// object uses it: loaded at start, listed for the search box, a keyword added, cleared.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "SearchHistory.h"
#include "http/VxHttpRequestMgr.h"

namespace {

// The item calls of the file cache over a map; the history uses nothing else.
class CMemoryCache : public IVxFileCache {
public:
    std::map<std::string, std::string> items;
    int Init(int, const char*) override { return 1; }
    int ReadItem(const char* group, const char* name, std::string& data) override {
        auto it = items.find(Key(group, name));
        if (it == items.end()) return 0;
        data = it->second;
        return 1;
    }
    int WriteItem(const char* group, const char* name, const char* data, int length, int) override {
        items[Key(group, name)].assign(data, static_cast<size_t>(length));
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
        return 0;
    }
    int ClearGroup(const char*) override { return 0; }
    static std::string Key(const char* group, const char* name) { return std::string(group) + "/" + name; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMemoryCache cache;
    cache.items[CMemoryCache::Key("VX_SEARCH_SONG", "quorlin_history")].assign(reinterpret_cast<const char*>(data), size);
    CSearchHistory history(&cache);
    history.Load();
    std::vector<SearchParam> listed;
    history.List(10, listed);

    SearchParam param;
    param.nType = kSearchKeyword;
    param.strKey = listed.empty() ? std::string(" new ") : listed.back().strKey;
    param.strKey2 = "src";
    history.Add(param);
    listed.clear();
    history.List(1000, listed);
    history.Clear();
    return 0;
}
