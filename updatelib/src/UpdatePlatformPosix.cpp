#if !defined(_WIN32)
#include <chrono>
#include <cstdlib>

#include "UpdatePlatform.h"

namespace UpdatePlatform {

// The schemes the shell's URL parser knows; "scheme:" must lead the text.
bool IsUrl(const std::string& text) {
    static const char* const kSchemes[] = {"ftp", "http", "gopher", "mailto", "news", "nntp", "telnet",
                                           "wais", "file", "mk", "https", "shell", "snews", "local",
                                           "javascript", "vbscript", "about", "res", "ms-shell-rooted",
                                           "ms-shell-idlist", "msheep", "wildcard"};
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    std::string scheme = text.substr(0, colon);
    for (char& c : scheme) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const char* known : kSchemes) {
        if (scheme == known) return true;
    }
    return false;
}

uint32_t TickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

std::string GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace UpdatePlatform
#endif
