#pragma once
#include <string>
#include <vector>

// The singer list files that the service writes beside "singer.pl" in the unpack directory: six
// category files (t="8") and 27 letter files (t="1", "a.pl" to "z.pl" and "other.pl"), each a
// flat list of singer elements. Stateless; safe from any thread.
namespace SingerLists {

enum Result {
    kBuilt,              // "singer.pl" loaded; every singer placed
    kNoSingerFile,       // no "singer.pl": the files hold only their roots
    kUnreadableSingers,  // "singer.pl" exists but does not load: nothing written
};

// Reads dir + "singer.pl" (dir ends with a separator) and saves the 33 files into dir in this
// order: the six categories, "a.pl" to "z.pl", "other.pl"; `written` receives each name once it is
// saved. A singer attribute that the element lacks is written empty.
Result Build(const std::string& dir, std::vector<std::string>& written);

}  // namespace SingerLists
