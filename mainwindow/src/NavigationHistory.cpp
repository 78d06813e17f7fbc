#include "NavigationHistory.h"

void CNavigationHistory::Push(const HistoryEntry& entry, bool fromHistory)
{
    m_back.push_back(entry);
    if (!fromHistory)
        m_forward.clear();
    Trim();
}

bool CNavigationHistory::TakeBack(HistoryEntry& previous)
{
    return TakeBackSteps(1, previous);
}

bool CNavigationHistory::TakeForward(HistoryEntry& next)
{
    if (m_forward.empty())
        return false;
    next = m_forward.front();
    m_forward.pop_front();
    return true;
}

bool CNavigationHistory::TakeBackSteps(size_t steps, HistoryEntry& target)
{
    if (steps == 0 || m_back.size() < steps + 1)
        return false;
    for (size_t i = 0; i < steps; ++i) {
        m_forward.push_front(m_back.back());
        m_back.pop_back();
    }
    target = m_back.back();
    m_back.pop_back();
    Trim();
    return true;
}

void CNavigationHistory::Clear()
{
    m_back.clear();
    m_forward.clear();
}

void CNavigationHistory::Trim()
{
    while (m_back.size() > kMaxEntries)
        m_back.pop_front();
    while (m_forward.size() > kMaxEntries)
        m_forward.pop_back();
}
