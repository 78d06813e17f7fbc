#pragma once
#include <mutex>

namespace Thread {

// A recursive lock, as a critical section is: the owning thread may take it again.
class CBaseCrititalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds the lock for its own lifetime.
class CAutoCrititalSection {
public:
    explicit CAutoCrititalSection(CBaseCrititalSection& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CAutoCrititalSection() { m_lock.Unlock(); }
    CAutoCrititalSection(const CAutoCrititalSection&) = delete;
    CAutoCrititalSection& operator=(const CAutoCrititalSection&) = delete;

private:
    CBaseCrititalSection& m_lock;
};

}  // namespace Thread
