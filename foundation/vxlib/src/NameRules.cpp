#include "NameRules.h"

#include <cstring>

namespace namerules {

size_t GbkCharLength(const std::string& text, size_t i) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return 1;
    unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

bool IsForbiddenNameChar(unsigned char c) { return c < 0x20 || std::strchr("\\/:*?\"<>|", c); }

bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* name : kPlain) {
        if (base == name) return true;
    }
    if (base.size() >= 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
        std::string tail = base.substr(3);
        if (tail.size() == 1 && tail[0] >= '0' && tail[0] <= '9') return true;
        if (tail == "\xC2\xB9" || tail == "\xC2\xB2" || tail == "\xC2\xB3") return true;
    }
    return false;
}

}  // namespace namerules
