#include "ListShortcut.h"

#include <algorithm>

#include "datadef/SongList.h"

namespace listshortcut {

std::vector<uint32_t> PathIds(const CSongListBase& list) {
    std::vector<uint32_t> ids;
    for (const CSongListBase* at = &list; at && at->GetParent(); at = at->GetParent()) {
        const CNetSongList* net = dynamic_cast<const CNetSongList*>(at);
        if (net && net->GetId() != 0) ids.push_back(net->GetId());
    }
    std::reverse(ids.begin(), ids.end());
    return ids;
}

std::string GoArguments(const std::vector<uint32_t>& ids) {
    std::string text = "/go ";
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i) text += '|';
        text += std::to_string(ids[i]);
    }
    return text;
}

}  // namespace listshortcut
