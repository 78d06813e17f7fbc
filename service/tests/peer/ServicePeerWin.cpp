// A small program that the command executor's tests start: appends its command line and a line
// break to the file named by "--trace FILE" (else by the environment variable
// VX_SERVICE_PEER_TRACE), then sleeps "--sleep MS" before it exits.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string trace;
    DWORD sleepMs = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--trace")
            trace = argv[++i];
        else if (arg == "--sleep")
            sleepMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    }
    if (trace.empty()) {
        char buffer[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("VX_SERVICE_PEER_TRACE", buffer, MAX_PATH);
        if (n > 0 && n < MAX_PATH) trace.assign(buffer, n);
    }
    if (!trace.empty()) {
        HANDLE file = CreateFileA(trace.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::string line = std::string(GetCommandLineA()) + "\n";
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    if (sleepMs) Sleep(sleepMs);
    return 0;
}
