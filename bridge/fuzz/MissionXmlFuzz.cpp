// Missions for the player: songs as the catalogue hands them over (the "so" children of a song
// list), the mission text the bridge builds from them and stores for the add-mission pipe, and the
// player reading that text back. Every song must reach the player as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "MissionTable.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"
#include "vxlib/Xml.h"

namespace {

struct QuietLauncher : IPlayerLauncher {
    bool PlayerExists(const std::string&) override { return true; }
    void Launch(int, const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // 0..4 are the mission actions, 5 is none.
    const int action = data[0] % 6;
    Xml::XmlNode doc;
    if (!doc.LoadStringA(std::string(reinterpret_cast<const char*>(data) + 1, size - 1))) return 0;
    CNetSongList list;
    for (auto it = doc.ChildBegin(); it != doc.ChildEnd(); ++it) {
        if (it->GetName() != "so") continue;
        std::unique_ptr<CNetSongInfo> song(new CNetSongInfo);
        if (song->LoadFromXml(*it)) list.AddSongInfo(song.release());
    }

    // Through the table as StartMission stores it and the pipe hands it out.
    CMissionTable table(1);
    QuietLauncher launcher;
    table.StartMission(action, list, "player.exe", 0, launcher);
    std::string text;
    if (!table.Fetch(1, text)) abort();

    // The pipe sends the text with its NUL and the player reads up to the first one.
    if (text.find('\0') != std::string::npos) abort();
    Xml::XmlNode mission;
    if (!mission.LoadStringA(text) || mission.GetName() != "pl") abort();
    const auto& songs = list.GetSongInfoVector();
    size_t i = 0;
    for (auto it = mission.ChildBegin(); it != mission.ChildEnd(); ++it, ++i) {
        CNetSongInfo back;
        if (i >= songs.size() || !back.LoadFromXml(*it) || !back.IsSameSong(*songs[i])) abort();
    }
    if (i != songs.size()) abort();
    return 0;
}
