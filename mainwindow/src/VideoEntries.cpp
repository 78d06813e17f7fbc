#include "VideoEntries.h"

#include <cstdio>

std::string VideoEntry::Icon() const {
    return std::to_string(id) + ".ico";
}

namespace videoentries {
namespace {

VideoEntry ParseEntry(const std::string& entry) {
    VideoEntry out;
    size_t mark = std::string::npos;
    int found = 0;
    for (size_t i = entry.size(); i-- > 0;) {
        if (entry[i] == '#' && ++found == 3) {
            mark = i;
            break;
        }
    }
    if (mark == std::string::npos) {
        out.url = entry;
        return out;
    }
    // sscanf keeps the fields it could not read at their defaults, as the format rule wants.
    std::sscanf(entry.c_str() + mark, "#w=%d#h=%d#id=%d", &out.width, &out.height, &out.id);
    out.url = entry.substr(0, mark);
    return out;
}

}  // namespace

std::vector<VideoEntry> Parse(const std::string& address) {
    std::vector<VideoEntry> entries;
    size_t start = 0;
    for (size_t bar = address.find('|'); bar != std::string::npos; bar = address.find('|', start)) {
        VideoEntry entry = ParseEntry(address.substr(start, bar - start));
        if (!entry.url.empty()) entries.push_back(entry);
        start = bar + 1;
    }
    return entries;
}

const VideoEntry* Pick(const std::vector<VideoEntry>& entries, int index) {
    if (entries.empty()) return nullptr;
    if (index < 0) return &entries.front();
    for (const VideoEntry& entry : entries) {
        if (entry.id == index) return &entry;
    }
    return nullptr;
}

std::string WithPage(const std::string& url, int page) {
    const std::string number = std::to_string(page);
    size_t at = url.find("&pn=");
    if (at == std::string::npos) at = url.find("?pn=");
    if (at == std::string::npos) return url + "&pn=" + number;
    at += 4;
    const size_t end = url.find('&', at);
    return url.substr(0, at) + number + (end == std::string::npos ? std::string() : url.substr(end));
}

}  // namespace videoentries
