#pragma once
#include <cstddef>
#include <deque>

#include "catalogue/SearchTypes.h"

class CSongListBase;

// One place the user went to: a list of the frame's tree copy, or a search request.
struct HistoryEntry {
    bool isSearch = false;
    SearchParam param;
    CSongListBase* list = nullptr;  // not owned
};

// The back and forward lists of the main frame. The back list ends with the current entry; both
// keep at most kMaxEntries, dropping the oldest. Moves take an entry out so that the caller can
// open it (which pushes it again); a caller whose opening fails puts back a copy taken before the
// move. A value object of the user-interface thread.
class CNavigationHistory {
public:
    static const size_t kMaxEntries = 11;

    // A new place; `fromHistory` (origin 1) keeps the forward list, anything else empties it.
    void Push(const HistoryEntry& entry, bool fromHistory);
    const HistoryEntry* Current() const { return m_back.empty() ? nullptr : &m_back.back(); }
    bool CanGoBack() const { return m_back.size() >= 2; }
    bool CanGoForward() const { return !m_forward.empty(); }

    // The current entry goes to the front of the forward list; the previous one is taken out and
    // returned for reopening. False (nothing moved) with fewer than two back entries.
    bool TakeBack(HistoryEntry& previous);
    // The first forward entry, taken out; false when there is none.
    bool TakeForward(HistoryEntry& next);
    // Back `steps` entries at once (the back drop-down): the skipped ones and the current one go
    // to the forward list, nearest first. False when there are not that many.
    bool TakeBackSteps(size_t steps, HistoryEntry& target);

    // Oldest first, the current entry last (the back drop-down shows up to four before it).
    const std::deque<HistoryEntry>& BackEntries() const { return m_back; }
    const std::deque<HistoryEntry>& ForwardEntries() const { return m_forward; }
    void Clear();

private:
    void Trim();
    std::deque<HistoryEntry> m_back;     // oldest first, current last
    std::deque<HistoryEntry> m_forward;  // next first
};
