#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/VxMdConfigApi.h"

// The text form of the configuration store: an INI document in the system code page (GBK).
// Sections and keys match without regard to ASCII case; GBK double-byte characters are compared
// exactly (a trail byte may look like an ASCII letter).
//
// File layout: "[Section]" lines, then "key=value" lines; blanks around names and values and lines
// starting with ';' or '#' are ignored when reading. A value (or key) that would not survive that
// layout, one with a control character (CR, LF...), a leading or trailing blank, or a leading '"' (and
// a key with '=' or a leading '[', ';' or '#'), is written quoted: "..." with \\, \", \r, \n, \t and
// \xHH escapes. Plain values, backslashes in paths included, stay as they are. Section names that
// contain ']' or a control character are refused. Not thread-safe; the store serialises access.
class VXMDCONFIG_API CIniDocument {
public:
    void Parse(const std::string& text);
    std::string Serialize() const;

    bool Get(const std::string& section, const std::string& key, std::string& value) const;
    // False when the section name cannot be written.
    bool Set(const std::string& section, const std::string& key, const std::string& value);
    bool Remove(const std::string& section, const std::string& key);
    bool RemoveSection(const std::string& section);
    size_t SectionCount() const { return m_sections.size(); }

    static bool NamesEqual(const std::string& a, const std::string& b);
    static bool IsValidSectionName(const std::string& section);
    static bool IsValidKeyName(const std::string& key);

    // Numbers as stored: decimal, blanks around them allowed; false on anything else or out of range.
    static bool ParseInt(const std::string& text, int& value);
    static bool ParseUInt32(const std::string& text, uint32_t& value);
    // "1"/"0", "true"/"false", "yes"/"no" (any case), or any other integer (non-zero is true).
    static bool ParseBool(const std::string& text, bool& value);

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    Section* FindSection(const std::string& name);
    const Section* FindSection(const std::string& name) const;

    std::vector<Section> m_sections;
};
