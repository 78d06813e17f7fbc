#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The main program's command line: the text it was started with, later replaced by each command line
// a second start forwards. Switches are found by plain substring search; a switch's value is
// everything from one separator character after the switch to the end of the text. A value object:
// the program keeps one on its user-interface thread.
namespace MainCommandLine {

const char kPlayIco[] = "/playico";
const char kFrom[] = "/from";
const char kAutoRun[] = "/autorun";
const char kGo[] = "/go";

// The exit record's source when the start named none.
const char kShortcutSource[] = "SHORTCUT";

}  // namespace MainCommandLine

class CCommandLine {
public:
    explicit CCommandLine(const std::string& text = std::string()) : m_text(text) {}

    const std::string& Text() const { return m_text; }

    bool Has(const char* name) const;
    // The untouched value of switch `name`; false (value cleared) when the switch is absent or its
    // value would start at or past the end of the text, so a value found is never empty.
    bool Value(const char* name, std::string& value) const;

    // "/playico": the list id handed to the desktop player, trimmed (may then be empty).
    bool PlayIco(std::string& id) const;
    // "/from": trimmed and upper-cased; empty when absent.
    std::string From() const;
    bool IsAutoRun() const { return Has(MainCommandLine::kAutoRun); }
    // "/go": the list ids from the top level down. Blank pieces between bars are skipped; any other
    // piece gives one id, its leading decimal digits (0 when it has none, at most 0xFFFFFFFF), so a
    // malformed id keeps its place and the tree walk ends there.
    std::vector<uint32_t> GoPath() const;

private:
    std::string m_text;
};

// The text of a command line a second start forwards (WM_COPYDATA): up to the sender's ending zero,
// or to the data's end when there is none.
std::string ForwardedLine(const void* data, size_t size);

// The exit record's SF field: the from value, or "SHORTCUT" when it is empty.
std::string ExitRecordSource(const std::string& from);
