#pragma once
#include <string>
#include <vector>

// One playable item of a video programme. A programme's address lists its items, each ended by
// "|": an address, optionally followed by "#w=<width>#h=<height>#id=<id>".
struct VideoEntry {
    std::string url;
    int width = 800;
    int height = 600;
    int id = 0;

    // The movie player's icon text: the id in decimal followed by ".ico".
    std::string Icon() const;
};

// Pure functions; any thread.
namespace videoentries {

// Text after the last "|" is ignored; entries whose address is empty are dropped.
std::vector<VideoEntry> Parse(const std::string& address);
// A negative index picks the first entry, any other the entry whose id equals it; null when none.
const VideoEntry* Pick(const std::vector<VideoEntry>& entries, int index);

// A paged video list's address for page `page`: the number after "&pn=" (or "?pn=") up to the
// next "&" is replaced; an address without either gets "&pn=<page>" appended.
std::string WithPage(const std::string& url, int page);

}  // namespace videoentries
