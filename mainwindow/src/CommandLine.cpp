#include "CommandLine.h"

#include <cstring>

#include "vxlib/StringUtility.h"

bool CCommandLine::Has(const char* name) const { return m_text.find(name) != std::string::npos; }

bool CCommandLine::Value(const char* name, std::string& value) const {
    value.clear();
    size_t at = m_text.find(name);
    if (at == std::string::npos) return false;
    // The character after the switch is taken as the separator whatever it is.
    size_t start = at + std::strlen(name) + 1;
    if (start >= m_text.size()) return false;
    value = m_text.substr(start);
    return true;
}

bool CCommandLine::PlayIco(std::string& id) const {
    if (!Value(MainCommandLine::kPlayIco, id)) return false;
    StringUtility::Trim(id);
    return true;
}

std::string CCommandLine::From() const {
    std::string from;
    if (Value(MainCommandLine::kFrom, from)) StringUtility::Str2Upper(StringUtility::Trim(from));
    return from;
}

std::vector<uint32_t> CCommandLine::GoPath() const {
    std::vector<uint32_t> ids;
    std::string value;
    if (!Value(MainCommandLine::kGo, value)) return ids;
    std::vector<std::string> pieces;
    StringUtility::Tokenize(value, "|", pieces);
    for (std::string& piece : pieces) {
        if (StringUtility::Trim(piece).empty()) continue;
        uint64_t id = 0;
        for (size_t i = 0; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
            id = id * 10 + static_cast<unsigned>(piece[i] - '0');
            if (id > UINT32_MAX) {
                id = UINT32_MAX;
                break;
            }
        }
        ids.push_back(static_cast<uint32_t>(id));
    }
    return ids;
}

std::string ExitRecordSource(const std::string& from) {
    return from.empty() ? MainCommandLine::kShortcutSource : from;
}

std::string ForwardedLine(const void* data, size_t size) {
    if (!data) return std::string();
    const char* text = static_cast<const char*>(data);
    const void* end = std::memchr(text, '\0', size);
    return std::string(text, end ? static_cast<const char*>(end) - text : size);
}
