// "ShortCut.pl", the songs behind the desktop play shortcuts, as the program finds it on disk,
// whole or damaged: a song added gets an id no shortcut made earlier has, and keeps it once the
// file is saved and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PlayShortcutFile.h"
#include "datadef/SongInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CPlayShortcutFile file;
    file.LoadText(text);

    CNetSongInfo song;
    song.SetName("fuzz-song");
    song.SetArtist("fuzz-artist");
    CNetResource* wma = new CNetResource;
    wma->SetRid("W-fuzz");
    wma->SetSign(Sign(4242, 2424));
    song.SetWMA(wma);
    const int id = file.AddSong(song, false);
    if (id == -1) return 0;
    if (id < CPlayShortcutFile::kFirstId || file.AddSong(song, true) != id) abort();

    // No other entry holds the new id.
    int holders = 0;
    for (auto it = file.Root().ChildBegin(); it != file.Root().ChildEnd(); ++it)
        if (it->GetName() == "so" && it->HasAttr("id") && it->GetAttrNum("id") == id) ++holders;
    if (holders != 1) abort();

    CPlayShortcutFile again;
    if (!again.LoadText(file.Root().ToString()) || again.AddSong(song, false) != id) abort();
    return 0;
}
