// The stored search history (the cache item "quorlin_history": 2052-byte records) as the search
// object uses it: loaded at start, listed for the search box, a keyword added, cleared.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SearchHistory.h"
#include "testing/MemoryFileCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxtest::CMemoryFileCache cache;
    cache.items[cache.Key("VX_SEARCH_SONG", "quorlin_history")].assign(reinterpret_cast<const char*>(data), size);
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
