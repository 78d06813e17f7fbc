// A network child of the ranking tree (a list with "nurl", such as "netweekly"): the item is both
// lengths and a zlib block of song-list XML, decoded, loaded as a tree named after the child and
// the child's list looked up in it and copied over the child, as the ranking thread does.
//
// An odd first byte takes the rest as the XML and frames and compresses it here, so that the
// fuzzer reaches the list reader past the inflater; an even one takes the rest as the item.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "RankingRules.h"
#include "datadef/SongListMgr.h"
#include "vxlib/Zip.h"

namespace {

const char kChildName[] = "netweekly";

void PutLength(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string item(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        std::string packed;
        if (!Memzip::Compress(item.data(), item.size(), packed)) return 0;
        std::string framed;
        PutLength(framed, static_cast<uint32_t>(item.size()));
        PutLength(framed, static_cast<uint32_t>(packed.size()));
        item = framed + packed;
    }

    size_t offset = 0;
    std::string xml;
    const bool decoded = RankingRules::DecodeNetList(
        [&](char* buffer, int capacity) {
            // Odd piece sizes, as the item arrives from the network.
            const size_t n = std::min({static_cast<size_t>(capacity), 1 + offset % 613, item.size() - offset});
            std::memcpy(buffer, item.data() + offset, n);
            offset += n;
            return static_cast<int>(n);
        },
        xml);
    if (!decoded || xml.empty()) return 0;

    CSongListMgr manager(nullptr);
    CSongListBase* loaded = nullptr;
    if (!manager.LoadSongListFromXmlString(xml, loaded, kChildName) || !loaded) return 0;
    std::unique_ptr<CSongListBase> tree(loaded);
    CSongListBase* found = nullptr;
    for (CSongListBase* top : tree->GetChildrenVector()) {
        if ((found = top->FindInTree(kChildName)) != nullptr) break;
    }
    if (!found) found = tree->FindInTree(kChildName);
    if (!found) return 0;
    // As in the ranking tree, the child has a parent whose children it shares.
    CNetSongList root;
    CNetSongList* child = new CNetSongList;
    child->SetName(kChildName);
    root.AddChild(child);
    *child = *found;
    return 0;
}
