#include "vxlib/Dir.h"

namespace {

// Position of the last separator. Walks GBK characters: a trail byte may be 0x5C ('\').
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            last = i;
        }
    }
    return last;
}

}  // namespace

namespace Dir {

std::string GetFilePath(const std::string& fullPath) {
    size_t slash = LastSeparator(fullPath);
    return slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
}

std::string GetShortFileName(const std::string& fullPath) {
    size_t slash = LastSeparator(fullPath);
    return slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
}

}  // namespace Dir
