#include "vxlib/Dir.h"

#include "NameRules.h"

namespace {

// Position of the last separator. Walks GBK characters: a trail byte may be 0x5C ('\').
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); i += namerules::GbkCharLength(path, i)) {
        if (path[i] == '\\' || path[i] == '/') last = i;
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

std::string SafeFileName(const std::string& name, const std::string& fallback) {
    std::string out;
    out.reserve(name.size() + 1);
    for (size_t i = 0; i < name.size();) {
        size_t n = namerules::GbkCharLength(name, i);
        unsigned char c = static_cast<unsigned char>(name[i]);
        // A byte that starts no whole character would reach the system as '?' or vanish.
        bool bad = n == 1 && (namerules::IsForbiddenNameChar(c) || c >= 0x81);
        if (bad) out += '_';
        else out.append(name, i, n);
        i += n;
    }
    // Windows drops them, so "a." would alias "a" and ".." would climb out.
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    if (out.empty()) out = fallback;
    if (namerules::IsDeviceName(out)) out.insert(0, 1, '_');
    return out;
}

}  // namespace Dir
