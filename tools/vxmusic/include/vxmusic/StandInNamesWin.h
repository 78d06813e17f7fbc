#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

// Names of the stand-in player's single-instance objects. They are keyed by VX_DATA_ROOT so that a
// player left running by one test (another data root, config and server) never receives the
// commands of the next one; within one installation there is one player, as with the real one.
namespace VxStandIn {

// dwData of the WM_COPYDATA that carries a forwarded command line.
const ULONG_PTR kForwardMagic = 0x56584D55;  // "VXMU"

inline std::string InstanceKey() {
    char root[MAX_PATH * 2] = "";
    DWORD n = GetEnvironmentVariableA("VX_DATA_ROOT", root, sizeof root);
    if (n >= sizeof root) n = 0;
    unsigned int h = 2166136261u;  // FNV-1a over the lower-cased root
    for (DWORD i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(root[i]);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        h = (h ^ c) * 16777619u;
    }
    char key[16];
    std::snprintf(key, sizeof key, "%08x", h);
    return key;
}

inline std::string WindowClassName() { return "VxMusicStandIn_" + InstanceKey(); }
inline std::string MutexName() { return "VxMusicStandIn_" + InstanceKey() + "_Mutex"; }

// The running player's message-only window for this data root, or null.
inline HWND FindPlayerWindow() {
    return FindWindowExA(HWND_MESSAGE, nullptr, WindowClassName().c_str(), nullptr);
}

}  // namespace VxStandIn
