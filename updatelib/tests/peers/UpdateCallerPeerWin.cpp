// Calls one update flow from the folder it was copied to, so that the flow's program directory is a
// folder the test controls. Exit code: the flow's result, 100 for an unknown flow.
#include <cstring>

#include "updatelib/Update.h"

int main(int argc, char** argv) {
    if (argc < 2) return 100;
    if (std::strcmp(argv[1], "UpdateMelodisk") == 0) return Update::UpdateMelodisk();
    if (std::strcmp(argv[1], "UpdatePlaydeck") == 0) return Update::UpdatePlaydeck();
    return 100;
}
