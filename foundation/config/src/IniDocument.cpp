#include "config/IniDocument.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A GBK trail byte may equal ']' (0x5D): look for ASCII characters only.
size_t FindAscii(const std::string& text, char ch, size_t from = 0) {
    for (size_t i = from; i < text.size(); ++i) {
        if (IsGbkLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
        } else if (text[i] == ch) {
            return i;
        }
    }
    return std::string::npos;
}

// A name whose last byte is a lone lead byte cannot be written as "[name]": the lead would take
// the ']' as its trail byte.
bool EndsInsideCharacter(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsGbkLead(static_cast<unsigned char>(text[i]))) {
            if (i + 1 == text.size()) return true;
            ++i;
        }
    }
    return false;
}

bool HasControl(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

bool NeedsQuoting(const std::string& text, bool isKey) {
    if (text.empty()) return isKey;
    if (HasControl(text) || IsBlank(text.front()) || IsBlank(text.back()) || text.front() == '"') return true;
    if (isKey) {
        if (text.front() == '[' || text.front() == ';' || text.front() == '#') return true;
        if (text.find('=') != std::string::npos) return true;
    }
    return false;
}

std::string Quote(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '=': out += "\\x3D"; break;  // keeps a quoted key's '=' out of the split
        default:
            if (u < 0x20 || u == 0x7F) {
                out += "\\x";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote. Escapes work
// byte by byte, so a GBK trail byte 0x5C written as "\\" comes back intact.
bool Unquote(const std::string& text, size_t& pos, std::string& out) {
    out.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return false;
        switch (text[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x': {
            if (i + 2 >= text.size()) return false;
            int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: out += text[i]; break;
        }
    }
    return false;
}

// A name or value as stored: quoted, or plain with blanks trimmed.
std::string Decode(const std::string& raw) {
    std::string trimmed = Trim(raw);
    if (!trimmed.empty() && trimmed.front() == '"') {
        size_t pos = 0;
        std::string out;
        if (Unquote(trimmed, pos, out) && pos == trimmed.size()) return out;
    }
    return trimmed;
}

}  // namespace

bool CIniDocument::NamesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsGbkLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool CIniDocument::IsValidSectionName(const std::string& section) {
    if (section.empty() || HasControl(section) || FindAscii(section, ']') != std::string::npos ||
        EndsInsideCharacter(section)) {
        return false;
    }
    return Trim(section) == section;
}

bool CIniDocument::IsValidKeyName(const std::string& key) { return !key.empty(); }

void CIniDocument::Parse(const std::string& text) {
    m_sections.clear();
    Section* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const bool first = start == 0;
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        if (trimmed[0] == '[') {
            size_t close = FindAscii(trimmed, ']', 1);
            if (close == std::string::npos) continue;
            std::string name = Trim(trimmed.substr(1, close - 1));
            // Trimming may cut a lead byte from the blank it stood before; such a line is as
            // malformed as one without ']'.
            if (EndsInsideCharacter(name)) continue;
            current = FindSection(name);
            if (!current) {
                m_sections.push_back(Section{name, {}});
                current = &m_sections.back();
            }
            continue;
        }
        if (!current) continue;
        std::string key, value;
        if (trimmed[0] == '"') {
            size_t pos = 0;
            if (!Unquote(trimmed, pos, key)) continue;
            size_t eq = trimmed.find('=', pos);
            if (eq == std::string::npos || !Trim(trimmed.substr(pos, eq - pos)).empty()) continue;
            value = Decode(trimmed.substr(eq + 1));
        } else {
            size_t eq = trimmed.find('=');
            if (eq == std::string::npos) continue;
            key = Trim(trimmed.substr(0, eq));
            value = Decode(trimmed.substr(eq + 1));
        }
        if (key.empty()) continue;
        bool seen = false;
        for (const Entry& e : current->entries) {
            if (NamesEqual(e.key, key)) {
                seen = true;  // the first of two duplicates wins, as it does for readers
                break;
            }
        }
        if (!seen) current->entries.push_back(Entry{key, value});
    }
}

std::string CIniDocument::Serialize() const {
    std::string out;
    for (const Section& section : m_sections) {
        if (section.entries.empty()) continue;
        out += "[" + section.name + "]\r\n";
        for (const Entry& e : section.entries) {
            out += NeedsQuoting(e.key, true) ? Quote(e.key) : e.key;
            out += '=';
            out += NeedsQuoting(e.value, false) ? Quote(e.value) : e.value;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

CIniDocument::Section* CIniDocument::FindSection(const std::string& name) {
    for (Section& s : m_sections) {
        if (NamesEqual(s.name, name)) return &s;
    }
    return nullptr;
}

const CIniDocument::Section* CIniDocument::FindSection(const std::string& name) const {
    return const_cast<CIniDocument*>(this)->FindSection(name);
}

bool CIniDocument::Get(const std::string& section, const std::string& key, std::string& value) const {
    const Section* s = FindSection(section);
    if (!s) return false;
    for (const Entry& e : s->entries) {
        if (NamesEqual(e.key, key)) {
            value = e.value;
            return true;
        }
    }
    return false;
}

bool CIniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) return false;
    Section* s = FindSection(section);
    if (!s) {
        m_sections.push_back(Section{section, {}});
        s = &m_sections.back();
    }
    for (Entry& e : s->entries) {
        if (NamesEqual(e.key, key)) {
            e.value = value;
            return true;
        }
    }
    s->entries.push_back(Entry{key, value});
    return true;
}

bool CIniDocument::Remove(const std::string& section, const std::string& key) {
    Section* s = FindSection(section);
    if (!s) return false;
    for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
        if (NamesEqual(it->key, key)) {
            s->entries.erase(it);
            return true;
        }
    }
    return false;
}

bool CIniDocument::RemoveSection(const std::string& section) {
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
        if (NamesEqual(it->name, section)) {
            m_sections.erase(it);
            return true;
        }
    }
    return false;
}

namespace {

bool ParseWide(const std::string& text, long long& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    size_t digits = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (digits >= t.size()) return false;
    for (size_t i = digits; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
    }
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno == ERANGE || !end || *end != '\0') return false;
    value = v;
    return true;
}

}  // namespace

bool CIniDocument::ParseInt(const std::string& text, int& value) {
    long long v = 0;
    if (!ParseWide(text, v) || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

bool CIniDocument::ParseUInt32(const std::string& text, uint32_t& value) {
    long long v = 0;
    if (!ParseWide(text, v) || v < 0 || v > 0xFFFFFFFFLL) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool CIniDocument::ParseBool(const std::string& text, bool& value) {
    std::string t = Trim(text);
    for (char& c : t) c = AsciiLower(c);
    if (t == "true" || t == "yes") {
        value = true;
        return true;
    }
    if (t == "false" || t == "no") {
        value = false;
        return true;
    }
    long long v = 0;
    if (!ParseWide(t, v)) return false;
    value = v != 0;
    return true;
}
