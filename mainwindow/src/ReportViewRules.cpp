#include "ReportViewRules.h"

#include <cctype>
#include <cstdlib>

namespace reportview {

std::string FormatColumnWidths(const std::vector<int>& widths) {
    std::string out;
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(widths[i]);
    }
    return out;
}

bool ParseColumnWidths(const std::string& text, std::vector<int>& current) {
    std::vector<int> parsed;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        std::string field = text.substr(pos, end - pos);
        if (field.empty() || field.size() > 6) return false;
        for (char c : field)
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        parsed.push_back(std::atoi(field.c_str()));
        pos = end + 1;
    }
    if (parsed.size() != current.size()) return false;
    for (size_t i = 0; i < parsed.size(); ++i)
        if (parsed[i] > 4) current[i] = parsed[i];
    return true;
}

int CompareSortKeys(int kind, const std::string& a, const std::string& b) {
    if (kind == kSortNumber) {
        long x = std::strtol(a.c_str(), nullptr, 10), y = std::strtol(b.c_str(), nullptr, 10);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int StarCount(bool hasWma, unsigned popularity) {
    if (!hasWma) return 2;
    return popularity > 5 ? 5 : static_cast<int>(popularity);
}

Rect CentredPart(const Rect& cell, int width, int height) {
    int left = cell.left + (cell.right - cell.left - width) / 2;
    int top = cell.top + (cell.bottom - cell.top - height) / 2;
    return Rect{left, top, left + width, top + height};
}

bool Contains(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool OverLinkText(const Rect& cell, int textWidth, int x, int y) {
    int left = cell.left + 2;
    int right = left + textWidth;
    if (right > cell.right - 2) right = cell.right - 2;
    return Contains(Rect{left, cell.top, right, cell.bottom}, x, y);
}

int ButtonImage(bool overButton, bool leftDown, bool overRow) {
    if (overButton) return leftDown ? 2 : 3;
    return overRow ? 1 : 0;
}

}  // namespace reportview
