// A "vxmusic.exe" that only exists: the down-state tests copy it under the player's name and run
// it so that the job manager sees a live player; the test ends it. It ends by itself after the
// number of seconds on its command line (default 120), so a crashed test leaves nothing behind.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 120;
    if (seconds <= 0) seconds = 120;
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}
