// Installs the stand-in player for the run command: vxmusic_install [--older [a.b.c.d]]
// Prints the installed path. VX_DATA_ROOT, when set, moves the installation as for every program.
#include <cstdio>
#include <cstring>

#include "vxmusic/InstallStandInWin.h"

int main(int argc, char** argv) {
    int type = PATH_PLAYER_EXE;
    VxStandIn::FileVersion version;
    if (argc > 1 && std::strcmp(argv[1], "--older") == 0) {
        type = PATH_PLAYER_OLD_EXE;
        unsigned a = 5, b = 2, c = 0, d = 3;
        if (argc > 2 && std::sscanf(argv[2], "%u.%u.%u.%u", &a, &b, &c, &d) != 4) {
            std::fprintf(stderr, "usage: vxmusic_install [--older [a.b.c.d]]\n");
            return 2;
        }
        version = VxStandIn::FileVersion{static_cast<WORD>(a), static_cast<WORD>(b), static_cast<WORD>(c),
                                         static_cast<WORD>(d)};
    } else if (argc > 1) {
        std::fprintf(stderr, "usage: vxmusic_install [--older [a.b.c.d]]\n");
        return 2;
    }
    std::string path = VxStandIn::InstallPlayer(type, version);
    if (path.empty()) {
        std::fprintf(stderr, "vxmusic_install: could not install the stand-in player\n");
        return 1;
    }
    std::printf("%s\n", path.c_str());
    return 0;
}
