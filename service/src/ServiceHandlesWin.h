#pragma once
#include <windows.h>

// Owns a service control manager handle.
class CScHandle {
public:
    explicit CScHandle(SC_HANDLE h = nullptr) : m_h(h) {}
    ~CScHandle() { Reset(); }
    CScHandle(const CScHandle&) = delete;
    CScHandle& operator=(const CScHandle&) = delete;

    SC_HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset(SC_HANDLE h = nullptr) {
        if (m_h) CloseServiceHandle(m_h);
        m_h = h;
    }

private:
    SC_HANDLE m_h;
};

// Owns an open registry key.
class CRegKeyHandle {
public:
    CRegKeyHandle() = default;
    ~CRegKeyHandle() { Reset(); }
    CRegKeyHandle(const CRegKeyHandle&) = delete;
    CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;

    HKEY Get() const { return m_h; }
    HKEY* Receive() {
        Reset();
        return &m_h;
    }
    void Reset() {
        if (m_h) RegCloseKey(m_h);
        m_h = nullptr;
    }

private:
    HKEY m_h = nullptr;
};
