#pragma once
#include <string>
#include <vector>

// Rules of the song list that need no window: stored column widths, sort keys, the star gauge
// and where the clickable parts of a cell lie.
namespace reportview {

enum SortKind { kSortText = 1, kSortNumber = 3 };

struct Rect {
    int left, top, right, bottom;
};

// "239,111,..." for the widths in display order.
std::string FormatColumnWidths(const std::vector<int>& widths);
// The widths to apply from a stored text: false (nothing applied) unless the text holds exactly
// `current.size()` decimal numbers; a width of 4 or less keeps the current one.
bool ParseColumnWidths(const std::string& text, std::vector<int>& current);

// <0, 0, >0. Text compares ignoring ASCII case; numbers compare by their decimal value (non-numbers are 0).
int CompareSortKeys(int kind, const std::string& a, const std::string& b);

// Lit stars for a song: its WMA popularity up to 5, or 2 without a WMA resource.
int StarCount(bool hasWma, unsigned popularity);

// A `width`-wide part centred in `cell` (the button, the row of five stars).
Rect CentredPart(const Rect& cell, int width, int height);
bool Contains(const Rect& r, int x, int y);
// The link text of a cell starts after the 2-pixel inset and is `textWidth` long (clipped to the cell).
bool OverLinkText(const Rect& cell, int textWidth, int x, int y);
// Image of a small button: 2 pressed, 3 under the pointer, 1 pointer elsewhere on the row, 0 otherwise.
int ButtonImage(bool overButton, bool leftDown, bool overRow);

}  // namespace reportview
