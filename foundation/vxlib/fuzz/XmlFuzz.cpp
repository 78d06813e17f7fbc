// XML documents as the song-list, playlist and singer files hold them: loaded, every element read
// the way the list readers read them, and the document written back as text, which must load
// again: the singer index and saved lists are written from what was read and read back later.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "vxlib/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Xml::ScanDepth(text, Xml::XmlNode::kMaxDepth);
    Xml::XmlNode root;
    if (!root.LoadStringA(text)) return 0;

    std::vector<Xml::XmlNode> pending(1, root);
    while (!pending.empty()) {
        Xml::XmlNode node = pending.back();
        pending.pop_back();
        node.GetName();
        node.GetText();
        node.GetAttr("n");
        node.GetAttrNum("id");
        if (node.HasAttr("ref")) node.GetChild("pl");
        node.ChildCount();
        for (auto it = node.ChildBegin(); it != node.ChildEnd(); ++it) pending.push_back(*it);
    }

    const std::string written = root.ToString();
    Xml::XmlNode again;
    if (!again.LoadStringA(written)) {
        std::fprintf(stderr, "written document does not load: %s\n%s\n", again.LastError().c_str(), written.c_str());
        std::abort();
    }
    return 0;
}
