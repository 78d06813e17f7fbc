#include "MovieCommandLine.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include "vxlib/StringUtility.h"

namespace moviecommand {

const char kDefaultTitle[] = "VixoMelodisk播放器";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Window size from a page size: the default below 1, else the page plus the frame, capped.
int WindowExtent(const std::string& field, int fallback, int extra) {
    const int page = ReadNumber(field);
    if (page < 1) return fallback;
    return page > kMaxExtent - extra ? kMaxExtent : page + extra;
}

}  // namespace

bool IsPlayRequest(const std::string& line) {
    std::string lower = line;
    return StringUtility::Str2Lower(lower).find(kPlaySwitch) != std::string::npos;
}

int ReadNumber(const std::string& text) {
    // Only the decimal form is taken, so that the C library's hexadecimal, "inf" and "nan"
    // readings (which differ between runtimes) never apply.
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    const std::string number = text.substr(start, i - start);
    const double value = std::strtod(number.c_str(), nullptr);  // overflow gives +-HUGE_VAL
    if (!(value < static_cast<double>(INT_MAX) + 1.0)) return INT_MAX;
    if (!(value > static_cast<double>(INT_MIN) - 1.0)) return INT_MIN;
    return static_cast<int>(value);
}

std::string MovieCommand::IconFile(const std::string& iconRoot) const {
    if (icon.size() >= 2 && icon[1] == ':') return icon;
    if (icon.size() > 2) return iconRoot + "ico\\" + icon;
    return std::string();
}

MovieCommand Parse(const std::string& rawLine) {
    MovieCommand command;
    const size_t at = rawLine.find(kPlaySwitch);
    const size_t skip = sizeof(kPlaySwitch);  // the switch and one separator
    if (at == std::string::npos || rawLine.size() - at <= skip) return command;
    std::string text = rawLine.substr(at + skip);
    StringUtility::Trim(text);
    std::vector<std::string> fields;
    if (StringUtility::Tokenize(text, "|", fields) < 5) return command;

    command.applied = true;
    command.width = WindowExtent(fields[0], kDefaultWidth, kExtraWidth);
    command.height = WindowExtent(fields[1], kDefaultHeight, kExtraHeight);
    command.icon = fields[2];
    command.url = fields[3];
    size_t titleAt = 0;
    for (int bar = 0; bar < 4; ++bar) titleAt = text.find('|', titleAt) + 1;
    command.title = text.substr(titleAt);
    if (command.title.empty()) command.title = kDefaultTitle;
    return command;
}

}  // namespace moviecommand
