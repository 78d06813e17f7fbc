#include "CacheFs.h"

#include <ctime>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "vxlib/Charset.h"

namespace CacheFs {

const char kSep = '\\';

std::FILE* Open(const std::string& path, const char* mode) {
    std::wstring wide = Charset::String2WString(path);
    bool write = mode[0] == 'w';
    // Sharing delete lets a commit replace, or a delete remove, an item that a reader holds open.
    HANDLE h = CreateFileW(wide.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), (write ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, write ? "wb" : "rb");
    if (!f) _close(fd);
    return f;
}

bool MakeDirs(const std::string& dir) {
    std::wstring wide = Charset::String2WString(dir);
    for (size_t i = 3; i <= wide.size(); ++i) {
        if (i == wide.size() || wide[i] == L'\\' || wide[i] == L'/') CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);
    }
    DWORD attr = GetFileAttributesW(wide.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Replace(const std::string& from, const std::string& to) {
    return MoveFileExW(Charset::String2WString(from).c_str(), Charset::String2WString(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Remove(const std::string& path) {
    std::wstring wide = Charset::String2WString(path);
    if (DeleteFileW(wide.c_str())) return true;
    DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Charset::String2WString(dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Charset::WString2String(fd.cFileName));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

long long Now() { return static_cast<long long>(std::time(nullptr)); }

}  // namespace CacheFs
