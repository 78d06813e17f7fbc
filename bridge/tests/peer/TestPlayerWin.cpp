// A player that only notes how it was started: appends its command line to "started.txt"
// beside itself and exits, so that the facade's tests can fetch the missions themselves.
#include <windows.h>

#include <string>

int main() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string journal(self, n);
    journal = journal.substr(0, journal.find_last_of('\\') + 1) + "started.txt";
    std::string line = GetCommandLineA();
    line += "\r\n";
    // Several starts may overlap: retry while another one has the file open.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(journal.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
