#pragma once
#include <cstdio>
#include <string>
#include "vxlib/VxLibApi.h"

// The system's well-known folders and a few file helpers. Every folder the programs use is
// resolved by GetVxPath, so one setting moves a whole installation: when the environment variable
// VX_DATA_ROOT names a folder, the common, per-user, desktop and player folders all live below it
// ("common", "user", "desktop", "programs"); the program folder stays the running executable's.
// Paths are narrow (system code page). Safe from any thread.
enum Path_Type {
    PATH_COMMON_APPDATA = 0,   // common application data, no trailing backslash
    PATH_SYSTEM = 2,           // system directory, no trailing backslash
    PATH_DESKTOP = 5,          // folder for created shortcut icons, no trailing backslash
    PATH_PLAYER_OLD_EXE = 7,   // the older desktop player's executable
    PATH_PLAYER_EXE = 8,       // the newer desktop player's executable
    PATH_PROGRAM = 100,        // folder of the running executable, ends with a backslash
    PATH_CONFIG = 106,         // holds "config.ini", no trailing backslash
    PATH_USER_ROOT = 110,      // per-user root of the maker's programs, ends with a backslash
    PATH_USER_DATA = 112,      // per-user data of this product: HTTP working dir, "update\"; ends with a backslash
    PATH_UPDATE = 113,         // update downloads, ends with a backslash
    PATH_SHORTCUT_DATA = 118,  // shortcut file, recently played videos; ends with a backslash
    PATH_RANKING = 119,        // ranking data directory, shared with the service; ends with a backslash
};

namespace Dir {

// Non-zero on success. Folders (not the executables of types 7 and 8) are created when missing.
VXLIB_API int GetVxPath(int type, std::string& path);

VXLIB_API bool IsExistFile(const std::string& path);   // a file or a folder exists
VXLIB_API bool IsDirectory(const std::string& path);
// Creates every missing level; non-zero when the folder exists afterwards.
VXLIB_API int MakeDir(const std::string& path);
// Deletes the folder and everything below it; non-zero when it is gone afterwards.
VXLIB_API int DeleteDir(const std::string& path);
VXLIB_API bool CopyFileA(const std::string& from, const std::string& to, bool overwrite);
// "C:\a\b.txt" -> "C:\a\" and "b.txt"; either separator counts.
VXLIB_API std::string GetFilePath(const std::string& fullPath);
VXLIB_API std::string GetShortFileName(const std::string& fullPath);
// `name` (GBK, from a server, a player or a list) made one file-name component that Windows
// accepts and that stays inside the folder it is joined to: every character Windows forbids in a
// name (\ / : * ? " < > |), every control character and every byte that starts no whole GBK
// character becomes "_"; trailing dots and spaces go; a device name (CON, PRN, AUX, NUL, COM1,
// LPT1, ..., any case, also with an extension) gets "_" in front. GBK characters stay whole, also
// those whose second byte is '\' or '|'. An empty result becomes `fallback` (taken as it is).
VXLIB_API std::string SafeFileName(const std::string& name, const std::string& fallback = "_");

// Files by narrow paths (system code page, Chinese names included); also in the native build.
VXLIB_API std::FILE* OpenFile(const std::string& path, const char* mode);
VXLIB_API bool RemoveFile(const std::string& path);
// The whole content; false when the file cannot be opened or read.
VXLIB_API bool ReadWholeFile(const std::string& path, std::string& data);
// Creates or replaces the file with exactly `data`.
VXLIB_API bool WriteWholeFile(const std::string& path, const std::string& data);
// The same, whole or not at all: `data` goes to path + ".tmp", which then takes the file's place in
// one step, so a failure or a crash at any point leaves the old content or the new one.
VXLIB_API bool ReplaceWholeFile(const std::string& path, const std::string& data);

}  // namespace Dir
