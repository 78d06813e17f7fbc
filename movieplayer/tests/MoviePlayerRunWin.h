#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/ProcessRunWin.h"
#include "testing/XInputWin.h"
#include "vxlib/Dir.h"

// Starts the built movie player and reads it from outside: its window, its command line as the
// system holds it, the screen under its caption. Mouse input goes in at the X server (xdotool),
// keys through SendInput.
namespace movietest {

using namespace vxtest;

inline std::string PlayerPath() {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    return folder + "VxMdMoviePlayer.exe";
}

// The command line another process was started with, as the system keeps it in its parameters.
inline std::wstring ProcessCommandLine(HANDLE process) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return std::wstring();
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return std::wstring();
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!line.empty() &&
        !ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length, nullptr))
        return std::wstring();
    return line;
}

// Movie player processes whose parent is `parent` (0: any), newest last.
inline std::vector<DWORD> PlayerProcesses(DWORD parent = 0) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry = {sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"VxMdMoviePlayer.exe") == 0 && (!parent || entry.th32ParentProcessID == parent))
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

class CPlayerRun : public vxtest::CProcessRun {
public:
    // `arguments` in the system code page, after the quoted program path.
    bool Start(const std::string& arguments) { return CProcessRun::Start(PlayerPath(), arguments); }
    HWND WaitWindow(DWORD ms = 15000) {
        WaitUntil([&] { return (m_window = vxtest::FindProcessWindow(Pid())) != nullptr; }, ms);
        return m_window;
    }
    HWND Window() const { return m_window; }

private:
    HWND m_window = nullptr;
};

inline void PressKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

// A 16 x 16 icon file of one colour.
inline std::string SolidIcon(BYTE r, BYTE g, BYTE b) {
    const int size = 16;
    std::string file;
    auto put16 = [&](WORD v) { file.append(reinterpret_cast<const char*>(&v), 2); };
    auto put32 = [&](DWORD v) { file.append(reinterpret_cast<const char*>(&v), 4); };
    const DWORD pixels = size * size * 4, mask = size * 4;
    put16(0), put16(1), put16(1);                                                      // ICONDIR
    file += static_cast<char>(size), file += static_cast<char>(size), file += '\0', file += '\0';
    put16(1), put16(32), put32(40 + pixels + mask), put32(6 + 16);                     // ICONDIRENTRY
    put32(40), put32(size), put32(size * 2), put16(1), put16(32), put32(0), put32(pixels + mask);
    put32(0), put32(0), put32(0), put32(0);                                            // BITMAPINFOHEADER
    for (int i = 0; i < size * size; ++i) {
        file += static_cast<char>(b), file += static_cast<char>(g), file += static_cast<char>(r);
        file += static_cast<char>(0xFF);
    }
    file.append(mask, '\0');
    return file;
}

}  // namespace movietest
