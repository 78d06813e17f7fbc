// "ShortCut.pl", the songs behind the desktop play shortcuts, as the program finds it on disk,
// whole or damaged: a song added gets an id no shortcut made earlier has, and keeps it once the
// file is saved and read again.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "PlayShortcutFile.h"
#include "datadef/SongInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CPlayShortcutFile file;
    file.LoadText(text);

    // The ids the file held before: an id given out is either new (above them all, held by the new
    // entry alone) or that of an entry for the same song.
    std::set<long long> before;
    long long highest = -1;
    for (auto it = file.Root().ChildBegin(); it != file.Root().ChildEnd(); ++it) {
        if (it->GetName() != "so" || !it->HasAttr("id")) continue;
        const long long id = it->GetAttrNum("id", -1);
        before.insert(id);
        if (id < INT_MAX) highest = std::max(highest, id);
    }

    CNetSongInfo song;
    song.SetName("fuzz-song");
    song.SetArtist("fuzz-artist");
    CNetResource* wma = new CNetResource;
    wma->SetRid("W-fuzz");
    wma->SetSign(Sign(4242, 2424));
    song.SetWMA(wma);
    const int id = file.AddSong(song, false);
    if (id == -1) return 0;
    if (id < 0 || file.AddSong(song, true) != id) abort();

    int holders = 0, sameSong = 0;
    for (auto it = file.Root().ChildBegin(); it != file.Root().ChildEnd(); ++it) {
        if (it->GetName() != "so" || !it->HasAttr("id") || it->GetAttrNum("id", -1) != id) continue;
        ++holders;
        CNetSongInfo entry;
        if (entry.LoadFromXml(*it) && entry.IsSameSong(song)) ++sameSong;
    }
    if (sameSong == 0) abort();
    if (before.count(id) == 0 && (holders != 1 || id <= highest)) abort();

    // Saved and read again, the song keeps its id.
    CPlayShortcutFile again;
    if (!again.LoadText(file.Root().ToString()) || again.AddSong(song, false) != id) abort();
    return 0;
}
