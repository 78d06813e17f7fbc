// What a player writes into the add-mission pipe: the number of the mission it was started for,
// as decimal text, read in one piece of up to a megabyte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MissionTable.h"
#include "datadef/SongInfo.h"
#include "datadef/SongList.h"

namespace {

struct QuietLauncher : IPlayerLauncher {
    bool PlayerExists(const std::string&) override { return true; }
    void Launch(int, const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Missions -2..2 wait, as the facade's random first number may make them.
    CMissionTable table(-2);
    CNetSongList list;
    CNetSongInfo* song = new CNetSongInfo;
    song->SetName("a");
    list.AddSongInfo(song);
    QuietLauncher launcher;
    for (int action = 0; action < 5; ++action) table.StartMission(action, list, "player.exe", 0, launcher);

    const std::string request(reinterpret_cast<const char*>(data), size);
    int number = 0;
    std::string text;
    if (CMissionTable::ParseRequest(request, number)) table.Fetch(number, text);
    table.Sweep(60001, CMissionTable::kMissionMaxAgeMs, nullptr);
    return 0;
}
