// Search replies as the server sends them: length-framed zlib blocks of page text, each page split
// into records and turned into songs.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "SearchReply.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

class CBytesReader : public IReplyReader {
public:
    CBytesReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Read(char* buffer, int* length) override {
        // Odd piece sizes, as a network would deliver them.
        const size_t piece = std::min<size_t>(static_cast<size_t>(*length), 1 + m_offset % 997);
        const size_t n = std::min(piece, m_size - m_offset);
        std::memcpy(buffer, m_data + m_offset, n);
        m_offset += n;
        *length = static_cast<int>(n);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBytesReader reader(data, size);
    SearchReply::ReadBlocks(reader, [&](const std::string& page) {
        SearchResult result;
        std::unique_ptr<CNetSongList> list(SearchReply::ParsePage(page, result, "http://pic/"));
        // The page reader works in place; it must find what splitting the records first finds.
        SearchResult again;
        size_t index = 0;
        const auto& songs = list->GetSongInfoVector();
        for (const SearchReply::Record& record : SearchReply::SplitRecords(page)) {
            std::unique_ptr<CNetSongInfo> song(SearchReply::RecordToSong(record, again, "http://pic/", ""));
            if (!song) continue;
            if (index >= songs.size() || songs[index]->GetName() != song->GetName() ||
                songs[index]->GetArtist() != song->GetArtist())
                __builtin_trap();
            ++index;
        }
        if (index != songs.size() || again.strHitMode != result.strHitMode || again.strArtistPic != result.strArtistPic)
            __builtin_trap();
        return true;
    });
    return 0;
}
