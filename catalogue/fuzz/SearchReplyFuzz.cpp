// Search replies as the server sends them: length-framed zlib blocks of page text, each page split
// into records and turned into songs.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "SearchReply.h"
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
    SearchResult result;
    SearchReply::ReadBlocks(reader, [&](const std::string& page) {
        std::unique_ptr<CNetSongList> list(SearchReply::ParsePage(page, result, "http://pic/"));
        return list != nullptr;
    });
    return 0;
}
