#pragma once
#include <string>
#include <vector>

#include "catalogue/SearchTypes.h"

// The searched keywords, kept as one item "quorlin_history" of the group "VX_SEARCH_SONG" in
// the file cache: 2052-byte records, oldest first. Not locked: CSearchSong calls it on the
// thread that starts requests.
class CSearchHistory {
public:
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
    std::vector<Entry> m_entries;
};
