#include "DownloadPathHist.h"

#include <algorithm>

#include "vxlib/StringUtility.h"

namespace {
const char kKeyNum[] = "Num";
const char kKeyItem[] = "Item";
}  // namespace

bool EqualNoCaseGbk(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x81 && x <= 0xFE && i + 1 < a.size()) {
            // A lead byte: compare the pair exactly.
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void CDownloadPathHist::Load() {
    m_items.clear();
    int num = std::min(m_hooks.getInt(kKeyNum, 0), kMaxItems);
    for (int i = 0; i < num; ++i) {
        std::string item = m_hooks.getString(kKeyItem + std::to_string(i));
        if (m_hooks.driveNumber(item) == -1) continue;
        if (std::find(m_items.begin(), m_items.end(), item) == m_items.end()) m_items.push_back(item);
    }
}

void CDownloadPathHist::Add(const std::string& folder) {
    std::string trimmed = folder;
    StringUtility::Trim(trimmed);
    if (trimmed.empty() || !m_hooks.makeDir(trimmed) || !m_hooks.isDirectory(trimmed)) return;
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                 [&](const std::string& item) { return EqualNoCaseGbk(item, trimmed); }),
                  m_items.end());
    m_items.insert(m_items.begin(), trimmed);
}

void CDownloadPathHist::Save() {
    std::vector<std::string> kept;
    for (const std::string& item : m_items) {
        if (item.empty() || !m_hooks.isDirectory(item)) continue;
        if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
    }
    m_items = kept;
    int num = std::min(static_cast<int>(m_items.size()), kMaxItems);
    m_hooks.setInt(kKeyNum, num);
    for (int i = 0; i < num; ++i) m_hooks.setString(kKeyItem + std::to_string(i), m_items[i]);
}
