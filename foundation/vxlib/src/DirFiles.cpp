#include "vxlib/Dir.h"

#include "vxlib/Charset.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef _WIN32
namespace {

// The native build (tests) takes '\' paths too, as the program writes them.
std::string NativePath(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

}  // namespace
#endif

namespace Dir {

std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(Charset::String2WString(path).c_str(), Charset::String2WString(mode).c_str());
#else
    return std::fopen(NativePath(path).c_str(), mode);
#endif
}

bool RemoveFile(const std::string& path) {
#ifdef _WIN32
    return _wremove(Charset::String2WString(path).c_str()) == 0;
#else
    return std::remove(NativePath(path).c_str()) == 0;
#endif
}

bool ReadWholeFile(const std::string& path, std::string& data) {
    data.clear();
    std::FILE* file = OpenFile(path, "rb");
    if (!file) return false;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) data.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    std::FILE* file = OpenFile(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool ReplaceWholeFile(const std::string& path, const std::string& data) {
    const std::string temp = path + ".tmp";
#ifdef _WIN32
    bool ok = WriteWholeFile(temp, data) &&
              MoveFileExW(Charset::String2WString(temp).c_str(), Charset::String2WString(path).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    bool ok = WriteWholeFile(temp, data) && std::rename(NativePath(temp).c_str(), NativePath(path).c_str()) == 0;
#endif
    if (!ok) RemoveFile(temp);
    return ok;
}

}  // namespace Dir
