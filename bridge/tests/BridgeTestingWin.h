#pragma once
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../src/AddMissionPipeWin.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"

// Helpers of the bridge's Windows tests: the test thread pumps its messages while it waits, since
// the bridge's notifications reach observers on the thread that registered them.
namespace bridge_testing {

inline std::string ProgramFolder() {
    std::string folder;
    Dir::GetVxPath(PATH_PROGRAM, folder);
    return folder;
}

inline void PumpOnce() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs the thread's messages until `done` holds or `limitMs` passed; the last `done`.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpOnce();
        if (done()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// A copy of `source` at `target` carrying a VERSIONINFO resource with that file version.
inline bool InstallStampedCopy(const std::string& source, const std::string& target, WORD a, WORD b, WORD c, WORD d) {
    if (!Dir::MakeDir(Dir::GetFilePath(target))) return false;
    std::wstring wide = Charset::String2WString(target);
    if (!CopyFileW(Charset::String2WString(source).c_str(), wide.c_str(), FALSE)) return false;

    std::vector<unsigned char> blob(40 + sizeof(VS_FIXEDFILEINFO), 0);
    WORD header[3] = {static_cast<WORD>(blob.size()), sizeof(VS_FIXEDFILEINFO), 0};
    std::memcpy(&blob[0], header, sizeof(header));
    std::memcpy(&blob[6], L"VS_VERSION_INFO", 16 * sizeof(wchar_t));
    VS_FIXEDFILEINFO info = {};
    info.dwSignature = 0xFEEF04BD;
    info.dwStrucVersion = 0x10000;
    info.dwFileVersionMS = info.dwProductVersionMS = MAKELONG(b, a);
    info.dwFileVersionLS = info.dwProductVersionLS = MAKELONG(d, c);
    info.dwFileOS = VOS_NT_WINDOWS32;
    info.dwFileType = VFT_APP;
    std::memcpy(&blob[40], &info, sizeof(info));

    HANDLE update = BeginUpdateResourceW(wide.c_str(), FALSE);
    if (!update) return false;
    BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), blob.data(), static_cast<DWORD>(blob.size()));
    return EndUpdateResourceW(update, !ok) && ok;
}

// Asks the add-mission pipe for a mission, as the player does. True when a reply ending in NUL
// came; `reply` holds it without the NUL (empty when nothing came).
inline bool RequestMission(const std::string& request, std::string& reply) {
    reply.clear();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileA(kAddMissionPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeA(kAddMissionPipeName, 1000);
            else Sleep(50);
        }
    }
    if (pipe == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
        if (bytes.back() == '\0') break;
    }
    CloseHandle(pipe);
    if (bytes.empty() || bytes.back() != '\0') {
        reply = bytes;
        return false;
    }
    reply.assign(bytes, 0, bytes.size() - 1);
    return true;
}

}  // namespace bridge_testing
