// A module for command 70's tests: each export appends "Name(argument)" and a line break to the
// file named by the environment variable VX_SERVICE_TRACE_FILE of the process that loaded it.
#include <windows.h>

#include <string>

namespace {

void Trace(const std::string& line) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VX_SERVICE_TRACE_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" {

__declspec(dllexport) void __cdecl TraceCall() { Trace("TraceCall()"); }

__declspec(dllexport) void __cdecl TraceText(const char* text) { Trace(std::string("TraceText(") + text + ")"); }

// Pops its own argument: the caller must not rely on the stack pointer it left.
__declspec(dllexport) void __stdcall TraceTextStd(const char* text) {
    Trace(std::string("TraceTextStd(") + text + ")");
}
}
