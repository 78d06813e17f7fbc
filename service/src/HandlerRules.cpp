#include "HandlerRules.h"

#include <cstring>

namespace HandlerRules {

bool RefreshedToday(uint32_t lastUpdate, const Time::DateTime& now) {
    Time::DateTime stored(static_cast<int64_t>(lastUpdate));
    return stored.GetDay() == now.GetDay() && stored.GetMonth() == now.GetMonth();
}

std::string DataText(const std::vector<char>& data) {
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

bool ParseModuleCall(const std::string& text, ModuleCall& call) {
    call = ModuleCall();
    const size_t first = text.find('|');
    if (first == std::string::npos) return false;
    const size_t second = text.find('|', first + 1);
    call.module = text.substr(0, first);
    if (second == std::string::npos) {
        call.function = text.substr(first + 1);
    } else {
        call.function = text.substr(first + 1, second - first - 1);
        call.hasArgument = true;
        call.argument = text.substr(second + 1);
    }
    return true;
}

bool IsPlainExeName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        if (c <= ' ' || c == 0x7F || std::strchr("\"'&|<>^/\\*?", c)) return false;
    }
    return true;
}

std::string MainProgramCommandLine(const std::string& programPath, const std::string& arguments) {
    std::string line = "\"" + programPath + "\"";
    if (!arguments.empty()) line += " " + arguments;
    return line;
}

}  // namespace HandlerRules
