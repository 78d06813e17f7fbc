#include "ServiceCommandLine.h"

#include <cctype>
#include <string>

namespace {

bool SameWord(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && !b[i];
}

}  // namespace

ServiceSwitch ParseServiceSwitch(const char* commandLine) {
    static const struct {
        const char* name;
        ServiceSwitch value;
    } kSwitches[] = {
        {"RegServer", ServiceSwitch::kRegServer},
        {"RegServerPerUser", ServiceSwitch::kRegServerPerUser},
        {"UnregServer", ServiceSwitch::kUnregServer},
        {"UnregServerPerUser", ServiceSwitch::kUnregServerPerUser},
        {"Service", ServiceSwitch::kService},
        {"Run", ServiceSwitch::kRun},
    };
    if (!commandLine) return ServiceSwitch::kNone;
    const std::string line(commandLine);
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
        if (end > i + 1 && (line[i] == '-' || line[i] == '/')) {
            const std::string word = line.substr(i + 1, end - i - 1);
            for (const auto& s : kSwitches) {
                if (SameWord(word, s.name)) return s.value;
            }
        }
        i = end;
    }
    return ServiceSwitch::kNone;
}
