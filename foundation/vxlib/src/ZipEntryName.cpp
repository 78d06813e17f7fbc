#include "vxlib/Zip.h"

#include "NameRules.h"

namespace {

bool IsValidComponent(const std::string& component) {
    if (component.empty()) return false;
    // Windows drops trailing dots and spaces, so ".. " and "..." would reach ".." or alias others.
    if (component.back() == '.' || component.back() == ' ') return false;
    for (unsigned char c : component) {
        if (namerules::IsForbiddenNameChar(c)) return false;
    }
    return !namerules::IsDeviceName(component);
}

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra = c < 0x80 ? 0 : (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2
                                    : (c >= 0xF0 && c <= 0xF4) ? 3 : 4;
        if (extra == 4 || text.size() - i <= extra) return false;
        unsigned int cp = extra == 0 ? c : (c & (0x3F >> extra));
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

namespace Filezip {

bool CheckEntryName(const std::string& utf8Name, std::string& relative, bool& isDirectory) {
    relative.clear();
    isDirectory = false;
    if (utf8Name.empty() || !IsValidUtf8(utf8Name)) return false;
    // Absolute, UNC and "\\?\" names all start with a separator.
    if (utf8Name[0] == '/' || utf8Name[0] == '\\') return false;
    std::string result;
    size_t start = 0;
    while (start < utf8Name.size()) {
        size_t end = utf8Name.find_first_of("/\\", start);
        if (end == std::string::npos) end = utf8Name.size();
        std::string component = utf8Name.substr(start, end - start);
        if (!IsValidComponent(component)) return false;
        if (!result.empty()) result += '/';
        result += component;
        if (end == utf8Name.size()) break;
        start = end + 1;
        if (start == utf8Name.size()) isDirectory = true;
    }
    relative = result;
    return true;
}

}  // namespace Filezip
