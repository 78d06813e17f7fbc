#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/SearchTypes.h"

class CNetSongInfo;

// A source of reply bytes: the cached item of a search, or a scripted one in tests.
class IReplyReader {
public:
    virtual ~IReplyReader() {}
    // Reads up to *length bytes; *length becomes the count read, 0 at the end. false on failure.
    virtual bool Read(char* buffer, int* length) = 0;
};

// Parsing of the search server's replies: compressed blocks of page text, the page records, tip
// replies. Portable and free of state; safe from any thread.
namespace SearchReply {

const uint32_t kMaxBlockLength = 10485760;

extern const char kErrShortLength[];    // "ReadData Failed1"
extern const char kErrLargeSize[];      // "ReadData large size!"
extern const char kErrShortData[];      // "ReadData Failed2"
extern const char kErrUnCompress[];     // "ReadData UnCompress err"

struct BlockReadResult {
    bool complete = false;        // stopped at a block boundary after at least one parsed page
    const char* error = nullptr;  // one of the texts above, null when none applies
    int bytes = 0;                // bytes read, length fields included
    int pages = 0;                // pages handed to onPage and accepted
};

// Reads blocks (uncompressed length, compressed length, zlib data) and hands each page text to
// onPage, which returns false when the page fails to parse or the request was cancelled: reading
// stops there and the reply counts as incomplete.
BlockReadResult ReadBlocks(IReplyReader& reader, const std::function<bool(const std::string&)>& onPage);

// One record of a page: its name-value lines in order, names in lower case.
typedef std::vector<std::pair<std::string, std::string>> Record;

// Splits a page into records ending with "\r\n\r\n"; text after the last separator is ignored.
std::vector<Record> SplitRecords(const std::string& page);

// Turns one record into a song for the page list, or null when it sets no known name or lacks a
// name, an artist or a sign. Fields of the result ("hitmode", "artistpic", ...) are filled as
// they come; `picServer` prefixes "artistpic". The song's play source is `playSource`.
CNetSongInfo* RecordToSong(const Record& record, SearchResult& result, const std::string& picServer,
                           const std::string& playSource);

// A new page list with every song of the page (each with the list as parent); its base image url
// is the request's image url. The caller owns it.
CNetSongList* ParsePage(const std::string& page, SearchResult& result, const std::string& picServer);

// A tip reply: "RelWord" starts a word, "SNum"/"RNum" fill it, "HitNum" sets the total.
void ParseTipReply(const std::string& text, SearchResult& result);

}  // namespace SearchReply
