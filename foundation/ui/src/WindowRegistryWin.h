#pragma once
#include <windows.h>

#include <unordered_map>

namespace ui {

// Values kept per window handle for the framework's own lookups, in the process and under one
// lock (windows of several UI threads use it). Entries must be erased when their window goes.
template <class T>
class CWindowRegistry {
public:
    CWindowRegistry() { ::InitializeCriticalSection(&m_lock); }
    ~CWindowRegistry() { ::DeleteCriticalSection(&m_lock); }
    CWindowRegistry(const CWindowRegistry&) = delete;
    CWindowRegistry& operator=(const CWindowRegistry&) = delete;

    void Set(HWND hwnd, const T& value) {
        Hold hold(m_lock);
        m_values[hwnd] = value;
    }
    bool Get(HWND hwnd, T& value) const {
        Hold hold(m_lock);
        auto it = m_values.find(hwnd);
        if (it == m_values.end()) return false;
        value = it->second;
        return true;
    }
    void Erase(HWND hwnd) {
        Hold hold(m_lock);
        m_values.erase(hwnd);
    }

private:
    struct Hold {
        explicit Hold(CRITICAL_SECTION& lock) : m_held(lock) { ::EnterCriticalSection(&m_held); }
        ~Hold() { ::LeaveCriticalSection(&m_held); }
        CRITICAL_SECTION& m_held;
    };
    mutable CRITICAL_SECTION m_lock;
    std::unordered_map<HWND, T> m_values;
};

}  // namespace ui
