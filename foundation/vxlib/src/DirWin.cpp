#include "vxlib/Dir.h"

#include <windows.h>
#include <shlobj.h>

#include "vxlib/Charset.h"

namespace {

const char kVendorFolder[] = "Vixo";
const char kProductFolder[] = "Vixo\\VxMelodisk";

std::string Unslash(std::string path) {
    // GetShortFileName knows GBK: a trailing 0x5C may be half of a character.
    while (path.size() > 3 && Dir::GetShortFileName(path).empty()) path.pop_back();
    return path;
}

std::string DataRootOverride() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"VX_DATA_ROOT", buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return Unslash(Charset::WString2String(std::wstring(buf, n)));
}

// A shell folder, or the matching folder below VX_DATA_ROOT.
std::string ShellFolder(int csidl, const char* rootSubfolder) {
    std::string root = DataRootOverride();
    if (!root.empty()) return root + "\\" + rootSubfolder;
    wchar_t buf[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf))) {
        return std::string();
    }
    return Unslash(Charset::WString2String(buf));
}

std::string ProgramFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return Dir::GetFilePath(Charset::WString2String(std::wstring(buf, n)));
}

std::string Resolve(int type) {
    switch (type) {
    case PATH_COMMON_APPDATA: return ShellFolder(CSIDL_COMMON_APPDATA, "common");
    case PATH_SYSTEM: {
        wchar_t buf[MAX_PATH];
        UINT n = GetSystemDirectoryW(buf, MAX_PATH);
        return (n == 0 || n >= MAX_PATH) ? std::string() : Charset::WString2String(std::wstring(buf, n));
    }
    case PATH_DESKTOP: return ShellFolder(CSIDL_DESKTOPDIRECTORY, "desktop");
    case PATH_PLAYER_OLD_EXE:
    case PATH_PLAYER_EXE: {
        std::string programs = ShellFolder(CSIDL_PROGRAM_FILES, "programs");
        if (programs.empty()) return std::string();
        return programs + "\\" + kVendorFolder +
               (type == PATH_PLAYER_EXE ? "\\VxMusic\\vxmusic.exe" : "\\VxMusic5\\vxmusic.exe");
    }
    case PATH_PROGRAM: return ProgramFolder();
    case PATH_CONFIG: {
        std::string common = ShellFolder(CSIDL_COMMON_APPDATA, "common");
        return common.empty() ? common : common + "\\" + kProductFolder + "\\config";
    }
    case PATH_USER_ROOT:
    case PATH_USER_DATA:
    case PATH_UPDATE:
    case PATH_SHORTCUT_DATA: {
        std::string user = ShellFolder(CSIDL_APPDATA, "user");
        if (user.empty()) return user;
        if (type == PATH_USER_ROOT) return user + "\\" + kVendorFolder + "\\";
        std::string data = user + "\\" + kProductFolder + "\\";
        if (type == PATH_UPDATE) return data + "update\\";
        if (type == PATH_SHORTCUT_DATA) return data + "ShortCut\\";
        return data;
    }
    case PATH_RANKING: {
        std::string common = ShellFolder(CSIDL_COMMON_APPDATA, "common");
        return common.empty() ? common : common + "\\" + kProductFolder + "\\BangDan\\";
    }
    default: return std::string();
    }
}

}  // namespace

namespace Dir {

int GetVxPath(int type, std::string& path) {
    std::string resolved = Resolve(type);
    if (resolved.empty()) return 0;
    if (type != PATH_PLAYER_OLD_EXE && type != PATH_PLAYER_EXE && type != PATH_SYSTEM && !IsDirectory(resolved)) {
        if (!MakeDir(resolved)) return 0;
    }
    path = resolved;
    return 1;
}

bool IsExistFile(const std::string& path) {
    return GetFileAttributesW(Charset::String2WString(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    DWORD attrs = GetFileAttributesW(Charset::String2WString(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

int MakeDir(const std::string& path) {
    std::string target = Unslash(path);
    if (target.empty()) return 0;
    if (IsDirectory(target)) return 1;
    std::string parent = Unslash(GetFilePath(target));
    if (!parent.empty() && parent != target && !IsDirectory(parent) && !MakeDir(parent)) return 0;
    if (CreateDirectoryW(Charset::String2WString(target).c_str(), nullptr)) return 1;
    return IsDirectory(target) ? 1 : 0;  // another thread or process may have made it meanwhile
}

int DeleteDir(const std::string& path) {
    std::string dir = Unslash(path);
    if (!IsDirectory(dir)) return IsExistFile(dir) ? 0 : 1;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Charset::String2WString(dir + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string child = dir + "\\" + Charset::WString2String(name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteDir(child);
            } else {
                std::wstring wide = Charset::String2WString(child);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(wide.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(Charset::String2WString(dir).c_str());
    return IsExistFile(dir) ? 0 : 1;
}

bool CopyFileA(const std::string& from, const std::string& to, bool overwrite) {
    return ::CopyFileW(Charset::String2WString(from).c_str(), Charset::String2WString(to).c_str(),
                       overwrite ? FALSE : TRUE) != FALSE;
}

}  // namespace Dir
