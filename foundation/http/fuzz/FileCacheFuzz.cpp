// The HTTP file cache's stored entries (header "VXC1", flags, stored time, body length, name, body)
// as the item groups read them back: a search reply served from the cache while fresh, a list
// served as the stale copy when the server fails, the search history item read and rewritten, a
// copy dropped after its reader refused it. No server is reachable here: every item comes from disk.
//
// Input: up to four entry files, separated by fuzzinput::kPartSeparator: the search reply's, the
// list's, the history's, and one more file of the search group.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CacheFs.h"
#include "FileCache.h"
#include "HtchFileMgr.h"
#include "testing/FuzzInput.h"
#include "vxlib/Dir.h"

namespace {

const char kSearchGroup[] = "VX_SEARCH_SONG";
const char kListGroup[] = "VX_NET_SONG";
const char kSearchAddress[] = "http://search/r.s?client=kt&all=Kes&pn=0&rn=1000";
const char kListAddress[] = "http://dl/weblist/hotmv_p0.js";
const char kHistory[] = "quorlin_history";

void ReadWhole(CHtchFileMgr& items, const char* group, const char* address, int keep) {
    int handle = 0;
    if (!items.OpenItem(group, address, &handle)) return;
    long long length = 0;
    items.GetItemLength(handle, &length);
    std::vector<char> buffer(4096);
    for (;;) {
        int n = static_cast<int>(buffer.size());
        if (!items.ReadItem(handle, buffer.data(), &n) || n <= 0) break;
    }
    int local = 0, status = 0, bytes = 0;
    items.GetItemStatus(handle, &local, &status, &bytes);
    items.CloseItem(handle, keep);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzinput::CScratchDir scratch("filecache");
    scratch.Clear();
    const std::string dir = scratch.Path();
    const std::string search = dir + "/" + kSearchGroup + "/";
    const std::string list = dir + "/" + kListGroup + "/";
    CacheFs::MakeDirs(search.substr(0, search.size() - 1));
    CacheFs::MakeDirs(list.substr(0, list.size() - 1));
    const std::string files[] = {search + CFileCache::EntryFileName(kSearchAddress),
                                 list + CFileCache::EntryFileName(kListAddress),
                                 search + CFileCache::EntryFileName(kHistory), search + "0123456789abcdef.vxc"};
    std::vector<std::string> parts = fuzzinput::SplitParts(data, size, 4);
    for (size_t i = 0; i < parts.size(); ++i) Dir::WriteWholeFile(files[i], parts[i]);

    CFileCache cache;
    if (!cache.Init(0, dir.c_str())) return 0;
    CHtchFileMgr items;
    items.CreateGroup(kSearchGroup, 0, 86400, 1000, 104857600, 1);
    items.CreateGroup(kListGroup, 3, 1, 100, 104857600, 1);
    items.SetFileCache(&cache);

    ReadWhole(items, kSearchGroup, kSearchAddress, 1);
    ReadWhole(items, kListGroup, kListAddress, 1);
    std::string history;
    cache.ReadItem(kSearchGroup, kHistory, history);
    history.append("new record");
    cache.WriteItem(kSearchGroup, kHistory, history.data(), static_cast<int>(history.size()), 1);
    ReadWhole(items, kSearchGroup, kSearchAddress, 0);
    int local = 0, status = 0, bytes = 0;
    items.GetLastStatus(kSearchGroup, kSearchAddress, &local, &status, &bytes);
    return 0;
}
