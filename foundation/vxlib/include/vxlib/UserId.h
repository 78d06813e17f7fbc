#pragma once
#include <string>
#include "vxlib/VxLibApi.h"

// Who this installation is, and which desktop player sits beside it (Windows only).
//
// The product's user file is an INI file, "<common application data>\Vixo\VxMelodisk\user.ini"
// (common application data is Dir::GetVxPath(PATH_COMMON_APPDATA), so VX_DATA_ROOT moves it), shared
// by the user's programs and the service. Section "UserInfo", keys "UserID", "InstallSRC", "Version";
// values are GBK text on one line.
//
// The desktop player keeps a file of the same layout, "user.ini" beside its executable. The player
// functions use the newer player (Dir path type 8) when its executable exists, else the older one
// (type 7); the two number forms each read their own generation. A player's version is the file
// version of its executable's VERSIONINFO resource: text "6.0.1.3", number 6013 (the four parts as
// major*1000 + minor*100 + build*10 + revision).
//
// Getters write at most `size` bytes, always NUL-terminated (an empty string on failure), cutting on
// a GBK character boundary; they return non-zero when the value exists, is not empty and fitted.
// Setters return non-zero when stored; a value with CR or LF is refused. Safe from any thread.
#if defined(_WIN32)
namespace UserId {

VXLIB_API int GetUserID(char* buffer, int size);          // callers pass 64 bytes
VXLIB_API int SetUserID(const char* userId);
VXLIB_API int GetInstallSRC(char* buffer, int size);      // callers pass 128 bytes
VXLIB_API int SetInstallSRC(const char* installSrc);
VXLIB_API int GetVersion(char* buffer, int size);         // this product's version text
VXLIB_API int SetVersion(const char* version);            // written by the installer
VXLIB_API int GetUserFilePath(char* buffer, int size);    // 260 bytes; creates the folder

VXLIB_API int GetPlaydeckUserIDEx(char* buffer, int size);
VXLIB_API int GetPlaydeckInstallSRCEx(char* buffer, int size);
VXLIB_API int GetPlaydeckVersionEx(char* buffer, int size);  // "6.0.1.3"
VXLIB_API int GetPlaydeckVersion(int& version);              // older player (type 7): 5203
VXLIB_API int GetPlaydeck6Version(int& version);             // newer player (type 8): 6013

// The file version of any executable or DLL: text "a.b.c.d" and the number described above.
// Non-zero when the file has a VERSIONINFO resource.
VXLIB_API int GetFileVersion(const std::string& path, std::string& text, int& number);
// The running program's own file version as "a.b.c.d"; 0 when it has none.
VXLIB_API int GetMainModuleVersion(std::string& text);

}  // namespace UserId
#endif
