#pragma once
#include <string>

#include "ActionInterfaces.h"

// Desktop shortcuts that lead back into the program ("/playico", "/go"). Failures are only
// logged (log file "shortcut.log"); nothing is shown. UI thread (COM is initialised per call).
struct ShortcutSpec {
    std::string name;         // file name on the desktop, without ".lnk"
    std::string exe;
    std::string arguments;
    std::string description;
    std::string icon;
    int iconIndex = 0;
};

namespace DesktopShortcut {

const char kPlayExe[] = "VxMelodisk.exe";
const char kPlayArgs[] = "/playico %d";
const char kSongIcon[] = "res\\song.ico";

// Saves desktop folder + "\" + name + ".lnk"; false on any failure.
bool Create(const ShortcutSpec& shortcut);

// Gives every song an id in "ShortCut.pl" (saved once for all) and a play shortcut named
// song name + "-" + artist. Songs of a music-video list are stored as "mv". Returns the number of
// shortcuts created.
int CreateSongShortcuts(const SongVector& songs);

}  // namespace DesktopShortcut
