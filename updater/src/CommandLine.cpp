#include "CommandLine.h"

namespace VxMdUpdate {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string ParseTaskFilePath(const std::string& commandLine) {
    const std::string& s = commandLine;
    size_t i = 0;
    for (;; ++i) {
        i = s.find('-', i);
        if (i == std::string::npos || i + 1 >= s.size()) return std::string();
        if ((i == 0 || IsBlank(s[i - 1])) && s[i + 1] == 'c') break;
    }
    // The rest of the switch's word belongs to the switch.
    i += 2;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    while (i < s.size() && IsBlank(s[i])) ++i;

    std::string value;
    bool quoted = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(c)) break;
        value += c;
    }
    size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = value.find_last_not_of(" \t\r\n");
    value = value.substr(first, last - first + 1);
    if (value.size() > kMaxTaskPathLength) value.resize(kMaxTaskPathLength);
    return value;
}

}  // namespace VxMdUpdate
