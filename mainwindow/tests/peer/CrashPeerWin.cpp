// Installs the crash handler as the program does (a global, before main), then dies: "access" writes
// through a null pointer, "breakpoint" calls DebugBreak.
#include <cstring>

#include "CrashDumpWin.h"

CCrashDump g_crashDump;

int main(int argc, char** argv) {
    g_crashDump.SetDumpType(CCrashDump::kDefaultDumpType);
    volatile int* volatile target = nullptr;  // unknown to the compiler, so no trap is emitted instead
    if (argc > 1 && std::strcmp(argv[1], "access") == 0) *target = 1;
    if (argc > 1 && std::strcmp(argv[1], "breakpoint") == 0) DebugBreak();
    return 2;
}
