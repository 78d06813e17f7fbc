#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "vxlib/Charset.h"

// Writes a VERSIONINFO resource with file version a.b.c.d into an executable, as an installer
// would leave it; the player and product version readers then see that version.
inline bool StampFileVersion(const std::string& exe, WORD a, WORD b, WORD c, WORD d) {
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

    HANDLE update = BeginUpdateResourceW(Charset::String2WString(exe).c_str(), FALSE);
    if (!update) return false;
    BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), blob.data(), static_cast<DWORD>(blob.size()));
    return EndUpdateResourceW(update, !ok) && ok;
}
