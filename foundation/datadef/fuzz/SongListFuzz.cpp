// Song-list files ("pl" lists of "pl" and "so" elements) as the catalogue and the player write
// them: a root file with its "ref" files beside it, loaded into a tree that is then copied, sorted,
// cleared of repeats and saved as the lists are; and the player's recently played list, whose
// children are read as songs.
//
// Input: the root file, then up to four referenced files, separated by fuzzinput::kPartSeparator;
// each of these starts with a line holding the list name whose file it is (<name>.pl).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "datadef/SongListMgr.h"
#include "testing/FuzzInput.h"
#include "vxlib/Dir.h"
#include "vxlib/Xml.h"

namespace {

const size_t kRefFiles = 4;

bool IsPlainName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    }
    return true;
}

// What the lists' users do with a loaded tree.
void Use(CSongListMgr& manager, CSongListBase* root) {
    std::unique_ptr<CSongListBase> copy(root->Clone());
    std::vector<CSongListBase*> pending(1, copy.get());
    while (!pending.empty()) {
        CSongListBase* list = pending.back();
        pending.pop_back();
        list->GetFullShowName();
        int ascending = 0;
        manager.SortSongInfos(list, kSortByName, ascending);
        manager.SortSongInfos(list, kSortBySize, ascending);
        manager.DeleteRepeat(list, nullptr, kRepeatNameArtist);
        manager.DeleteRepeat(list, nullptr, kRepeatSameSong);
        pending.insert(pending.end(), list->GetChildrenVector().begin(), list->GetChildrenVector().end());
    }
    Xml::XmlNode saved("pl");
    copy->SaveToXml(saved, true);
    saved.ToString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzinput::CScratchDir scratch("songlist");
    scratch.Clear();
    const std::string dir = scratch.Path() + "/";
    std::vector<std::string> parts = fuzzinput::SplitParts(data, size, kRefFiles + 1);
    Dir::WriteWholeFile(dir + "root.pl", parts[0]);
    for (size_t i = 1; i < parts.size(); ++i) {
        const size_t line = parts[i].find('\n');
        const std::string name = parts[i].substr(0, line);
        if (line != std::string::npos && IsPlainName(name)) Dir::WriteWholeFile(dir + name + ".pl", parts[i].substr(line + 1));
    }

    CSongListMgr manager(nullptr);
    CSongListBase* root = nullptr;
    if (manager.LoadSongListFromXmlFile(dir + "root.pl", root)) {
        Use(manager, root);
        manager.AddSongList(nullptr, root, -1);
        CSongListBase* found = nullptr;
        manager.GetSongList("charts", found);
    }
    if (manager.LoadSongListFromXmlString(parts[0], root, "given")) delete root;

    Xml::XmlNode playlist;
    if (playlist.LoadFile(dir + "root.pl")) {
        for (auto it = playlist.ChildBegin(); it != playlist.ChildEnd(); ++it) {
            CNetSongInfo song;
            song.LoadFromXml(*it);
        }
    }
    return 0;
}
