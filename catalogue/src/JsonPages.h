#pragma once
#include <string>

class CNetSongList;

// Paging figures of a JSON list page ("pn", "total", "return"; numbers or decimal text).
struct JsonPageInfo {
    long long pn = 0;
    long long total = 0;
    long long ret = 0;
};

namespace JsonPages {

// At most this many pages of one list are fetched, the first included, whatever "total" claims.
const long long kMaxListPages = 100;

// The pages that follow a first page opened without a page number: "pn" + 1 up to and including
// the page count ((total + return - 1) / return). `cut` tells that kMaxListPages shortened the
// range. None (first > last) when total or return is below 1.
struct FollowingPages {
    long long first = 1;
    long long last = 0;
    bool cut = false;
};
FollowingPages Following(const JsonPageInfo& info);

// Turns one JSON list page (already in the system code page) into a new list of its items: list
// type from "mvlist" / "albumlist" / "type", songs, albums, videos or games as items, the text
// appended to the list's JSON strings. `requestAddress` becomes the url of "searchres" and
// "videorecent" lists; `total` receives the page's "total" for "video", "searchres" and
// "videorecent". Null when the text is not a JSON object. The list is the caller's.
CNetSongList* ParsePage(const std::string& json, const std::string& requestAddress, std::string& total,
                        JsonPageInfo& info);

}  // namespace JsonPages
