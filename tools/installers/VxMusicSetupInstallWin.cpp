// The installing half of the stand-in player installer, run from the build's bin folder where the
// built player is: the newer player, version 6.0.2.0, at path 8.
#include <windows.h>

#include "vxmusic/InstallStandInWin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return VxStandIn::InstallPlayer(PATH_PLAYER_EXE, VxStandIn::FileVersion{6, 0, 2, 0}).empty() ? 2 : 0;
}
