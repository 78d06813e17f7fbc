// Installs the crash handler the way the program does (a global, before main) and then dies:
// "access" writes through a null pointer, "breakpoint" calls DebugBreak.
#include <windows.h>

#include <cstring>

#include "CrashDumpWin.h"

CCrashDump g_crashDump;

int main(int argc, char** argv) {
    g_crashDump.SetDumpType(CCrashDump::kDefaultDumpType);
    if (argc > 1 && std::strcmp(argv[1], "access") == 0) {
        // Volatile so that the compiler cannot see the null and emit a trap instead.
        volatile int* volatile target = nullptr;
        *target = 1;
    } else if (argc > 1 && std::strcmp(argv[1], "breakpoint") == 0) {
        DebugBreak();
    }
    return 2;
}
