#include "CrashDumpName.h"

#include <cstdio>

namespace CrashDumpName {

namespace {

// The last '\\' or '/' outside a GBK double-byte character, whose trail byte may be 0x5C.
size_t LastSeparator(const std::string& path) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            found = i;
        }
    }
    return found;
}

}  // namespace

void SplitModulePath(const std::string& path, std::string& folder, std::string& name, std::string& ext) {
    size_t slash = LastSeparator(path);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    size_t dot = file.rfind('.');
    name = dot == std::string::npos ? file : file.substr(0, dot);
    ext = dot == std::string::npos ? std::string() : file.substr(dot);
}

bool Format(char* buffer, size_t size, const char* folder, const Time& t, const char* name, const char* ext) {
    if (size == 0) return false;
    int n = std::snprintf(buffer, size, "%s\\%04d%02d%02d%02d%02d%02d%03d_%s%s.dmp", folder, t.year, t.month,
                          t.day, t.hour, t.minute, t.second, t.millisecond, name, ext);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace CrashDumpName
