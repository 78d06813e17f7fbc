#pragma once
#include <string>
#include <vector>

#include "catalogue/SearchTypes.h"

class IVxFileCache;

// The stored form of one history entry: kind (LE32), key and second key (1024 bytes each,
// zero-terminated, at most 1023 bytes of text). Portable; safe from any thread.
namespace SearchHistoryRecord {
const size_t kKeyBytes = 1024;
const size_t kRecordSize = 4 + 2 * kKeyBytes;  // 2052
std::string Encode(int kind, const std::string& key, const std::string& key2);
// `record` holds kRecordSize bytes.
void Decode(const char* record, int& kind, std::string& key, std::string& key2);
}  // namespace SearchHistoryRecord

// The searched keywords, kept as one item "quorlin_history" of the group "VX_SEARCH_SONG" in
// the file cache: 2052-byte records, oldest first. Not locked: CSearchSong calls it on the
// thread that starts requests.
class CSearchHistory {
public:
    // A null cache means the process's file cache (Windows).
    explicit CSearchHistory(IVxFileCache* cache = nullptr) : m_cache(cache) {}
    // Reads the stored item; a damaged one is deleted.
    void Load();
    // For a kind-0 request as it starts; other kinds are ignored.
    void Add(const SearchParam& param);
    // Up to count distinct keys, newest first, appended to out.
    void List(int count, std::vector<SearchParam>& out) const;
    // Deletes the item and loads again; 1 when the deletion succeeded.
    int Clear();

private:
    struct Entry {
        int kind;
        std::string key;
        std::string key2;
    };
    IVxFileCache* Cache() const;
    void Store();

    IVxFileCache* m_cache;
    std::vector<Entry> m_entries;
};
