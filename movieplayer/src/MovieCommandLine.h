#pragma once
#include <string>

// The movie player's command line: "/mdplay", one separator character, then
// width|height|icon|address|title. Pure functions on GBK text; any thread.
namespace moviecommand {

const char kPlaySwitch[] = "/mdplay";
const int kDefaultWidth = 1004;   // window size when a page size is below 1
const int kDefaultHeight = 732;
const int kExtraWidth = 4;        // the frame around the page
const int kExtraHeight = 32;      // the caption and the frame
// The largest window extent: WM_SIZE and GDI carry sizes as 16-bit signed values.
const int kMaxExtent = 32767;
extern const char kDefaultTitle[];

// True when the lower-cased line holds "/mdplay": the program runs only then.
bool IsPlayRequest(const std::string& line);

// A number as the player reads one: a decimal floating-point value (leading blanks, sign,
// fraction and exponent allowed, anything after it ignored) truncated towards zero; 0 when the
// text starts with no number. Values beyond the int range are clamped to it.
int ReadNumber(const std::string& text);

struct MovieCommand {
    bool applied = false;  // five fields or more were found; the members below hold them
    int width = 0;         // window size in pixels, at most kMaxExtent
    int height = 0;
    std::string icon;      // the icon field as given
    std::string url;
    std::string title;     // never empty when applied

    // The icon file to load, "" for the program's own: a value whose second character is ':' is
    // used unchanged, any other longer than 2 characters lies in "ico\" of `iconRoot` (the
    // ranking data folder, ending in a backslash).
    std::string IconFile(const std::string& iconRoot) const;
};

// Finds "/mdplay" case-sensitively in the raw command line and reads what follows it.
MovieCommand Parse(const std::string& rawLine);

}  // namespace moviecommand
