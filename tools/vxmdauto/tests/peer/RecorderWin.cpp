// Takes the main program's place in the stand-in's tests: writes its own path and its arguments,
// one a line, to the file VX_RECORDER_OUT names (written aside and renamed, so a reader never sees
// half of it).
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char out[MAX_PATH * 2] = "";
    DWORD n = GetEnvironmentVariableA("VX_RECORDER_OUT", out, sizeof out);
    if (n == 0 || n >= sizeof out) return 2;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string text = std::string(self) + "\n" + (commandLine ? commandLine : "") + "\n";
    std::string temp = std::string(out) + ".part";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(temp.c_str(), out, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
