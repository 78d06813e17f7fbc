// Stand-in for the product's installer that the update library unpacks and starts with two quoted
// folders (unpacked package, program folder). It only journals how it was started.
#include <windows.h>

#include "InstallerJournalWin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    VxStandIn::JournalStart("VxMdInstaller", arguments);
    return VxStandIn::Told("fail") ? 1 : 0;
}
