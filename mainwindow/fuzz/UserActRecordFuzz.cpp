// User-action records of songs as the catalogue and the saved lists hand them over (a tree of
// "pl" lists holding "so" songs): every record text, written as the log library writes a record,
// must stay one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "UserActRecord.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "log/LogFormat.h"
#include "vxlib/Xml.h"

namespace {

void LoadTree(const Xml::XmlNode& node, CNetSongList& list) {
    list.LoadFromXml(node);
    for (auto it = node.ChildBegin(); it != node.ChildEnd(); ++it) {
        if (it->GetName() == "pl") {
            CNetSongList* child = new CNetSongList;
            list.AddChild(child);
            LoadTree(*it, *child);
        } else if (it->GetName() == "so") {
            std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
            if (song->LoadFromXml(*it)) list.AddSongInfo(song.release());
        }
    }
}

void Write(const char* key, const std::string& text) {
    const VxMdLog::LogTime time = {2011, 6, 27, 10, 11, 12, 13};
    const std::string line = VxMdLog::FormatActLine(time, key, text.c_str());
    if (line.size() > VxMdLog::kMaxLineBytes || line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0 ||
        line.find_first_of("\r\n") != line.size() - 2)
        abort();
}

void RecordAll(const CSongListBase& list) {
    const std::string user = "20110427";
    for (const CSongInfoBase* song : list.GetSongInfoVector()) {
        Write(UserActRecord::kPlayMusic, UserActRecord::PlayMusicText(user, *song, false));
        Write(UserActRecord::kPlayMusic, UserActRecord::PlayMusicText(user, *song, true));
        std::string text;
        for (int quality : {3, 4})
            if (UserActRecord::DownMusicText(user, *song, quality, text)) Write(UserActRecord::kDownMusic, text);
        Write(UserActRecord::kPlayVideo, UserActRecord::PlayVideoText(user, *song, 7));
        Write(UserActRecord::kPlayGame, UserActRecord::PlayGameText(user, *song));
        Write(UserActRecord::kExit, UserActRecord::ExitText(song->GetName(), song->GetArtist(), 35));
        Write(UserActRecord::kVideoStart, UserActRecord::VideoStartText(song->GetPlaySource(), 2));
    }
    for (const CSongListBase* child : list.GetChildrenVector()) RecordAll(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Xml::XmlNode doc;
    if (!doc.LoadStringA(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    CNetSongList root;
    LoadTree(doc, root);
    RecordAll(root);
    return 0;
}
